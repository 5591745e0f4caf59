// SPDX-License-Identifier: GPL-2.0-or-later
#include "calendar_schedule.h"

#include "core/companion.h"
#include "core/project.h"
#include "core/schedule_ics.h"

#include <algorithm>

namespace agent {
namespace {

// How far ahead the loop is told of the next change: it wakes then and asks again.
constexpr std::time_t kLookAhead = 8 * 24 * 3600;

} // namespace

lumivo::Result CCalendarSchedule::Load(const std::string& body, const std::string& contentType)
{
    lumivo::Schedule schedule;
    if (!body.empty()) {
        if (contentType.rfind("text/calendar", 0) == 0) {
            if (lumivo::Result r = lumivo::ReadCalendar(body, lumivo::SystemZoneName(), schedule); !r)
                return r;
        } else {
            lumivo::CCompanion companion;
            if (lumivo::Result r = companion.Parse(body, "the schedule"); !r)
                return r;
            schedule = companion.GetSchedule();
        }
        if (lumivo::Result r = lumivo::CheckSchedule(schedule); !r)
            return r;
    }
    m_schedule = std::move(schedule);
    m_eval.reset();
    return {};
}

ScheduleAnswer CCalendarSchedule::At(const lumivo::CProjectCore& project, Ms now) const
{
    ScheduleAnswer a;
    std::vector<unsigned> defaults = UsedPages(project); // 1-based
    if (m_schedule.empty()) {
        a.pages = std::move(defaults);
        a.why = "the project's Uses boxes";
        return a;
    }
    for (unsigned& p : defaults)
        --p;
    if (!m_eval || defaults != m_evalDefault || project.PageCount() != m_evalPages) {
        m_evalDefault = defaults;
        m_evalPages = project.PageCount();
        m_eval.reset();
        const lumivo::Result r = lumivo::CScheduleEvaluator::Make(m_schedule, defaults, m_evalPages, m_eval);
        m_evalError = r ? std::string() : r.FirstError();
    }
    if (!m_eval) {
        for (unsigned p : defaults)
            a.pages.push_back(p + 1);
        a.why = "the project's Uses boxes (the schedule cannot be evaluated: " + m_evalError + ")";
        return a;
    }
    const std::time_t t = std::time_t(now / kSecond);
    const lumivo::ScheduleState state = m_eval->At(t);
    for (unsigned p : state.pages)
        a.pages.push_back(p + 1);
    if (state.isDefault) {
        a.why = "the project's Uses boxes (no schedule entry in force)";
    } else {
        a.why = "schedule entry ";
        for (size_t i = 0; i < state.entries.size(); ++i)
            a.why += (i ? ", \"" : "\"") + m_schedule.entries[state.entries[i]].name + "\"";
    }
    if (const auto next = m_eval->NextChange(t, t + kLookAhead))
        a.nextChange = Ms(*next) * kSecond;
    else
        a.nextChange = Ms(t + kLookAhead) * kSecond;
    return a;
}

std::vector<std::string> CCalendarSchedule::EntryNames() const
{
    std::vector<std::string> names;
    for (const lumivo::ScheduleEntry& e : m_schedule.entries)
        if (std::find(names.begin(), names.end(), e.name) == names.end())
            names.push_back(e.name);
    return names;
}

bool CCalendarSchedule::Entry(const lumivo::CProjectCore& project, const std::string& name, ScheduleAnswer& a) const
{
    for (const lumivo::ScheduleEntry& e : m_schedule.entries) {
        if (e.name != name)
            continue;
        a = ScheduleAnswer();
        for (unsigned p : e.pages)
            if (p < project.PageCount())
                a.pages.push_back(p + 1);
        std::sort(a.pages.begin(), a.pages.end());
        a.why = "schedule entry \"" + name + "\", chosen until it is set back to the schedule";
        return true;
    }
    return false;
}

} // namespace agent
