// SPDX-License-Identifier: GPL-2.0-or-later
#include "project_uses.h"

#include "schedule_source.h"

#include "core/project.h"

#include <mutex>
#include <optional>

namespace agent {

std::vector<unsigned> ProjectUses(const DesiredState& d)
{
    static std::mutex lock;
    static std::optional<uint64_t> revision;
    static std::vector<unsigned> uses;
    if (d.project.empty())
        return {};
    std::lock_guard lk(lock);
    if (revision != d.projectRevision) {
        // The Uses bytes need no content library.
        lumivo::CProjectCore core([](int) { return std::optional<std::vector<uint8_t>>(); });
        uses = core.LoadBytes(d.project.data(), d.project.size()) ? UsedPages(core) : std::vector<unsigned>{};
        revision = d.projectRevision;
    }
    return uses;
}

lumivo::Result SetProjectUses(DesiredState& d, const std::set<unsigned>& uses)
{
    if (d.project.empty())
        return lumivo::Result::Fail("no project has been pushed");
    // With its content library, so the user images are written back as read.
    lumivo::CProjectCore core;
    if (lumivo::Result r = core.LoadBytes(d.project.data(), d.project.size()); !r)
        return r;
    if (!uses.empty() && *uses.rbegin() > core.PageCount())
        return lumivo::Result::Fail("there is no Ad " + std::to_string(*uses.rbegin()) + " (the project has " +
                                    std::to_string(core.PageCount()) + ")");
    for (unsigned page = 0; page < core.PageCount(); ++page)
        if (lumivo::Result r = core.SetPageUsed(page, uses.count(page + 1) > 0); !r)
            return r;
    d.project = core.Serialize();
    d.projectRevision = d.revision + 1;
    return {};
}

} // namespace agent
