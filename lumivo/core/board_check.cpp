// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/board_check.h"

#include "core/cell_glyph.h"
#include "core/page_layout.h"

namespace lumivo {

std::vector<InexactAd> InexactAds(const CProjectCore& project)
{
    std::vector<InexactAd> out;
    for (const CAdEntry& e : project.Entries()) {
        if (e.item.type != LUMIVO_TEXT && e.item.type != LUMIVO_ENG2LINE)
            continue;
        const std::u16string chars = InexactChars(project.Content(), e.item.chars, CLumivo::kCells);
        if (chars.empty())
            continue;
        if (out.empty() || out.back().page != e.page)
            out.push_back({e.page, {}});
        for (char16_t c : chars)
            if (out.back().chars.find(c) == std::u16string::npos)
                out.back().chars += c;
    }
    return out;
}

std::vector<unsigned> TallAds(const CProjectCore& project)
{
    std::vector<unsigned> out;
    const unsigned lines = project.Board().moduleRow;
    for (unsigned page = 0; page < project.PageCount(); ++page)
        if (CPageLayout(lines, project.PageItems(page)).UsedLines() > lines)
            out.push_back(page);
    return out;
}

} // namespace lumivo
