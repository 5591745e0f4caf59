// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/lumivo_viewer.h"

#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>

#include <cstring>

namespace {
const QColor kBackground(0x20, 0x20, 0x24);
const QColor kBoard(0x0c, 0x0c, 0x0c);
const QColor kDarkLed(0x26, 0x26, 0x26);
} // namespace

CLumivoViewer::CLumivoViewer(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setObjectName(QStringLiteral("CLumivoViwer"));
    m_timer.AttachListener(*this);
}

CLumivoViewer::~CLumivoViewer()
{
    StopTimer();
    m_timer.DetachListener(*this);
}

void CLumivoViewer::StopTimer()
{
    m_timer.Stop();
    m_player.Stop();
}

void CLumivoViewer::SetContent(CContent* content)
{
    StopTimer();
    m_player.SetContent(content);
    update();
}

bool CLumivoViewer::Play(const std::vector<CLumivo>& items)
{
    StopTimer();
    if (!m_player.Play(items))
        return false;
    m_paints = 0;
    update(); // the first frame at once, then as the ticks ask
    return m_timer.Start(lumivo::kTickMs, 2);
}

void CLumivoViewer::SetSingleEffect(bool on, int phase)
{
    StopTimer();
    m_player.SetSingleEffect(on, phase);
}

void CLumivoViewer::Stop()
{
    StopTimer();
    update();
}

void CLumivoViewer::OnMMTimer(CMMTimer&)
{
    // Only counting here; one queued repaint at a time, the paint draws.
    // Only the board changes while playing: the rest of the widget is not
    // repainted (nor flushed to the screen).
    if (m_player.Tick() && !m_repaintPosted.exchange(true))
        QMetaObject::invokeMethod(this, [this] { update(BoardRect()); }, Qt::QueuedConnection);
}

void CLumivoViewer::SetModuleSize(unsigned columns, unsigned rows)
{
    StopTimer();
    m_player.SetModuleSize(columns, rows);
    m_columns = columns;
    m_rows = rows;
    const QSize size = BoardPixelSize();
    if (m_board.size() == size)
        return;
    if (size.isEmpty()) {
        m_board = QImage();
    } else {
        m_board = QImage(size, QImage::Format_RGB32);
        m_board.fill(Qt::black);
    }
    if (m_fit)
        ApplyZoom(m_zoom, true);
    m_dotsStale = true;
    update();
}

void CLumivoViewer::setBoardImage(const QImage& image)
{
    StopTimer();
    if (m_board.isNull())
        return;
    m_board.fill(Qt::black);
    QPainter p(&m_board);
    p.drawImage(0, 0, image);
    p.end();
    m_dotsStale = true;
    update();
}

void CLumivoViewer::SetZoom(int zoom) { ApplyZoom(zoom, false); }

void CLumivoViewer::SetFit(bool on) { ApplyZoom(m_zoom, on); }

void CLumivoViewer::ApplyZoom(int zoom, bool fit)
{
    const QSize board = BoardPixelSize();
    if (fit && !board.isEmpty() && width() > 0 && height() > 0)
        zoom = qMin(width() * 100 / board.width(), height() * 100 / board.height());
    zoom = qBound(kMinZoom, zoom, kMaxZoom);
    const bool changed = zoom != m_zoom || fit != m_fit;
    m_zoom = zoom;
    m_fit = fit;
    update();
    if (changed)
        emit zoomChanged(m_zoom, m_fit);
}

void CLumivoViewer::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_fit)
        ApplyZoom(m_zoom, true);
}

void CLumivoViewer::SetLedDots(bool on)
{
    m_ledDots = on;
    update();
}

QRect CLumivoViewer::BoardRect() const
{
    const QSize board = BoardPixelSize();
    const int w = board.width() * m_zoom / 100;
    const int h = board.height() * m_zoom / 100;
    return {(width() - w) / 2, (height() - h) / 2, w, h};
}

