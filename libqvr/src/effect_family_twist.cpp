// SPDX-License-Identifier: BSD-2-Clause
// Twist family: the text runs along a strip wrapped on a cylinder, a circle
// or a turning drum (start), or twists like a ribbon about its horizontal
// axis (end and wait).
#include "effect_family_util.h"

using qvr::Code15;

namespace {

constexpr long kTwistStep = 9;
constexpr long kTwistLimit = 1125;

int32_t Signed(uint32_t v) { return static_cast<int32_t>(v); }

// The ribbon of the end and wait: the angle runs 0, 9, ... 1125; draws the
// text and twists it between rows top and bottom.
void RibbonFrame(CEffect& e, PageInfo& p, long top, long bottom, long direction, long slant)
{
    e._copy_pBUFnTWIST(top, bottom, p.position, direction, slant, &p.bitmap);
}

void RibbonStart(CEffect& e, PageInfo& p)
{
    if (p.frameCount == 0) {
        p.position = 0;
        p.limit = kTwistLimit;
        ++p.frameCount;
    }
    e.effect_unicode(p.xOffset, 0);
}

void InitStrip(CEffect& e, PageInfo& p, unsigned code)
{
    const long W = e.m_Width;
    const long h = p.height;
    const long tw = p.textWidth;
    const CLumivo& item = p.item;
    if (code >= 98) {
        p.xOffset = e.m_DrumMX;
        p.pair1[0] = static_cast<uint32_t>(e.m_DrumMX);
        p.limit = static_cast<int32_t>(-tw);
        p.repeatCount = item.option;
    } else {
        long gap = tw < W ? (W - tw) / 8 : 4;
        if (h > 16)
            gap /= 2;
        p.gapCount = static_cast<uint32_t>(gap);
        p.xOffset = static_cast<int32_t>(e.GetCylinderStripWidth(h));
        long limit;
        long gapDots = 8;
        if (item.type != LUMIVO_ENG2LINE) {
            limit = -tw;
            p.repeatCount = item.option;
        } else {
            const long t1 = p.textWidth;
            const long t2 = p.textWidth2;
            const long d = (W - t1) / 6;
            if (t1 <= t2) {
                p.gapCount2 = static_cast<uint32_t>(t2 < W ? d : 4);
                limit = -t2;
            } else {
                p.gapCount = static_cast<uint32_t>(t1 < W ? d : 4);
                limit = -t1;
            }
            p.repeatCount = 1;
            p.work[0] = item.option; // passes
            gapDots = 6;
        }
        const long repeat = Signed(p.repeatCount);
        limit = limit * repeat - (repeat - 1) * Signed(p.gapCount) * gapDots;
        p.limit = static_cast<int32_t>(limit);
    }
    p.holdTime = 1;
}

} // namespace

DWORD CEffect::effect_0800S()
{
    PageInfo* p = m_pPage;
    if (!p)
        return kEffectEnd;
    const unsigned code = Code15(p->effectS.code);
    if (code < 95 || code > 99)
        return kEffectEnd;
    if (p->frameCount == 0) {
        InitStrip(*this, *p, code);
        ++p->frameCount;
    }
    effect_unicode(p->xOffset, 0);
    switch (code) {
    case 95: _copy_pBUFnANGLE(&p->bitmap); break;
    case 96: _copy_pBUFnCircle(0, &p->bitmap); break;
    case 97: _copy_pBUFnCircle(1, &p->bitmap); break;
    case 98: _copy_pBUFn3DRotate3(&p->bitmap); break;
    default: _copy_pBUFn3DRotate2(&p->bitmap); break;
    }

    if (code >= 98) {
        if (p->xOffset >= p->limit) {
            --p->xOffset;
            return 0;
        }
        // One pass is over: run the next one from the far end of the strip.
        const int32_t left = Signed(p->repeatCount) - 1;
        p->repeatCount = static_cast<uint32_t>(left);
        if (left <= 0)
            return kEffectEnd;
        p->xOffset = m_DrumMX - 1;
        return 0;
    }
    if (p->xOffset < p->limit) {
        if (p->item.type != LUMIVO_ENG2LINE)
            return kEffectEnd;
        // Two-line text runs its strip once per pass; a counter of 0 or
        // less after a pass ends it, and a next pass starts the strip over.
        const int32_t passes = Signed(p->work[0]) - 1;
        p->work[0] = static_cast<uint32_t>(passes);
        if (passes <= 0)
            return kEffectEnd;
        p->position = 0;
        p->xOffset = static_cast<int32_t>(GetCylinderStripWidth(p->height));
        return 0;
    }
    --p->xOffset;
    return 0;
}

// The text twists about its horizontal axis and rises (95) or sinks (96)
// out of the band.
DWORD CEffect::effect_0800E()
{
    PageInfo* p = m_pPage;
    if (!p)
        return kEffectEnd;
    const unsigned code = Code15(p->effectE.code);
    if (code != 95 && code != 96)
        return kEffectEnd;
    RibbonStart(*this, *p);
    const long pos = p->position;
    const long a = code == 95 ? std::max<long>(-(pos / 33), -16) : std::min<long>(pos / 33, 16);
    RibbonFrame(*this, *p, a, p->height + a, code == 95 ? 0 : 1, 3);
    if (pos >= kTwistLimit)
        return kEffectEnd;
    p->position += kTwistStep;
    return 0;
}

DWORD CEffect::effect_0800W()
{
    PageInfo* p = m_pPage;
    if (!p)
        return kEffectEnd;
    const unsigned code = Code15(p->effectW.code);
    if (code < 89 || code > 91)
        return kEffectEnd;
    RibbonStart(*this, *p);
    RibbonFrame(*this, *p, 0, p->height, code == 90 ? 1 : 0, code == 91 ? 0 : 3);
    if (p->position < kTwistLimit) {
        p->position += kTwistStep;
        return 0;
    }
    p->frameCount = 0;
    return qvr::EndUnlessHeld(*p);
}
