// SPDX-License-Identifier: BSD-2-Clause
// The scrolling wait: text wider than its band moves left one pixel per step
// until its right end meets the band's right edge. The host also runs it
// directly, whatever the item's wait effect is, so it does not test its code.
#include "qvr/effect.h"

DWORD CEffect::effect_0400W()
{
    PageInfo* p = m_pPage;
    if (!p)
        return kEffectEnd;
    if (p->frameCount == 0) {
        p->limit = p->width - p->textWidth;
        ++p->frameCount;
    }
    effect_unicode(p->xOffset, 0);
    copy_LB2FB(0, 0, &p->bitmap);
    if (p->xOffset <= p->limit)
        return kEffectEnd;
    --p->xOffset;
    return 0;
}
