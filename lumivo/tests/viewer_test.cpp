// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/lumivo_viewer.h"

#include <gtest/gtest.h>

#include <QApplication>
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
