// SPDX-License-Identifier: GPL-2.0-or-later
// Where the agent learns which Ads should play at an instant. The project's
// own Uses boxes answer by default; a calendar evaluator plugs in behind the
// same interface. The reconcile loop calls it on its own thread only.
#pragma once

#include "agent_time.h"

#include "core/result.h"

#include <optional>
#include <string>
#include <vector>

namespace lumivo {
class CProjectCore;
}

namespace agent {

struct ScheduleAnswer {
    std::vector<unsigned> pages; // active Ads, 1-based, ascending
    Ms nextChange = kNever;      // the next instant the answer may differ
    std::string why;             // for people: which rule chose these pages
};

class IScheduleSource {
public:
    virtual ~IScheduleSource() = default;
    // Takes a stored schedule body ("application/json" for the project's
    // companion, "text/calendar" for iCalendar); an empty body removes it.
    // A refused body leaves the previous schedule in force.
    virtual lumivo::Result Load(const std::string& body, const std::string& contentType) = 0;
    // The pages of project that play at now.
    virtual ScheduleAnswer At(const lumivo::CProjectCore& project, Ms now) const = 0;
    // The loaded schedule's entry names, in order (duplicates once).
    virtual std::vector<std::string> EntryNames() const { return {}; }
    // The pages of the entry of that name, as if it alone were in force;
    // false when the schedule has none of that name.
    virtual bool Entry(const lumivo::CProjectCore&, const std::string&, ScheduleAnswer&) const { return false; }
};

// The pages whose Uses box is checked, at every instant. A stored schedule
// body is kept, and named in "why", but does not change the answer.
class CUsesSchedule final : public IScheduleSource {
public:
    lumivo::Result Load(const std::string& body, const std::string& contentType) override;
    ScheduleAnswer At(const lumivo::CProjectCore& project, Ms now) const override;

private:
    bool m_hasBody = false;
};

// The Uses boxes of a project: pages (1-based) whose items play.
std::vector<unsigned> UsedPages(const lumivo::CProjectCore& project);

} // namespace agent
