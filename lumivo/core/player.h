// SPDX-License-Identifier: GPL-2.0-or-later
// The preview's play loop without a window: one Ad played on a board image
// of one pixel per LED (0x00RRGGBB), paced by 5 ms ticks.
//
// The preview widget and `lumivo-cli render` drive the same object, so both
// show the same frames:
//   - Play(items) builds the play list (one PageInfo per item) and arms the
//     engine; the caller then starts its 5 ms timer.
//   - Tick() is the timer's work: hold countdowns and the step, scroll and
//     frame delays. It only counts and raises the repaint flag; call it from
//     the timer thread or from a loop on virtual time.
//   - Render() is the paint's work: it advances every effect item one step
//     and draws all items into the board image. Call it (on the painting
//     thread) when TakeRepaint() says so, then show Board().
// Wall-clock time (analog clocks) comes from SetClock; with a clock that
// follows the ticks, a render runs on virtual time, faster than real time.
// Locks: "LumivoViewerMutex" around every operation, always taken before
// the engine's "EffectMutex".
#pragma once

#include <qvr/content.h>
#include <qvr/effect.h>
#include <qvr/records.h>

#include <common/platform.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace common {
class NamedMutex;
}

namespace lumivo {

inline constexpr const char* kViewerMutexName = "LumivoViewerMutex";
// The tick the timer runs at, and the hold's ticks per second.
inline constexpr unsigned kTickMs = 5;
inline constexpr unsigned kHoldTicksPerSecond = 201;

// The local time an analog clock shows; false when it cannot be had.
using PlayerClock = std::function<bool(SYSTEMTIME&)>;

// A clock that starts at a given local time and moves only when told: the
// renderer advances it by 5 ms a tick. Copies share the same time.
class VirtualClock {
public:
    // Starts at the computer's local time now.
    VirtualClock();
    explicit VirtualClock(const SYSTEMTIME& start);
    void Advance(unsigned milliseconds);
    uint64_t ElapsedMs() const { return m_state->elapsedMs; }
    bool Now(SYSTEMTIME& out) const;
    // A PlayerClock (and qvr::EffectClock) reading this clock.
    PlayerClock Function() const;

private:
    struct State {
        int64_t startSeconds = 0; // local time as seconds since 1970 (a UTC calendar)
        unsigned startMs = 0;
        uint64_t elapsedMs = 0;
    };
    std::shared_ptr<State> m_state;
};

class CPlayer {
public:
    CPlayer();
    ~CPlayer();
    CPlayer(const CPlayer&) = delete;
    CPlayer& operator=(const CPlayer&) = delete;

    // ---- Set-up (the caller stops its timer first).
    // The content library is borrowed; changing it stops playing.
    void SetContent(CContent* content);
    CContent* Content() const { return m_pContent; }
    // Board of columns x rows modules; the board image is columns x 16 by
    // rows x 16 pixels, kept when the size does not change.
    void SetModuleSize(unsigned columns, unsigned rows);
    // Single-effect mode (the effect dialog): only the first item is shown,
    // its effect of the shown phase (0 start, 1 wait, 2 end) looping.
    void SetSingleEffect(bool on, int phase = 0);
    bool SingleEffect() const { return m_bSingle; }
    int ShownPhase() const { return m_ShownPhase; }

    // ---- Playing.
    // Builds the play list from the Ad's items and starts playing (the
    // caller then starts its timer, 5 ms period). False, and nothing
    // changes, without a content library.
    bool Play(const std::vector<CLumivo>& items);
    // Stops playing (the caller stops its timer); the list stays.
    void Stop();
    bool IsPlaying() const { return m_bPlaying.load(); }

    // One 5 ms tick; returns whether a repaint is requested (also kept in
    // the repaint flag until TakeRepaint).
    bool Tick();
    // The same as that many Tick() calls, under one lock; returns whether
    // any of them asked for a repaint. With nextDue, also gives
    // TicksUntilDue() of the state after them.
    bool Advance(unsigned ticks, unsigned* nextDue = nullptr);
    // Ticks until the next one that asks for a repaint (1: the next tick),
    // counted from the state now; kNeverDue when no tick ever will (nothing
    // playing, or only items that wait for other items' steps). A timer
    // may sleep through the ticks before it and Advance over them.
    static constexpr unsigned kNeverDue = ~0u;
    unsigned TicksUntilDue() const;
    bool RepaintNeeded() const { return m_bRepaint.load(); }
    // Reads and clears the repaint flag.
    bool TakeRepaint() { return m_bRepaint.exchange(false); }
    // Draws into the board image (play-all or single-effect render).
    // False when nothing was drawn: not playing, an empty list or a board
    // of 0 x 0.
    bool Render();

