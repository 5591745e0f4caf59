// SPDX-License-Identifier: GPL-2.0-or-later
// The page the Ad editor lays out: items stacked from the top of the board,
// each band as many 16-dot lines high as its item says. The rules of adding,
// replacing and deleting bands and of a finished page live here; the
// editor's strip only draws them.
#pragma once

#include "core/result.h"

#include <qvr/records.h>

#include <cstddef>
#include <vector>

namespace lumivo {

class CPageLayout {
public:
    // A board `boardLines` 16-dot lines high holding `items` (as loaded, not checked).
    explicit CPageLayout(unsigned boardLines, std::vector<CLumivo> items = {});

    const std::vector<CLumivo>& Items() const { return m_items; }
    size_t Count() const { return m_items.size(); }
    unsigned BoardLines() const { return m_boardLines; }
    unsigned UsedLines() const;
    // Lines still free (0 when the bands fill or overfill the board).
    unsigned FreeLines() const;
    // First line of a band (0-based from the top).
    unsigned Top(size_t band) const;

    // A new band at the bottom. Refused with "ErrMaxAdvt", changing nothing,
    // when it is higher than the lines left or the page holds four items.
    Result Add(const CLumivo& item);
    // The band's item replaced; refused the same way when the new item is
    // higher than its band plus the lines left, or the band does not exist.
    Result Replace(size_t band, const CLumivo& item);
    // The band removed; the bands below move up.
    Result Remove(size_t band);
    // A page is finished when less than one line is left empty; otherwise
    // fails with "ErrEmptyRegion".
    Result CheckFilled() const;

private:
    unsigned m_boardLines;
    std::vector<CLumivo> m_items;
};

} // namespace lumivo
