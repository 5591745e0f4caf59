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

// The colour byte of band pixel (x, y) at position p: revealing (start) or
// hiding (end).
unsigned char ViewPixel(unsigned code, bool start, long x, long y, long p, long w, long h,
                        unsigned char t)
{
    // Edge rule: inside shows the text, the edge is white, outside is black.
    auto edge = [t](bool inside, bool onEdge) -> unsigned char {
        return inside ? t : (onEdge ? kWhite : 0);
    };
    if (start) {
        switch (code) {
        case 51: return edge(x < p, x == p);
        case 52: return edge(x > w - p - 1, x == w - p - 1);
        case 53: return edge(y < p, y == p);
        case 54: return edge(y > h - p - 1, y == h - p - 1);
        case 55: {
            const long m = w / 2;
            return edge(m - p - 1 < x && x < m + p, x == m + p || x == m - p - 1);
        }
        case 56: {
            const long m = h / 2;
            return edge(m - p - 1 < y && y < m + p, y == m + p || y == m - p - 1);
        }
        case 57: return x >= p ? qvr::LBAt(p, y) : t;
        default: return x <= w - p - 1 ? qvr::LBAt(w - p - 1, y) : t; // 58
        }
    }
    switch (code) {
    case 51: return edge(x < w - p - 1, x == w - p - 1);
    case 52: return edge(x > p, x == p);
    case 53: return edge(y < h - p - 1, y == h - p - 1);
    case 54: return edge(y > p, y == p);
    case 55:
        if (p == w / 2)
            return 0;
        return edge(p < x && x < w - p - 1, x == p || x == w - p - 1);
    case 56:
        if (p == h / 2)
            return 0;
        return edge(p < y && y < h - p - 1, y == p || y == h - p - 1);
    case 57: return x < w - p - 1 ? t : qvr::LBAt(w - p - 1, y);
    default: return x <= p ? qvr::LBAt(p, y) : t; // 58
    }
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
    qvr::PaintBand(b, [&](long x, long y, unsigned char t) {
        return ViewPixel(code, start, x, y, pos, b.w, b.h, t);
    });
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
