// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/play_ahead.h"

#include <qvr/effect.h>

#include <algorithm>
#include <cstring>

namespace lumivo {

namespace {

// The player's and the engine's clocks read `clock` while it lives.
class ClockScope {
public:
    ClockScope(CPlayer& player, const VirtualClock& clock)
        : m_player(player), m_engineBefore(qvr::SetEffectClock(clock.Function()))
    {
        player.SetClock(clock.Function());
    }
    ~ClockScope() { qvr::SetEffectClock(m_engineBefore); }
    ClockScope(const ClockScope&) = delete;
    ClockScope& operator=(const ClockScope&) = delete;

private:
    CPlayer& m_player;
    qvr::EffectClock m_engineBefore;
};

} // namespace

void CPlayAhead::Begin(const SYSTEMTIME& timeAtZero)
{
    m_tick = 0;
    m_steps = 0;
    m_last.clear();
    VirtualClock clock(timeAtZero);
    ClockScope scope(m_player, clock);
    Step();
}

bool CPlayAhead::Step()
{
    if (!m_player.Render())
        return false;
    ++m_steps;
    const size_t n = size_t(m_player.BoardWidth()) * size_t(m_player.BoardHeight());
    const uint32_t* board = m_player.Board();
    if (m_last.size() == n && std::memcmp(m_last.data(), board, n * sizeof(uint32_t)) == 0)
        return false;
    m_last.assign(board, board + n);
    return true;
}

CPlayAhead::Next CPlayAhead::Run(unsigned horizon, const SYSTEMTIME& now, uint64_t nowTick)
{
    // Ticks up to nowTick read `now`; later ones that much later.
    VirtualClock clock(now);
    auto moveClockTo = [&](uint64_t tick) {
        const uint64_t target = tick > nowTick ? (tick - nowTick) * kTickMs : 0;
        while (clock.ElapsedMs() < target)
            clock.Advance(unsigned(std::min<uint64_t>(target - clock.ElapsedMs(), 1u << 30)));
    };
    ClockScope scope(m_player, clock);
    const uint64_t end = m_tick + std::max(horizon, 1u);
    unsigned due = m_player.TicksUntilDue();
    while (m_tick < end) {
        if (due == CPlayer::kNeverDue)
            return {m_tick, false, true};
        if (m_tick + due > end) {
            // Nothing asks before the horizon: count up to it, no step.
            m_player.Advance(unsigned(end - m_tick));
            m_tick = end;
            break;
        }
        m_player.Advance(due); // its last tick asks for the step
        m_tick += due;
        m_player.TakeRepaint();
        moveClockTo(m_tick);
        const bool changed = Step();
        due = m_player.TicksUntilDue();
        if (changed)
            return {m_tick, true, false};
    }
    return {m_tick, false, false};
}

} // namespace lumivo
