// SPDX-License-Identifier: GPL-2.0-or-later
// Which Ads of a project no longer show whole on its board: characters its
// content library cannot draw exactly, or pages higher than the board. Asked
// again after the board changes, since an Ad made for one board may lose
// characters or lines on another.
#pragma once

#include "core/project.h"

#include <string>
#include <vector>

namespace lumivo {

struct InexactAd {
    unsigned page = 0;    // 0-based
    std::u16string chars; // each character once, in order of appearance
};

// Text items only (other kinds draw no glyphs of the board fonts); pages in
// order, each named once.
std::vector<InexactAd> InexactAds(const CProjectCore& project);

// The pages (0-based) higher than the board, whose lower items fall off it.
std::vector<unsigned> TallAds(const CProjectCore& project);

} // namespace lumivo
