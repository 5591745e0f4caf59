// SPDX-License-Identifier: BSD-2-Clause
// Wave family: the text sways through a cycle of eight small offsets, or
// bounces in from above and settles (75).
#include "effect_family_util.h"

#include "qvr/effect_family.h"

using qvr::Code15;

namespace {

constexpr int kBounceEntries = 317;

// Falls from 15 rows up and swings about the rest row with an amplitude that
// shrinks by one at every turn, then rests.
struct BounceTable {
    int v[kBounceEntries] = {};
    BounceTable()
    {
        int i = 0;
        int value = -15;
        v[i++] = value;
        for (int amp = 15; amp >= 0 && i < kBounceEntries; --amp) {
            const int target = (amp % 2 == 1) ? amp : -amp;
            while (value != target && i < kBounceEntries) {
                value += value < target ? 1 : -1;
                v[i++] = value;
            }
        }
        while (i < kBounceEntries)
            v[i++] = 0;
    }
};
const BounceTable kBounce;

struct Offset {
    signed char dx, dy;
};
const Offset kCycle[6][8] = {
    {{-1, 0}, {-2, 0}, {-1, 0}, {0, 0}, {1, 0}, {2, 0}, {1, 0}, {0, 0}},         // 69
    {{0, -1}, {0, -2}, {0, -1}, {0, 0}, {0, 1}, {0, 2}, {0, 1}, {0, 0}},         // 70
    {{0, 1}, {0, 2}, {1, 2}, {2, 2}, {2, 1}, {2, 0}, {1, 0}, {0, 0}},            // 71
    {{1, 0}, {2, 0}, {2, 1}, {2, 2}, {1, 2}, {0, 2}, {0, 1}, {0, 0}},            // 72
    {{1, -1}, {2, -2}, {1, -1}, {0, 0}, {-1, -1}, {-2, -2}, {-1, -1}, {0, 0}},   // 73
    {{1, 1}, {2, 2}, {1, 1}, {0, 0}, {-1, 1}, {-2, 2}, {-1, 1}, {0, 0}},         // 74
};

} // namespace

int qvr::WaveBounce(int i) { return i >= 0 && i < kBounceEntries ? kBounce.v[i] : 0; }

DWORD CEffect::effect_0500S()
{
    PageInfo* p = m_pPage;
    if (!p)
        return kEffectEnd;
    const unsigned code = Code15(p->effectS.code);
    if (code < 69 || code > 75)
        return kEffectEnd;
    if (p->frameCount == 0) {
        p->position = 0;
        p->subStep = 0;
        if (code == 75) {
            if (p->direction == 0)
                p->position = 15;
            p->divisor = 1;
            p->limit = kBounceEntries - 1;
        } else {
            p->divisor = (code == 73 || code == 74) ? 8 : 4;
            p->limit = 31;
        }
        ++p->frameCount;
    }
    long dx = 0, dy = 0;
    if (code == 75) {
        const long i = p->direction == -1 ? p->limit - p->position : p->position;
        dy = kBounce.v[std::clamp<long>(i, 0, kBounceEntries - 1)];
    } else {
        const Offset o = kCycle[code - 69][((p->position % 8) + 8) % 8];
        dx = o.dx;
        dy = o.dy;
    }
    effect_unicode(p->xOffset + dx, dy);
    copy_LB2FB(0, 0, &p->bitmap);
    return qvr::AdvanceByDivisor(*p);
}

DWORD CEffect::effect_0500E()
{
    PageInfo* p = m_pPage;
    if (!p)
        return kEffectEnd;
    return qvr::WithCode(p->effectS, p->effectE.code, [&] { return effect_0500S(); });
}

// The wave of start code wait code + 9, once per cycle.
DWORD CEffect::effect_0500W()
{
    PageInfo* p = m_pPage;
    if (!p)
        return kEffectEnd;
    const unsigned code = Code15(p->effectW.code);
    if (code < 60 || code > 66)
        return kEffectEnd;
    if (qvr::WithCode(p->effectS, code + 9, [&] { return effect_0500S(); }) != kEffectEnd)
        return 0;
    p->frameCount = 0;
    return qvr::EndUnlessHeld(*p);
}
