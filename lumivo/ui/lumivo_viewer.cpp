// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/lumivo_viewer.h"

#include "core/clock.h"

#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cstring>

namespace {
const QColor kBackground(0x20, 0x20, 0x24);
const QColor kBoard(0x0c, 0x0c, 0x0c);
const QColor kDarkLed(0x26, 0x26, 0x26);
// The most ticks played at one wake, and played ahead (one second each).
constexpr uint64_t kMaxCatchUp = 1000 / lumivo::kTickMs;
constexpr unsigned kHorizon = 1000 / lumivo::kTickMs;
} // namespace

CLumivoViewer::CLumivoViewer(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setObjectName(QStringLiteral("CLumivoViwer"));
    m_wake.setSingleShot(true);
    m_wake.setTimerType(Qt::PreciseTimer);
    connect(&m_wake, &QTimer::timeout, this, &CLumivoViewer::OnWake);
}

CLumivoViewer::~CLumivoViewer()
{
    StopTimer();
}

void CLumivoViewer::StopTimer()
{
    m_wake.stop();
    m_playing = false;
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
    m_playing = true;
    m_begun = false;
    m_playStart = std::chrono::steady_clock::now();
    m_wake.start(0); // the first frame at once, then as the ticks ask
    return true;
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

void CLumivoViewer::OnWake()
{
    using namespace std::chrono;
    if (!m_playing)
        return;
    constexpr auto tick = milliseconds(lumivo::kTickMs);
    const auto now = steady_clock::now();
    uint64_t nowTick = uint64_t((now - m_playStart) / tick);
    // Far behind (a stopped debugger, a swamped machine): the time lost is
    // skipped, not played through in a burst.
    if (nowTick > m_ahead.Tick() + kMaxCatchUp) {
        m_playStart += int64_t(nowTick - m_ahead.Tick() - kMaxCatchUp) * tick;
        nowTick = m_ahead.Tick() + kMaxCatchUp;
    }
    const SYSTEMTIME wall = lumivo::SystemClock().LocalNow();
    if (!m_begun) {
        m_begun = true;
        m_ahead.Begin(wall);
    }
    ShowPlayerBoard(); // the frame of the tick woken for
    for (;;) {
        const lumivo::CPlayAhead::Next next = m_ahead.Run(kHorizon, wall, nowTick);
        if (next.never)
            return; // no tick will ask for a step: nothing to wake for
        if (next.tick <= nowTick) {
            if (next.changed)
                ShowPlayerBoard(); // due already: shown now
            continue;
        }
        // Whole milliseconds, rounded up: a wake a little late finds the
        // frame due, one early would show it early.
        const auto wait = ceil<milliseconds>(m_playStart + int64_t(next.tick) * tick - steady_clock::now());
        m_wake.start(int(std::max<milliseconds::rep>(wait.count(), 0)));
        return;
    }
}

void CLumivoViewer::ShowPlayerBoard()
{
    if (m_board.isNull() || m_player.BoardWidth() != m_board.width() ||
        m_player.BoardHeight() != m_board.height())
        return;
    const int w = m_board.width();
    const size_t rowBytes = size_t(w) * 4;
    bool changed = false;
    for (int y = 0; y < m_board.height(); ++y) {
        const uint32_t* src = m_player.Board() + size_t(y) * size_t(w);
        if (std::memcmp(m_board.constScanLine(y), src, rowBytes) != 0) {
            std::memcpy(m_board.scanLine(y), src, rowBytes);
            changed = true;
        }
    }
    if (changed) {
        m_dotsStale = true;
        update(BoardRect());
    }
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
