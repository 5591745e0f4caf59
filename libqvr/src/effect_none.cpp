// SPDX-License-Identifier: BSD-2-Clause
// The None effects: the text simply stands, for the speed value's number of
// frames (start, end) or for the item's hold seconds (wait).
#include "qvr/effect.h"

#include "effect_internal.h"

using qvr::Code15;

namespace {
constexpr uint32_t kHoldBase = 32768;
}

DWORD CEffect::effect_0900S()
{
    PageInfo* p = m_pPage;
    if (!p || Code15(p->effectS.code) != 100)
        return kEffectEnd;
    effect_unicode(p->xOffset, 0);
    copy_LB2FB(0, 0, &p->bitmap);
    ++p->frameCount;
    return p->frameCount < p->effectS.GetSpeed() ? 0 : kEffectEnd;
}

DWORD CEffect::effect_0900W()
{
    PageInfo* p = m_pPage;
    if (!p || Code15(p->effectW.code) != 92)
        return kEffectEnd;
    if (p->frameCount == 0) {
        p->holdCountdown = p->item.option + kHoldBase;
        p->stepCounter = 0;
        ++p->frameCount;
    }
    effect_unicode(p->xOffset, 0);
    copy_LB2FB(0, 0, &p->bitmap);
    return p->holdCountdown > kHoldBase ? 0 : kEffectEnd;
}

DWORD CEffect::effect_0900E()
{
    PageInfo* p = m_pPage;
    if (!p || Code15(p->effectE.code) != 97)
        return kEffectEnd;
    effect_unicode(p->xOffset, 0);
    copy_LB2FB(0, 0, &p->bitmap);
    ++p->frameCount;
    return p->frameCount < p->effectE.GetSpeed() ? 0 : kEffectEnd;
}
