// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/page_layout.h"
#include "core/core_text.h"

#include "core/item_text.h"
#include "core/project.h"

#include <common/text.h>

namespace lumivo {

namespace {

Result Refuse(const char* key) { return Result::Fail(common::Utf16ToUtf8(LangText("Error", key))); }

} // namespace

CPageLayout::CPageLayout(unsigned boardLines, std::vector<CLumivo> items)
    : m_boardLines(boardLines), m_items(std::move(items))
{
}

unsigned CPageLayout::UsedLines() const
{
    unsigned lines = 0;
    for (const CLumivo& item : m_items)
        lines += ItemLines(item);
    return lines;
}

unsigned CPageLayout::FreeLines() const
{
    const unsigned used = UsedLines();
    return used < m_boardLines ? m_boardLines - used : 0;
}

unsigned CPageLayout::Top(size_t band) const
{
    unsigned top = 0;
    for (size_t i = 0; i < band && i < m_items.size(); ++i)
        top += ItemLines(m_items[i]);
    return top;
}

Result CPageLayout::Add(const CLumivo& item)
{
    if (m_items.size() >= kMaxPageItems || ItemLines(item) > FreeLines())
        return Refuse("ErrMaxAdvt");
    m_items.push_back(item);
    return {};
}

Result CPageLayout::Replace(size_t band, const CLumivo& item)
{
    if (band >= m_items.size() || ItemLines(item) > FreeLines() + ItemLines(m_items[band]))
        return Refuse("ErrMaxAdvt");
    m_items[band] = item;
    return {};
}

Result CPageLayout::Remove(size_t band)
{
    if (band >= m_items.size())
        return Result::Fail(CoreText("NoSuchBand", "there is no such band"));
    m_items.erase(m_items.begin() + static_cast<long>(band));
    return {};
}

Result CPageLayout::CheckFilled() const
{
    if (UsedLines() < m_boardLines)
        return Refuse("ErrEmptyRegion");
    return {};
}

} // namespace lumivo
