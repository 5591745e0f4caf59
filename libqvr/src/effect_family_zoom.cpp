// SPDX-License-Identifier: BSD-2-Clause
// Zoom family: the band scaled into a rectangle that grows or shrinks from
// the centre, an edge or a corner; the wait pulses it.
#include "effect_family_util.h"

#include "qvr/effect_family.h"

using qvr::Code15;

namespace {

constexpr int kScaleEntries = 65;

// 0 to 1 in 32 steps, 1 to 2 in 16, 2 to 3 in 8, 3 to 4.5 in 8.
struct ScaleTable {
    float z[kScaleEntries];
    ScaleTable()
    {
        for (int i = 0; i < kScaleEntries; ++i) {
            if (i <= 32)
                z[i] = static_cast<float>(i) / 32.0f;
            else if (i <= 48)
                z[i] = 1.0f + static_cast<float>(i - 32) / 16.0f;
            else if (i <= 56)
                z[i] = 2.0f + static_cast<float>(i - 48) / 8.0f;
            else
                z[i] = 3.0f + static_cast<float>(i - 56) * 3.0f / 16.0f;
        }
    }
};
const ScaleTable kScale;

// Draws the text and copies the band into the rectangle of start code
// `code` (76 to 87) at scale entry `entry`.
void ZoomFrame(CEffect& e, PageInfo& p, unsigned code, long entry)
{
    e.effect_unicode(p.xOffset, 0);
    const long w = p.width;
    const long h = p.height;
    const float z = kScale.z[std::clamp<long>(entry, 0, kScaleEntries - 1)];
    const long sw = static_cast<long>(static_cast<float>(w) * z);
    const long sh = static_cast<long>(static_cast<float>(h) * z);
    long x = 0, y = 0, dw = sw, dh = sh;
    switch (code) {
    case 76: case 77: x = (w - sw) / 2; y = (h - sh) / 2; break;
    case 78: case 79: x = (w - sw) / 2; dh = h; break;
    case 80: case 81: y = (h - sh) / 2; dw = w; break;
    case 82: dh = h; break;
    case 83: x = w - sw; dh = h; break;
    case 84: break;
    case 85: x = w - sw; break;
    case 86: y = h - sh; break;
    default: x = w - sw; y = h - sh; break; // 87
    }
    e._copy_pBUFnFIX(0, 0, w, h, x, y, dw, dh, &p.bitmap);
    qvr::g_ZoomRect = RECT{static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(x + dw),
                           static_cast<LONG>(y + dh)};
}

bool Shrinks(unsigned code) { return code == 77 || code == 79 || code == 81; }

int32_t StepOf(const PageInfo& p) { return static_cast<int32_t>(p.work3); }
void SetStep(PageInfo& p, int32_t s) { p.work3 = static_cast<uint32_t>(s); }

DWORD ZoomStep(CEffect& e, PageInfo& p, unsigned code, bool start)
{
    if (code < 76 || code > 87)
        return CEffect::kEffectEnd;
    if (p.frameCount == 0) {
        // Start: from 4.5 times down to full size, or from nothing up to it;
        // end: from full size down to nothing, or up to 4.5 times.
        const bool down = Shrinks(code);
        if (start) {
            p.position = down ? 64 : 0;
            p.limit = 32;
        } else {
            p.position = 32;
            p.limit = down ? 0 : 64;
        }
        SetStep(p, down ? -1 : 1);
        ++p.frameCount;
    }
    ZoomFrame(e, p, code, p.position);
    if (p.position == p.limit)
        return CEffect::kEffectEnd;
    p.position += StepOf(p);
    return 0;
}

} // namespace

float qvr::ZoomScale(int i) { return i >= 0 && i < kScaleEntries ? kScale.z[i] : 0.0f; }

DWORD CEffect::effect_0600S()
{
    return m_pPage ? ZoomStep(*this, *m_pPage, Code15(m_pPage->effectS.code), true) : kEffectEnd;
}

DWORD CEffect::effect_0600E()
{
    return m_pPage ? ZoomStep(*this, *m_pPage, Code15(m_pPage->effectE.code), false) : kEffectEnd;
}

// A pulse in four legs (stages 1, 3, 5, 7): to double or half size, to the
// other, back to full size, and one frame at rest.
DWORD CEffect::effect_0600W()
{
    PageInfo* p = m_pPage;
    if (!p)
        return kEffectEnd;
    const unsigned code = Code15(p->effectW.code);
    if (code < 67 || code > 78)
        return kEffectEnd;
    const bool halfFirst = code == 68 || code == 70 || code == 72;
    switch (p->frameCount) {
    case 0:
        p->position = 32;
        SetStep(*p, halfFirst ? -1 : 1);
        p->limit = halfFirst ? 16 : 48;
        p->frameCount = 1;
        break;
    case 2:
        SetStep(*p, halfFirst ? 1 : -1);
        p->limit = halfFirst ? 48 : 16;
        p->frameCount = 3;
        break;
    case 4:
        SetStep(*p, halfFirst ? -1 : 1);
        p->limit = 32;
        p->frameCount = 5;
        break;
    case 6:
        SetStep(*p, 0);
        p->limit = 32;
        p->frameCount = 7;
        break;
    default:
        break;
    }
    ZoomFrame(*this, *p, code + 9, p->position);
    if (p->position != p->limit) {
        p->position += StepOf(*p);
        return 0;
    }
    if (p->frameCount < 7) {
        ++p->frameCount;
        return 0;
    }
    p->frameCount = 0;
    return qvr::EndUnlessHeld(*p);
}
