// SPDX-License-Identifier: GPL-2.0-or-later
// Plays a CPlayer ahead of the wall clock, so that a window need wake only
// when the board will look different: from the last tick reached it counts
// the ticks and makes the steps they ask for, exactly as ticking one by one
// and painting on every asked tick would, until a step draws a board that
// differs from the last frame made (or a horizon is reached). The player's
// board image then holds that frame, to be shown at its tick.
// Clocks (analog faces, live dates and times) read the time of the step's
// own tick, not the time at which it is computed.
// Not thread-safe: one thread drives it (the preview: the GUI thread).
#pragma once

#include "core/player.h"

#include <common/platform.h>

#include <cstdint>
#include <vector>

namespace lumivo {

class CPlayAhead {
public:
    explicit CPlayAhead(CPlayer& player) : m_player(player) {}

    // After CPlayer::Play: makes the first frame at tick 0, on the time
    // given for tick 0.
    void Begin(const SYSTEMTIME& timeAtZero);

    struct Next {
        uint64_t tick = 0;    // the tick reached
        bool changed = false; // the board there is a new frame
        bool never = false;   // no tick will ever ask for a step again
    };
    // Runs on to the first tick whose step changes the board, at most
    // horizon ticks past the last tick reached. `now` is the local time at
    // tick `nowTick` (ticks of kTickMs since tick 0); ticks before it read
    // that time, later ones the time that far on.
    Next Run(unsigned horizon, const SYSTEMTIME& now, uint64_t nowTick);

    uint64_t Tick() const { return m_tick; }
    // Steps made since Begin, its own first one included.
    unsigned long Steps() const { return m_steps; }

private:
    bool Step(); // true when the board changed

    CPlayer& m_player;
    uint64_t m_tick = 0;
    unsigned long m_steps = 0;
    std::vector<uint32_t> m_last; // the last frame made
};

} // namespace lumivo
