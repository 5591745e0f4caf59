// SPDX-License-Identifier: BSD-2-Clause
// Color family: two coloured copies of the text that slide together (or
// apart) and mix, a symbol that sweeps across the band, and blinking by
// colour removal.
#include "effect_family_util.h"

using qvr::Code15;

namespace {

constexpr unsigned char kRed = 1;
constexpr unsigned char kGreen = 2;

// The sweeping symbols: 16 rows, bit 0 the leftmost column.
const uint16_t kSymbols[3][16] = {
    {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF,
     0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF},
    {0x07E0, 0x1FF8, 0x3FFC, 0x7FFE, 0x7FFE, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF,
     0x7FFE, 0x7FFE, 0x3FFC, 0x1FF8, 0x07E0},
    {0x0180, 0x03C0, 0x07E0, 0x0FF0, 0x1FF8, 0x3FFC, 0x7FFE, 0xFFFF, 0xFFFF, 0x7FFE, 0x3FFC,
     0x1FF8, 0x0FF0, 0x07E0, 0x03C0, 0x0180},
};

bool IsColor(unsigned code) { return code >= 88 && code <= 94; }

// The two mixing copies of codes 88 to 91, on a band that is black where
// the first copy does not write.
void MixCopies(CEffect& e, PageInfo& p, const qvr::Band& b, unsigned code, bool start)
{
    const unsigned char first = (code == 88 || code == 90) ? kRed : kGreen;
    const unsigned char second = first == kRed ? kGreen : kRed;
    const long d = start ? -p.position : p.position;
    const bool across = code == 88 || code == 89;
    // The first copy replaces every row whose source row r + dy lies in the
    // band; the other rows are cleared here.
    const long dy = across ? 0 : d;
    for (long y = 0; y < b.rows; ++y)
        if (y + dy < 0 || y + dy >= b.h)
            std::fill(b.f.Row(y), b.f.Row(y) + b.cols, 0u);
    e._copy_pBUFnCLR(across ? d : 0, dy, ROP_REPLACE, first, &p.bitmap);
    e._copy_pBUFnCLR(across ? -d : 0, across ? 0 : -d, ROP_ADD, second, &p.bitmap);
}

DWORD ColorStep(CEffect& e, PageInfo& p, unsigned code, bool start)
{
    if (!IsColor(code))
        return CEffect::kEffectEnd;
    const bool symbol = code >= 92;
    if (p.frameCount == 0) {
        const long span = (code == 90 || code == 91) ? p.height : p.width;
        if (symbol) {
            p.position = start ? -16 : e.m_Width;
            p.limit = start ? e.m_Width : -16;
        } else {
            p.position = start ? static_cast<int32_t>(span) : 0;
            p.limit = start ? 0 : static_cast<int32_t>(span);
        }
        p.subStep = 0;
        p.divisor = 1;
        ++p.frameCount;
    }
    const qvr::Band b = qvr::BandOf(e, p);
    e.effect_unicode(p.xOffset, 0);
    if (symbol)
        e._draw_symbol(code); // writes every pixel of the band
    else
        MixCopies(e, p, b, code, start);

    if (p.position == p.limit)
        return CEffect::kEffectEnd;
    if (++p.subStep >= static_cast<uint32_t>(std::max(p.divisor, 1))) {
        p.subStep = 0;
        p.position += p.position < p.limit ? 1 : -1;
    }
    return 0;
}

} // namespace

DWORD CEffect::effect_0700S()
{
    return m_pPage ? ColorStep(*this, *m_pPage, Code15(m_pPage->effectS.code), true) : kEffectEnd;
}

DWORD CEffect::effect_0700E()
{
    return m_pPage ? ColorStep(*this, *m_pPage, Code15(m_pPage->effectE.code), false) : kEffectEnd;
}

DWORD CEffect::effect_0700W()
{
    PageInfo* p = m_pPage;
    if (!p)
        return kEffectEnd;
    const unsigned code = Code15(p->effectW.code);
    if (code >= 86 && code <= 88) {
        // Blinking: the shared colour value alternates with nothing, and its
        // components are taken out of the text.
        const unsigned long target = code == 86 ? 7 : (code == 87 ? 1 : 2);
        qvr::g_ColorValue = qvr::g_ColorValue == target ? 0 : target;
        effect_unicode(p->xOffset, 0);
        _copy_pBUFnCLR(0, 0, ROP_REMOVE, qvr::g_ColorValue, &p->bitmap);
        return qvr::EndUnlessHeld(*p);
    }
    if (code < 79 || code > 85)
        return kEffectEnd;
    // Codes 79 to 85: the end step of code + 9 hides the text, the start
    // step shows it again and its last frame is shown once more.
    if (p->waitValue1 != 1) {
        if (qvr::WithCode(p->effectE, code + 9, [&] { return effect_0700E(); }) == kEffectEnd) {
            p->frameCount = 0;
            p->waitValue1 = 1;
        }
        return 0;
    }
    if (qvr::WithCode(p->effectS, code + 9, [&] { return effect_0700S(); }) == kEffectEnd) {
        if (p->frameCount == 1) {
            p->frameCount = 7;
        } else if (p->frameCount >= 7) {
            p->frameCount = 0;
            p->waitValue1 = -1;
            return qvr::EndUnlessHeld(*p);
        }
    }
    return 0;
}

long CEffect::_draw_symbol(long symbol)
{
    PageInfo* p = m_pPage;
    if (!p || symbol < 92 || symbol > 94)
        return 0;
    const uint16_t* rows = kSymbols[symbol - 92];
    const qvr::Band b = qvr::BandOf(*this, *p);
    const long pos = p->position;
    const bool wait = p->phase == 1;
    // Stretched down taller bands: each symbol row covers h / 16 band rows.
    const long s = std::max<long>(b.h / 16, 1);
    // Left of the symbol the text shows, right of it the text (wait) or black.
    const long left = std::clamp<long>(pos, 0, b.cols);
    const long right = std::clamp<long>(pos + 16, left, b.cols);
    for (long y = 0; y < b.rows; ++y) {
        uint32_t* row = b.f.Row(y);
        const unsigned char* lb = qvr::LBRow(y);
        qvr::TextRun(row, lb, 0, left);
        if (wait)
            qvr::TextRun(row, lb, right, b.cols);
        else
            std::fill(row + right, row + b.cols, 0u);
        const uint16_t bits = rows[std::min<long>(y / s, 15)];
        for (long x = left; x < right; ++x) {
            const unsigned char t = x < kLBCols && lb ? lb[x] : 0;
            unsigned char v;
            if ((bits >> (x - pos)) & 1)
                v = static_cast<unsigned char>(7 - (t & 7));
            else
                v = (wait || x < pos + 8) ? t : 0;
            row[x] = qvr::Rgb(v);
        }
    }
    return 0;
}
