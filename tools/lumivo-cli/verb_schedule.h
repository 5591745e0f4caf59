// SPDX-License-Identifier: GPL-2.0-or-later
// What the schedule verbs share: the evaluator of a project, times read and
// written in the schedule's zone, the --now clock, and the state as text
// and JSON.
#pragma once

#include "cli.h"

#include "core/clock.h"
#include "core/schedule_eval.h"

#include <ctime>
#include <memory>
#include <string>

namespace cli {

// The evaluator of the project's schedule, the Uses boxes as default set;
// a Failure when the schedule cannot be evaluated.
std::unique_ptr<lumivo::CScheduleEvaluator> ScheduleEvaluator(const lumivo::CProjectCore& project);

// "YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS", local time in the schedule's
// zone; "now" for the clock's time. A usage error names the option.
std::time_t ParseInstant(const lumivo::CScheduleEvaluator& eval, const std::string& text, const std::string& what,
                         const lumivo::ScheduleClock& clock);
std::string FormatInstant(const lumivo::CScheduleEvaluator& eval, std::time_t t);

// The --now option: the clock starts at that time and runs on in real time
// (tests and rehearsals); the system clock without it.
lumivo::ScheduleClock ClockOf(const Args& args, const lumivo::CScheduleEvaluator& eval);
Option NowOption();

// The local time of an instant in the schedule's zone, as the board's clock takes it.
SYSTEMTIME LocalSystemTime(const lumivo::CScheduleEvaluator& eval, std::time_t t);

// The schedule's clock as the board's: local time in the schedule's zone,
// so a board whose clock is set at connect shows the time the schedule
// plays (--now too). Borrows the evaluator.
class CScheduleBoardClock final : public lumivo::IClock {
public:
    CScheduleBoardClock(const lumivo::CScheduleEvaluator& eval, lumivo::ScheduleClock clock)
        : m_eval(eval), m_clock(std::move(clock))
    {
    }
    SYSTEMTIME LocalNow() const override;
    SYSTEMTIME UtcNow() const override;

private:
    const lumivo::CScheduleEvaluator& m_eval;
    lumivo::ScheduleClock m_clock;
};

// "Ads 1, 3 (Breakfast, Lunch)" or "Ads 1, 2 (default)".
std::string StateText(const lumivo::Schedule& schedule, const lumivo::ScheduleState& state);
// {"pages":[1,3],"entries":["Breakfast"],"default":false}
std::string StateJson(const lumivo::Schedule& schedule, const lumivo::ScheduleState& state);

} // namespace cli