    // ---- The board image: width x height pixels, 0x00RRGGBB, row-major.
    const uint32_t* Board() const { return m_Board.data(); }
    int BoardWidth() const { return m_Width; }
    int BoardHeight() const { return m_Height; }
    unsigned ModuleColumns() const { return m_Columns; }
    unsigned ModuleRows() const { return m_Rows; }

    // ---- Time. Empty: the computer's local time (SystemClock).
    void SetClock(PlayerClock clock);

    // ---- Inspection (tests, tools): the play list, in the Ad's item order.
    size_t EntryCount() const { return m_List.size(); }
    const PageInfo& Entry(size_t i) const { return *m_List[i]; }
    PageInfo& Entry(size_t i) { return *m_List[i]; }
    CEffect& Engine() { return *m_Engine; }

private:
    void BuildEntry(PageInfo& e, const CLumivo& item, int& runningY);
    bool TickLocked();
    unsigned DueLocked() const;
    void RenderEffectItem(PageInfo& e);
    void RenderPicture(PageInfo& e);
    void RenderClock(PageInfo& e);
    void RenderSingle();
    // Copies w x h pixels of the entry's frame from (sx, sy) to the board at
    // (dx, dy), clipped to the stored frame rows and to the board.
    void CopyFrame(const PageInfo& e, int sx, int sy, int w, int h, int dx, int dy);
    bool ReadClock(SYSTEMTIME& t) const;

    std::shared_ptr<common::NamedMutex> m_hMutex; // "LumivoViewerMutex"
    std::unique_ptr<CEffect> m_Engine;
    bool m_bSingle = false;
    int m_ShownPhase = 0;
    CContent* m_pContent = nullptr;
    // Entries are large (the frame storage is inside); they stay put.
    std::vector<std::unique_ptr<PageInfo>> m_List;
    std::atomic<bool> m_bPlaying{false};
    std::atomic<bool> m_bRepaint{false};
    unsigned m_Columns = 0, m_Rows = 0;
    int m_Width = 0, m_Height = 0;
    std::vector<uint32_t> m_Board;
    PlayerClock m_Clock;
};

// Plays on virtual time at the board's own pace: a first paint at time 0,
// then 5 ms ticks (the clock advanced before each) and a paint at every tick
// that asks for one, as a window that keeps up would show it. The output
// samples that play: onFrame(ms) sees the board at each frame time (0,
// frameIntervalMs, 2 x frameIntervalMs ... below totalMs) at which a paint
// has happened since the last frame, so a slower output drops frames and
// never slows the animation. Ticks run while the time is below totalMs and
// stop, when given, answers false after each tick. Returns the number of
// paints.
unsigned PlayVirtual(CPlayer& player, VirtualClock& clock, uint64_t totalMs, unsigned frameIntervalMs,
                     const std::function<void(uint64_t ms)>& onFrame, const std::function<bool()>& stop = {});

// ---- Analog clock pieces (shared with the tests).
namespace analog {

// Hand end offsets, one entry per 6 degrees clockwise from twelve o'clock.
extern const int8_t kHandX[60];
extern const int8_t kHandY[60];

struct Face {
    int size = 0;   // 1 to 4: 16, 32, 48 or 64 pixels square
    int pixels = 0; // width and height
    const uint8_t* bits = nullptr; // 1 bit a pixel, most significant first, rows packed
    int hour = 0, minute = 0, second = 0; // hand lengths
};
// The face of a clock size; sizes above 4 use the 64 x 64 face, sizes
// below 1 have none (pixels 0).
Face FaceOfSize(int size);
// Whether the face's pixel (x, y) is set.
bool FacePixel(const Face& f, int x, int y);

// A line of the given width from (x0, y0) to (x1, y1) into a 32-bit
// raster (stride in pixels), clipped to width x height.
void DrawLine(uint32_t* pixels, int stride, int width, int height, int x0, int y0, int x1, int y1,
              int penWidth, uint32_t colour);

// Colour bytes (face, hour, minute, second) of a colour scheme; schemes
// outside 0..2 use scheme 0.
struct Scheme {
    uint8_t face, hour, minute, second;
};
Scheme SchemeOf(unsigned scheme);

} // namespace analog

} // namespace lumivo
