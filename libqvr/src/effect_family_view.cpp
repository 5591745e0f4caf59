// SPDX-License-Identifier: BSD-2-Clause
// View family: wipes with a white edge line, across, down, from or to the
// middle, or by smearing the edge column.
#include "effect_family_util.h"

using qvr::Code15;

namespace {

constexpr unsigned char kWhite = 7;

bool IsView(unsigned code) { return code >= 51 && code <= 58; }

void InitView(PageInfo& p, unsigned code)
{
    p.position = 0;
    p.subStep = 0;
    const bool vertical = code == 53 || code == 54 || code == 56;
    p.divisor = vertical ? 2 : 1;
    p.limit = vertical ? p.height : p.width;
    if (code == 55 || code == 56) {
        p.divisor *= 2;
        p.limit /= 2;
    }
}

// How one band row looks at position p: the text on columns [text0, text1),
// white on up to two edge columns outside them, and `rest` everywhere else
// (black, white, or the smeared colour of one column). Revealing (start) or
// hiding (end).
struct RowPlan {
    long text0 = 0, text1 = 0;
    long edge[2] = {-1, -1};
    uint32_t rest = 0;
};

constexpr long kAll = CEffect::kLBCols + 1; // past every column of a band

RowPlan ViewRow(unsigned code, bool start, long y, long p, long w, long h)
{
    RowPlan r;
    const auto wholeRow = [&](bool inside, bool onEdge) {
        if (inside)
            r.text1 = kAll;
        else if (onEdge)
            r.rest = qvr::Rgb(kWhite);
    };
    const auto smear = [&](long column) { r.rest = qvr::Rgb(qvr::LBAt(column, y)); };
    if (start) {
        switch (code) {
        case 51: r.text1 = p; r.edge[0] = p; break;
        case 52: r.text0 = w - p; r.text1 = kAll; r.edge[0] = w - p - 1; break;
        case 53: wholeRow(y < p, y == p); break;
        case 54: wholeRow(y > h - p - 1, y == h - p - 1); break;
        case 55: {
            const long m = w / 2;
            r.text0 = m - p;
            r.text1 = m + p;
            r.edge[0] = m + p;
            r.edge[1] = m - p - 1;
            break;
        }
        case 56: {
            const long m = h / 2;
            wholeRow(m - p - 1 < y && y < m + p, y == m + p || y == m - p - 1);
            break;
        }
        case 57: r.text1 = p; smear(p); break;
        default: r.text0 = w - p; r.text1 = kAll; smear(w - p - 1); break; // 58
        }
        return r;
    }
    switch (code) {
    case 51: r.text1 = w - p - 1; r.edge[0] = w - p - 1; break;
    case 52: r.text0 = p + 1; r.text1 = kAll; r.edge[0] = p; break;
    case 53: wholeRow(y < h - p - 1, y == h - p - 1); break;
    case 54: wholeRow(y > p, y == p); break;
    case 55:
        if (p != w / 2) {
            r.text0 = p + 1;
            r.text1 = w - p - 1;
            r.edge[0] = p;
            r.edge[1] = w - p - 1;
        }
        break;
    case 56:
        if (p != h / 2)
            wholeRow(p < y && y < h - p - 1, y == p || y == h - p - 1);
        break;
    case 57: r.text1 = w - p - 1; smear(w - p - 1); break;
    default: r.text0 = p + 1; r.text1 = kAll; smear(p); break; // 58
    }
    return r;
}

DWORD ViewStep(CEffect& e, PageInfo& p, unsigned code, bool start)
{
    if (!IsView(code))
        return CEffect::kEffectEnd;
    if (p.frameCount == 0) {
        InitView(p, code);
        ++p.frameCount;
    }
    e.effect_unicode(p.xOffset, 0);
    const qvr::Band b = qvr::BandOf(e, p);
    const long pos = p.position;
    for (long y = 0; y < b.rows; ++y) {
        const RowPlan r = ViewRow(code, start, y, pos, b.w, b.h);
        uint32_t* row = b.f.Row(y);
        const long t0 = std::clamp<long>(r.text0, 0, b.cols);
        const long t1 = std::clamp<long>(r.text1, t0, b.cols);
        std::fill(row, row + t0, r.rest);
        qvr::TextRun(row, qvr::LBRow(y), t0, t1);
        std::fill(row + t1, row + b.cols, r.rest);
        for (long x : r.edge)
            if (x >= 0 && x < b.cols && (x < t0 || x >= t1))
                row[x] = qvr::Rgb(kWhite);
    }
    return qvr::AdvanceByDivisor(p);
}

} // namespace

DWORD CEffect::effect_0300S()
{
    return m_pPage ? ViewStep(*this, *m_pPage, Code15(m_pPage->effectS.code), true) : kEffectEnd;
}

DWORD CEffect::effect_0300E()
{
    return m_pPage ? ViewStep(*this, *m_pPage, Code15(m_pPage->effectE.code), false) : kEffectEnd;
}

// Wipes the text away and back in with the wait's own code.
DWORD CEffect::effect_0300W()
{
    PageInfo* p = m_pPage;
    if (!p)
        return kEffectEnd;
    const unsigned code = Code15(p->effectW.code);
    if (!IsView(code))
        return kEffectEnd;
    if (qvr::g_ViewToggle != 1) {
        if (qvr::WithCode(p->effectE, code, [&] { return effect_0300E(); }) == kEffectEnd) {
            qvr::g_ViewToggle = 1;
            p->frameCount = 0;
        }
        return 0;
    }
    if (qvr::WithCode(p->effectS, code, [&] { return effect_0300S(); }) == kEffectEnd) {
        qvr::g_ViewToggle = -1;
        p->frameCount = 0;
        return qvr::EndUnlessHeld(*p);
    }
    return 0;
}
