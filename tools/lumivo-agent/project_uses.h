// SPDX-License-Identifier: GPL-2.0-or-later
// The Uses boxes of the stored project: read for the state, and changed in
// place (the rest of the project file as it was) for the web page's boxes.
#pragma once

#include "desired.h"

#include "core/result.h"

#include <set>
#include <vector>

namespace agent {

// The 1-based Ads whose Uses box is checked; empty without a project.
// Cached per project revision; any thread.
std::vector<unsigned> ProjectUses(const DesiredState& d);

// Checks exactly the Ads in uses (1-based) and clears the others, in d's
// project; fails, changing nothing, without a project or for an Ad the
// project does not have.
lumivo::Result SetProjectUses(DesiredState& d, const std::set<unsigned>& uses);

} // namespace agent
