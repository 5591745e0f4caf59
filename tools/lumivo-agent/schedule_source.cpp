// SPDX-License-Identifier: GPL-2.0-or-later
#include "schedule_source.h"

#include "core/project.h"

namespace agent {

std::vector<unsigned> UsedPages(const lumivo::CProjectCore& project)
{
    std::vector<unsigned> pages;
    for (unsigned p = 0; p < project.PageCount(); ++p) {
        const std::vector<CLumivo> items = project.PageItems(p);
        if (!items.empty() && items.front().skip == 0)
            pages.push_back(p + 1);
    }
    return pages;
}

lumivo::Result CUsesSchedule::Load(const std::string& body, const std::string& contentType)
{
    m_hasBody = !body.empty();
    return {};
}

ScheduleAnswer CUsesSchedule::At(const lumivo::CProjectCore& project, Ms now) const
{
    ScheduleAnswer a;
    a.pages = UsedPages(project);
    a.why = m_hasBody ? "the project's Uses boxes (the stored schedule is not evaluated by this build)"
                      : "the project's Uses boxes";
    return a;
}

} // namespace agent
