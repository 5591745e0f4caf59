// SPDX-License-Identifier: BSD-2-Clause
// The page analysis and the drawing of an item's text into the line buffer.
#include "qvr/effect.h"

#include "effect_internal.h"

#include <algorithm>
#include <cstring>

namespace {

bool IsAsciiLetter(unsigned c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool IsTwistCylinder(uint16_t code) { return code == 95 || code == 96 || code == 97; }
bool IsTwistDrum(uint16_t code) { return code == 98 || code == 99; }

} // namespace

int CEffect::CellsLeft(const CLumiChar* cells) const
{
    // Cells of the current item are bounded by the item's end; a line from
    // anywhere else by the longest line an item holds.
    if (m_pPage) {
        const CLumiChar* begin = m_pPage->item.chars;
        const CLumiChar* end = begin + CLumivo::kCells;
        if (cells >= begin && cells < end)
            return static_cast<int>(end - cells);
    }
    return CLumivo::kCells;
}

long CEffect::LineWidth(const CLumiChar* cells, int count) const
{
    // Never past the item's end, even for a line without an end mark.
    return CContent::GetLumiCharWidth(cells, static_cast<size_t>(std::max(count, 0)));
}

void CEffect::analyze_pHangMok(int)
{
    PageInfo* p = m_pPage;
    if (!p)
        return;
    CLumivo& item = p->item;
    if (item.type == LUMIVO_IMAGE || item.type == LUMIVO_MOVIE || item.type == LUMIVO_ANIMATION)
        return;
    if (item.type == LUMIVO_DATE || item.type == LUMIVO_TIME) {
        // Letters of a live text are drawn wider than its digits, except in the
        // date format that spells everything at one width.
        const bool letters = item.type == LUMIVO_TIME || item.format != 3;
        for (CLumiChar& c : item.chars) {
            if (c.code == 0)
                break;
            c.attr.widthIndex = (letters && c.code <= 255 && IsAsciiLetter(c.code)) ? 2 : 1;
        }
    }
    p->textWidth = static_cast<int32_t>(LineWidth(item.chars, CLumivo::kCells));
    // The second line's width is wanted by the two-line Twist start.
    p->textWidth2 = static_cast<int32_t>(
        LineWidth(item.chars + CLumivo::kLineCells, CLumivo::kLineCells));
    if (item.fit == 0) {
        p->fits = p->textWidth <= m_Width ? 1 : 0;
    } else {
        p->fits = 1;
        p->textWidth = m_Width;
    }
}

unsigned CEffect::disp_unicode(long x, long y, CLumiChar* cells)
{
    return static_cast<unsigned>(DrawLine(x, y, cells));
}

long CEffect::DrawLine(long x, long y, const CLumiChar* cells)
{
    if (!cells)
        return x;
    const int count = CellsLeft(cells);
    SIZE size; // a cell of another kind keeps the size of the one before
    alignas(8) unsigned char glyph[kGlyphBytes];
    for (int i = 0; i < count && cells[i].code != 0; ++i) {
        const CLumiChar& c = cells[i];
        std::memset(glyph, 0, sizeof glyph);
        if (m_pContent) {
            const long frame = m_pPage ? static_cast<long>(m_pPage->animCounter) : 0;
            if (c.attr.kind == qvr::kKindFont || c.attr.kind == qvr::kKindSmall)
                size = m_pContent->GetFontData(c.attr, c.code, frame, glyph, sizeof glyph);
            else if (c.attr.kind == qvr::kKindMove)
                size = c.attr.size < 4
                           ? m_pContent->make_mov16x16(c.attr, c.code, frame, glyph, sizeof glyph)
                           : m_pContent->make_mov32x32(c.attr, c.code, frame, glyph, sizeof glyph);
        }
        const long w = std::max<long>(size.cx, 0);
        const long h = std::max<long>(size.cy, 0);
        if (w > 0 && x + w >= 0) {
            // Clip at every edge of the line buffer and of the glyph buffer.
            const long rows = std::min<long>(h, kGlyphBytes / w);
            const long c0 = std::max<long>(0, -x);
            const long c1 = std::min<long>(w, kLBCols - x);
            const long r0 = std::max<long>(0, -y);
            const long r1 = std::min<long>(rows, kLBRows - y);
            for (long r = r0; r < r1; ++r)
                if (c1 > c0)
                    std::memcpy(&m_LB[y + r][x + c0], glyph + r * w + c0,
                                static_cast<size_t>(c1 - c0));
            qvr::MarkLB(y + r0, y + r1, x + c0, x + c1);
        }
        x += w;
    }
    return x;
}

long CEffect::DrawStrip(long x, long y, const CLumiChar* line, uint32_t gapCount, long limit)
{
    // The gap is a run of spaces in the first cell's selector, in green.
    CLumiChar gap[2];
    gap[0].code = 32;
    gap[0].attr = m_pPage->item.chars[0].attr;
    gap[0].attr.color = 2;
    gap[1].code = 0;

    int repeat = static_cast<int>(m_pPage->repeatCount);
    for (;;) {
        const long start = x;
        x = DrawLine(x, y, line);
        const bool last = repeat == 1;
        --repeat;
        if (!last)
            for (uint32_t g = 0; g < gapCount; ++g)
                x = DrawLine(x, y, gap);
        // A text and gap of no width would never reach the strip's end.
        if (x >= limit || last || x <= start)
            break;
    }
    return x;
}

unsigned CEffect::effect_unicode(long x, long y)
{
    PageInfo* p = m_pPage;
    if (!p)
        return static_cast<unsigned>(x);
    CLumivo& item = p->item;
    if (item.type == LUMIVO_DATE)
        SetDateText(&item);
    else if (item.type == LUMIVO_TIME)
        SetTimeText(&item);
    analyze_pHangMok(0);
    qvr::ClearLB();

    // The Twist starts draw on a strip of their own width; the full code is
    // compared, so an automatically chosen Twist keeps the page width.
    const uint16_t codeS = p->effectS.code;
    if (IsTwistCylinder(codeS))
        p->width = static_cast<int32_t>(GetCylinderStripWidth(p->height));
    else if (IsTwistDrum(codeS))
        p->width = m_DrumMX;

    const long x0 = x;
    if (p->fits && item.effectLoop == 0)
        x += (static_cast<long>(p->width) - p->textWidth) >> 1;

    CLumiChar* line1 = item.chars;
    CLumiChar* line2 = item.chars + CLumivo::kLineCells;
    long end;
    if (IsTwistCylinder(codeS)) {
        end = DrawStrip(x, y, line1, p->gapCount, p->width);
        if (item.type == LUMIVO_ENG2LINE && end < p->width)
            end = DrawStrip(end, y, line2, p->gapCount2, p->width);
    } else {
        end = DrawLine(x, y, line1);
        if (item.type == LUMIVO_ENG2LINE) {
            long x2 = x0;
            if (p->fits && p->width > p->textWidth2)
                x2 += (p->width - p->textWidth2) / 2;
            DrawLine(x2, y + 8, line2);
        }
    }

    if (item.fit && p->width > 0) {
        // Squeeze or stretch every band row to the page width. Column c takes
        // source column truncate(a), a growing by the ratio per column: the
        // same on every row, so worked out once (-1 past the buffer).
        const float ratio = static_cast<float>(p->textWidth) / static_cast<float>(p->width);
        const long rows = std::min<long>(p->height, kLBRows);
        const long cols = std::min<long>(p->width, kLBCols);
        int32_t source[kLBCols];
        long needed = 0; // source columns [0, needed) are read
        bool same = true; // every column its own source: the text already fits
        float a = 0;
        for (long c = 0; c < cols; ++c) {
            const long src = static_cast<long>(a);
            source[c] = (src >= 0 && src < kLBCols) ? static_cast<int32_t>(src) : -1;
            needed = std::max(needed, static_cast<long>(source[c]) + 1);
            same = same && source[c] == c;
            a += ratio;
        }
        // Past the page width a row ends dark. Rows and columns outside the
        // lit part are dark already and stay so.
        const qvr::LBArea lit = qvr::LitLB();
        const long dirty = std::max(cols, lit.right);
        unsigned char copy[kLBCols];
        for (long r = std::max<long>(lit.top, 0); r < std::min(rows, lit.bottom); ++r) {
            unsigned char* row = m_LB[r];
            if (!same) {
                std::memcpy(copy, row, static_cast<size_t>(needed));
                for (long c = 0; c < cols; ++c)
                    row[c] = source[c] >= 0 ? copy[source[c]] : 0;
            }
            std::memset(row + cols, 0, static_cast<size_t>(dirty - cols));
        }
        qvr::MarkLB(0, rows, 0, cols);
        return static_cast<unsigned>(p->width);
    }
    return static_cast<unsigned>(end);
}
