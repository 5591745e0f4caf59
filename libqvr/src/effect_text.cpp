// SPDX-License-Identifier: BSD-2-Clause
// The page analysis and the drawing of an item's text into the line buffer.
#include "qvr/effect.h"

#include "effect_internal.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

bool IsAsciiLetter(unsigned c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool IsTwistCylinder(uint16_t code) { return code == 95 || code == 96 || code == 97; }
bool IsTwistDrum(uint16_t code) { return code == 98 || code == 99; }

// The gap between copies on the Twist strip: spaces in the first cell's
// selector, in green.
QVXF GapAttr(const CLumivo& item)
{
    QVXF a = item.chars[0].attr;
    a.color = 2;
    return a;
}

// Everything that decides what an item's text leaves in the line buffer.
// Plain bytes, so that two keys compare as memory.
struct TextKey {
    const CContent* content;
    uint64_t revision;
    long x, y;
    int32_t width, height, textWidth, textWidth2;
    uint32_t fits, gapCount, gapCount2, repeatCount, frame;
    uint16_t codeS;
    uint8_t type, fit, effectLoop;
    unsigned char cells[sizeof(CLumiChar) * CLumivo::kCells];
};

bool SameKey(const TextKey& a, const TextKey& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// A page's last text drawing. Most steps draw the same text at the same
// place again; the line buffer is shared by every page, so a page that
// asks twice running gets a copy of the lit area to put back.
struct DrawnText {
    const PageInfo* page = nullptr;
    TextKey key;
    unsigned result = 0;
    bool kept = false;
    qvr::LBArea lit;
    std::vector<unsigned char> rows;
};

constexpr int kDrawnPages = 8;
DrawnText g_drawn[kDrawnPages];
int g_shown = -1; // the entry whose drawing the line buffer holds
int g_nextEntry = 0;

DrawnText& EntryOf(const PageInfo* page, int& index)
{
    for (index = 0; index < kDrawnPages; ++index)
        if (g_drawn[index].page == page)
            return g_drawn[index];
    index = g_nextEntry;
    g_nextEntry = (g_nextEntry + 1) % kDrawnPages;
    if (g_shown == index)
        g_shown = -1;
    DrawnText& d = g_drawn[index];
    d.page = nullptr;
    d.kept = false;
    return d;
}

void Keep(DrawnText& d)
{
    d.lit = qvr::LitLB();
    const long cols = std::max<long>(d.lit.right - d.lit.left, 0);
    const long rows = std::max<long>(d.lit.bottom - d.lit.top, 0);
    d.rows.resize(static_cast<size_t>(cols * rows));
    for (long r = 0; r < rows; ++r)
        std::memcpy(d.rows.data() + r * cols, &CEffect::m_LB[d.lit.top + r][d.lit.left], static_cast<size_t>(cols));
    d.kept = true;
}

void PutBack(const DrawnText& d)
{
    qvr::ClearLB();
    const long cols = std::max<long>(d.lit.right - d.lit.left, 0);
    const long rows = std::max<long>(d.lit.bottom - d.lit.top, 0);
    for (long r = 0; r < rows; ++r)
        std::memcpy(&CEffect::m_LB[d.lit.top + r][d.lit.left], d.rows.data() + r * cols, static_cast<size_t>(cols));
    qvr::MarkLB(d.lit.top, d.lit.bottom, d.lit.left, d.lit.right);
}

// Whether the cells up to the end mark paint alike at every frame.
bool StillCells(const CLumiChar* cells, int count)
{
    for (int i = 0; i < count && cells[i].code != 0; ++i)
        if (!CContent::IsStill(cells[i].attr))
            return false;
    return true;
}

TextKey KeyOf(const PageInfo& p, const CContent* content, long x, long y)
{
    TextKey k;
    std::memset(&k, 0, sizeof k);
    const CLumivo& item = p.item;
    k.content = content;
    k.revision = content ? content->m_Revision : 0;
    k.x = x;
    k.y = y;
    k.width = p.width;
    k.height = p.height;
    k.textWidth = p.textWidth;
    k.textWidth2 = p.textWidth2;
    k.fits = p.fits;
    k.gapCount = p.gapCount;
    k.gapCount2 = p.gapCount2;
    k.repeatCount = p.repeatCount;
    k.codeS = p.effectS.code;
    k.type = item.type;
    k.fit = item.fit;
    k.effectLoop = item.effectLoop;
    std::memcpy(k.cells, item.chars, sizeof k.cells);
    // The frame counts only where a glyph changes with it.
    const bool still = StillCells(item.chars, CLumivo::kCells) &&
                       StillCells(item.chars + CLumivo::kLineCells, CLumivo::kLineCells) &&
                       (!IsTwistCylinder(k.codeS) || CContent::IsStill(GapAttr(item)));
    k.frame = still ? 0 : p.animCounter;
    return k;
}

} // namespace

void qvr::ForgetDrawnText()
{
    for (DrawnText& d : g_drawn) {
        d.page = nullptr;
        d.kept = false;
    }
    g_shown = -1;
}

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
    g_shown = -1; // the buffer no longer holds a kept drawing alone
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
    gap[0].attr = GapAttr(m_pPage->item);
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

    // The Twist starts draw on a strip of their own width; the full code is
    // compared, so an automatically chosen Twist keeps the page width.
    const uint16_t codeS = p->effectS.code;
    if (IsTwistCylinder(codeS))
        p->width = static_cast<int32_t>(GetCylinderStripWidth(p->height));
    else if (IsTwistDrum(codeS))
        p->width = m_DrumMX;

    int entry = 0;
    DrawnText& drawn = EntryOf(p, entry);
    const TextKey key = KeyOf(*p, m_pContent, x, y);
    const bool again = drawn.page == p && SameKey(drawn.key, key);
    if (again && g_shown == entry)
        return drawn.result;
    if (again && drawn.kept) {
        PutBack(drawn);
        g_shown = entry;
        return drawn.result;
    }
    const unsigned result = DrawText(x, y);
    drawn.page = p;
    drawn.key = key;
    drawn.result = result;
    drawn.kept = false;
    if (again)
        Keep(drawn);
    g_shown = entry;
    return result;
}

unsigned CEffect::DrawText(long x, long y)
{
    PageInfo* p = m_pPage;
    CLumivo& item = p->item;
    const uint16_t codeS = p->effectS.code;
    qvr::ClearLB();

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
