// SPDX-License-Identifier: GPL-2.0-or-later
// The agent's schedule: the project core's evaluator behind the agent's
// schedule seam. A stored body is the project's companion JSON (its
// "schedule" section) or an iCalendar file; with no body, or no entry in
// force, the project's Uses boxes decide. The reconcile loop's thread only.
#pragma once

#include "schedule_source.h"

#include "core/schedule.h"
#include "core/schedule_eval.h"

#include <memory>

namespace agent {

class CCalendarSchedule final : public IScheduleSource {
public:
    lumivo::Result Load(const std::string& body, const std::string& contentType) override;
    ScheduleAnswer At(const lumivo::CProjectCore& project, Ms now) const override;
    std::vector<std::string> EntryNames() const override;
    bool Entry(const lumivo::CProjectCore& project, const std::string& name, ScheduleAnswer& a) const override;

private:
    lumivo::Schedule m_schedule;
    // The evaluator is made for one project shape (its Uses boxes and page
    // count) and made again when that changes.
    mutable std::unique_ptr<lumivo::CScheduleEvaluator> m_eval;
    mutable std::vector<unsigned> m_evalDefault;
    mutable unsigned m_evalPages = 0;
    mutable std::string m_evalError;
};

} // namespace agent