void CLumivoViewer::paintEvent(QPaintEvent*)
{
    m_repaintPosted = false;
    if (m_timer.IsRunning() && !m_board.isNull() && m_player.Render() &&
        m_player.BoardWidth() == m_board.width() && m_player.BoardHeight() == m_board.height()) {
        ++m_paints;
        const int w = m_board.width();
        for (int y = 0; y < m_board.height(); ++y)
            std::memcpy(m_board.scanLine(y), m_player.Board() + size_t(y) * size_t(w), size_t(w) * 4);
        m_dotsStale = true;
    }
    QPainter p(this);
    p.fillRect(rect(), kBackground);
    if (m_board.isNull())
        return;
    const QRect target = BoardRect();
    if (!DrawsDots()) {
        p.drawImage(target, m_board);
        return;
    }
    p.drawImage(target.topLeft(), DotsImage(target.size()));
}

const QImage& CLumivoViewer::DotsImage(const QSize& size)
{
    const double cell = m_zoom / 100.0;
    const int side = qMax(1, int(cell));
    if (m_dotSide != side) {
        m_dots.clear();
        m_dotSide = side;
        m_dotsStale = true;
    }
    if ((!m_dotsStale && m_dotsImage.size() == size) || size.isEmpty())
        return m_dotsImage;
    // One dot per LED, a little smaller than its cell so the board shows
    // between them; dark LEDs stay faintly visible as on a real board. The
    // dots are drawn once per colour and size, then only copied, row by row.
    if (m_dotsImage.size() != size)
        m_dotsImage = QImage(size, QImage::Format_RGB32);
    m_dotsImage.fill(kBoard);
    QRgb lastColour = 0;
    const QImage* dot = nullptr;
    for (int y = 0; y < m_board.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(m_board.constScanLine(y));
        const int top = int(y * cell);
        for (int x = 0; x < m_board.width(); ++x) {
            const QRgb colour = line[x] & 0xFFFFFF;
            if (!dot || colour != lastColour) { // runs of one colour skip the lookup
                dot = &Dot(colour);
                lastColour = colour;
            }
            const int left = int(x * cell);
            const int w = qMin(side, size.width() - left), h = qMin(side, size.height() - top);
            if (w <= 0)
                continue;
            for (int r = 0; r < h; ++r)
                std::memcpy(m_dotsImage.scanLine(top + r) + size_t(left) * 4, dot->constScanLine(r), size_t(w) * 4);
        }
    }
    m_dotsStale = false;
    return m_dotsImage;
}

const QImage& CLumivoViewer::Dot(QRgb colour)
{
    auto it = m_dots.find(colour);
    if (it != m_dots.end())
        return it->second;
    QImage dot(m_dotSide, m_dotSide, QImage::Format_RGB32);
    dot.fill(kBoard);
    QPainter p(&dot);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(colour ? QColor::fromRgb(colour) : kDarkLed);
    const double d = m_dotSide * 0.8;
    p.drawEllipse(QRectF((m_dotSide - d) / 2, (m_dotSide - d) / 2, d, d));
    p.end();
    // Pictures can hold any colour; the cache stays small all the same.
    if (m_dots.size() > 256)
        m_dots.clear();
    return m_dots.emplace(colour, std::move(dot)).first->second;
}

void CLumivoViewer::wheelEvent(QWheelEvent* event)
{
    const int delta = event->angleDelta().y();
    if (delta > 0) {
        if (m_zoom < kMaxZoom)
            SetZoom(m_zoom + kZoomStep);
    } else if (m_zoom > kMinZoom) {
        SetZoom(m_zoom - kZoomStep);
    }
    event->accept();
}

void CLumivoViewer::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        setFocus(Qt::MouseFocusReason);
        m_capture = true;
        grabMouse();
    }
}

void CLumivoViewer::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_capture) {
        m_capture = false;
        releaseMouse();
    }
}

void CLumivoViewer::mouseMoveEvent(QMouseEvent*)
{
    if (m_capture)
        update();
}

CLumivoViewerWnd::CLumivoViewerWnd(QWidget* parent) : QDockWidget(parent), m_viewer(new CLumivoViewer(this))
{
    setObjectName(QStringLiteral("PreviewPane"));
    m_viewer->SetZoom(200);
    setWidget(m_viewer);
    setAllowedAreas(Qt::AllDockWidgetAreas);
    resize(400, 200);
}

void CLumivoViewerWnd::Clear()
{
    m_viewer->SetContent(nullptr);
    m_viewer->SetModuleSize(0, 0);
    m_viewer->update();
}

void CLumivoViewerWnd::ResizeBoard(unsigned columns, unsigned rows)
{
    m_viewer->SetModuleSize(columns, rows);
    m_viewer->update();
}
