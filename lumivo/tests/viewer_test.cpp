// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/lumivo_viewer.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QWheelEvent>

namespace {

void Wheel(CLumivoViewer& v, int delta, int notches)
{
    for (int i = 0; i < notches; ++i) {
        QWheelEvent e(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&v, &e);
    }
}

// The dots as they were drawn straight onto the widget, LED by LED: the
// picture the preview must keep showing.
QImage DotsByLed(const QImage& board, int zoom, const QSize& widget, const QRect& target)
{
    QImage out(widget, QImage::Format_RGB32);
    QPainter p(&out);
    p.fillRect(out.rect(), QColor(0x20, 0x20, 0x24));
    p.fillRect(target, QColor(0x0c, 0x0c, 0x0c));
    const double cell = zoom / 100.0;
    const int side = qMax(1, int(cell));
    for (int y = 0; y < board.height(); ++y)
        for (int x = 0; x < board.width(); ++x) {
            const QRgb colour = board.pixel(x, y) & 0xFFFFFF;
            QImage dot(side, side, QImage::Format_RGB32);
            dot.fill(QColor(0x0c, 0x0c, 0x0c));
            QPainter d(&dot);
            d.setRenderHint(QPainter::Antialiasing);
            d.setPen(Qt::NoPen);
            d.setBrush(colour ? QColor::fromRgb(colour) : QColor(0x26, 0x26, 0x26));
            const double size = side * 0.8;
            d.drawEllipse(QRectF((side - size) / 2, (side - size) / 2, size, size));
            d.end();
            p.drawImage(QPoint(target.left() + int(x * cell), target.top() + int(y * cell)), dot);
        }
    return out;
}

} // namespace

TEST(Viewer, WheelZoomStaysWithinLimits)
{
    CLumivoViewer v;
    EXPECT_EQ(v.Zoom(), 100);
    Wheel(v, 120, 1);
    EXPECT_EQ(v.Zoom(), 110);
    Wheel(v, -120, 100);
    EXPECT_EQ(v.Zoom(), 50);
    Wheel(v, 0, 1); // no movement counts as down, and stays at the floor
    EXPECT_EQ(v.Zoom(), 50);
    Wheel(v, 120, 100);
    EXPECT_EQ(v.Zoom(), 500);
    v.SetZoom(20);
    EXPECT_EQ(v.Zoom(), 50);
    v.SetZoom(9999);
    EXPECT_EQ(v.Zoom(), 500);

    CLumivoViewerWnd pane;
    EXPECT_EQ(pane.Viewer()->Zoom(), 200); // the docked preview starts at 200
}

TEST(Viewer, BoardIsCentredAtEveryZoom)
{
    CLumivoViewer v;
    v.resize(400, 200);
    v.SetModuleSize(6, 2); // 96 x 32 LEDs
    EXPECT_EQ(v.BoardPixelSize(), QSize(96, 32));
    v.SetZoom(200);
    EXPECT_EQ(v.BoardRect(), QRect(104, 68, 192, 64));
    v.SetZoom(150);
    EXPECT_EQ(v.BoardRect(), QRect(128, 76, 144, 48));
    // Larger than the window: negative offsets keep the middle in view.
    v.SetZoom(500);
    EXPECT_EQ(v.BoardRect(), QRect(-40, 20, 480, 160));
    v.resize(401, 201);
    v.SetZoom(100);
    EXPECT_EQ(v.BoardRect().topLeft(), QPoint((401 - 96) / 2, (201 - 32) / 2));
}

TEST(Viewer, DotsLookAsTheyDidLedByLed)
{
    CLumivoViewer v;
    v.resize(260, 90);
    v.SetModuleSize(3, 1);
    QImage board(48, 16, QImage::Format_RGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 48; ++x)
            board.setPixel(x, y, (x * 7 + y * 3) % 5 == 0 ? qRgb(0, 0, 0) : qRgb(x % 2 ? 255 : 0, y % 3 ? 255 : 0, 0));
    v.setBoardImage(board);
    v.SetLedDots(true);
    for (const int zoom : {300, 310, 470, 500}) {
        v.SetZoom(zoom);
        ASSERT_TRUE(v.DrawsDots());
        const QImage shot = v.grab().toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(shot, DotsByLed(v.BoardImage(), zoom, v.size(), v.BoardRect())) << zoom;
    }
    // A changed board shows at once, not the dots drawn before.
    board.fill(qRgb(255, 0, 0));
    v.setBoardImage(board);
    EXPECT_EQ(v.grab().toImage().convertToFormat(QImage::Format_RGB32),
              DotsByLed(v.BoardImage(), 500, v.size(), v.BoardRect()));
}

TEST(Viewer, PaintsTheBoardScaledOrAsDots)
{
    CLumivoViewer v;
    v.resize(200, 100);
    v.SetModuleSize(1, 1);
    QImage board(16, 16, QImage::Format_RGB32);
    board.fill(Qt::black);
    board.setPixel(0, 0, qRgb(255, 0, 0));
    board.setPixel(15, 15, qRgb(0, 255, 0));
    v.setBoardImage(board);
    // Parts beyond the board are clipped.
    v.setBoardImage(QImage(64, 64, QImage::Format_RGB32));
    v.setBoardImage(board);

    v.SetZoom(500); // 80 x 80 at (60, 10); 5 pixels an LED
    QImage shot = v.grab().toImage();
    const QRect r = v.BoardRect();
    EXPECT_EQ(r, QRect(60, 10, 80, 80));
    EXPECT_EQ(shot.pixel(r.left() + 2, r.top() + 2), qRgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(r.left() + 2, r.top() + 7), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(r.right() - 2, r.bottom() - 2), qRgb(0, 255, 0));
    const QRgb background = shot.pixel(2, 2);
    EXPECT_NE(background, qRgb(0, 0, 0));

    v.SetLedDots(true);
    EXPECT_TRUE(v.DrawsDots());
    shot = v.grab().toImage();
    // The middle of an LED is lit; the corner of its cell is the board.
    EXPECT_EQ(shot.pixel(r.left() + 2, r.top() + 2), qRgb(255, 0, 0));
    EXPECT_NE(shot.pixel(r.left(), r.top()), qRgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(2, 2), background);
    v.SetZoom(200); // no room for dots: the plain picture again
    EXPECT_FALSE(v.DrawsDots());

    // A board of 0 x 0 modules draws nothing but the background.
    v.SetModuleSize(0, 0);
    shot = v.grab().toImage();
    EXPECT_EQ(shot.pixel(100, 50), background);
    EXPECT_EQ(shot.pixel(60, 10), background);
}
