// SPDX-License-Identifier: GPL-2.0-or-later
// The preview: a board image (one pixel per LED) scaled by a zoom factor and
// centred in the window; or, when the View option is on and the zoom leaves
// room, drawn as a real board looks: a round lit dot per LED on a dark board.
//
// Playing: Play(items) hands one Ad to the player, whose 5 ms ticks run on
// the monotonic clock from that moment. The player is played ahead to the
// next tick whose frame differs (a second ahead at most), and the widget
// wakes at that tick to show it: a still board wakes it once a second, a
// board with nothing due never. Only the board's rectangle is repainted.
#pragma once

#include "core/play_ahead.h"
#include "core/player.h"

#include <qvr/records.h>

#include <QDockWidget>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdint>
#include <unordered_map>
#include <vector>

class CContent;

class CLumivoViewer : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMinZoom = 50;
    static constexpr int kMaxZoom = 500;
    static constexpr int kZoomStep = 10;
    // From this zoom on an LED is at least 3 pixels wide, enough for a dot.
    static constexpr int kMinDotZoom = 300;

    explicit CLumivoViewer(QWidget* parent = nullptr);
    ~CLumivoViewer() override;

    // The document's content library (borrowed); null stops playing.
    void SetContent(CContent* content);
    // Plays one Ad until another comes; false without a content library.
    bool Play(const std::vector<CLumivo>& items);
    void Stop();
    bool IsPlaying() const { return m_playing; }
    // The effect dialog's mode: only the first item, its effect of the
    // phase (0 start, 1 wait, 2 end) over and over. Stops playing.
    void SetSingleEffect(bool on, int phase = 0);
    // Steps made while playing (each one is one step of every effect).
    unsigned long PaintCount() const { return m_begun ? m_ahead.Steps() : 0; }
    // The tick (of lumivo::kTickMs) those steps have reached.
    uint64_t PlayedTicks() const { return m_begun ? m_ahead.Tick() : 0; }
    // What it plays (its play list), for inspection only.
    const lumivo::CPlayer& Player() const { return m_player; }

    // The board's size in 16 × 16 modules; the board image is resized (and
    // cleared) when it changes.
    void SetModuleSize(unsigned columns, unsigned rows);
    unsigned ModuleColumns() const { return m_columns; }
    unsigned ModuleRows() const { return m_rows; }
    QSize BoardPixelSize() const { return {int(m_columns * 16), int(m_rows * 16)}; }

    // A still picture to show: copied into the board image at (0, 0);
    // parts beyond the board are clipped. Stops playing.
    void setBoardImage(const QImage& image);
    const QImage& BoardImage() const { return m_board; }

    int Zoom() const { return m_zoom; }
    // A zoom of its own (kept within kMinZoom..kMaxZoom) ends fitting.
    void SetZoom(int zoom);
    // Fitting: the zoom follows the window, the whole board as large as it
    // fits (never beyond the zoom limits).
    void SetFit(bool on);
    bool Fits() const { return m_fit; }
    // The keyboard's and the menu's steps, from the zoom shown now.
    static constexpr int kKeyZoomStep = 25;
    void ZoomIn() { SetZoom(m_zoom + kKeyZoomStep); }
    void ZoomOut() { SetZoom(m_zoom - kKeyZoomStep); }
    bool LedDots() const { return m_ledDots; }
    void SetLedDots(bool on);
    // Where the scaled board lands in the window.
    QRect BoardRect() const;
    bool DrawsDots() const { return m_ledDots && m_zoom >= kMinDotZoom; }
    QSize sizeHint() const override { return {400, 200}; }
    QSize minimumSizeHint() const override { return {120, 80}; }

signals:
    // After every change of the zoom or of fitting.
    void zoomChanged(int zoom, bool fit);

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // Shows the frame due now and plays ahead to the next one.
    void OnWake();
    // Copies the player's board into the board image; repaints it.
    void ShowPlayerBoard();
    void StopTimer();
    void ApplyZoom(int zoom, bool fit);
    const QImage& Dot(QRgb colour);
    // The board as dots, drawn once per new frame (or zoom), then copied.
    const QImage& DotsImage(const QSize& size);

    lumivo::CPlayer m_player;
    lumivo::CPlayAhead m_ahead{m_player};
    QTimer m_wake; // single shot, to the tick of the next frame
    bool m_playing = false;
    bool m_begun = false; // the first frame is made
    std::chrono::steady_clock::time_point m_playStart; // tick 0
    unsigned m_columns = 0;
    unsigned m_rows = 0;
    QImage m_board;
    int m_zoom = 100;
    bool m_fit = false;
    bool m_ledDots = false;
    int m_dotSide = 0;
    std::unordered_map<QRgb, QImage> m_dots; // one drawn dot per colour
    QImage m_dotsImage;
    bool m_dotsStale = true; // the board changed since m_dotsImage was drawn
    bool m_capture = false;
};

class CLumivoViewerWnd : public QDockWidget {
    Q_OBJECT
public:
    explicit CLumivoViewerWnd(QWidget* parent = nullptr);
    CLumivoViewer* Viewer() const { return m_viewer; }
    void Clear();
    void ResizeBoard(unsigned columns, unsigned rows);

private:
    CLumivoViewer* m_viewer;
};
