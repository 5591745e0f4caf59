// Animation family: the content library's effect masks played over the text,
// one mask frame per step, tiled across the band and scaled to its height.
#include "effect_family.h"

#include <type_traits>

using qvr::Code15;

namespace {

// The mask of one library effect, checked against the storage it lives in.
struct Mask {
    const unsigned char* data = nullptr;
    long rowBytes = 0;
    long rows = 0;
    long frames = 0;
    int mode = 0; // 1: colours n < 8 paint, others show the text

    bool usable() const { return data && rowBytes > 0 && rows > 0 && frames > 0; }
};

Mask MaskOf(CContent* content, unsigned number)
{
    Mask m;
    if (!content)
        return m;
    const RGX_HEADER* h = content->GetEffectInfo(number);
    const unsigned char* d = content->GetEffectPtr(number);
    if (!h || !d)
        return m;
    using Slot = std::remove_reference_t<decltype(content->m_Effect[0])>;
    m.data = d;
    m.rowBytes = h->width / 2;
    m.rows = h->height;
    m.mode = h->group == 1 ? 1 : 0;
    const long frameBytes = m.rowBytes * m.rows;
    // A header that claims more frames than the storage holds keeps the
    // frames that are there.
    m.frames = frameBytes > 0 ? std::min<long>(h->frames, Slot::kCapacity / frameBytes) : 0;
    return m;
}

} // namespace

// Mask nibble n at band pixel (x, y) of frame `frame`. Each mask pixel covers
// s x s band pixels, s = h / 16 (at least 1), so a 16-row mask fills bands of
// 16, 32, 48 and 64 rows alike; the mask repeats across the band and down it.
static unsigned MaskNibble(const Mask& m, long frame, long s, long x, long y)
{
    const long px = (x / s) % (2 * m.rowBytes);
    const long py = (y / s) % m.rows;
    const unsigned char b = m.data[(frame * m.rows + py) * m.rowBytes + px / 2];
    return (px & 1) ? (b & 0x0F) : (b >> 4);
}

// One frame of the start or end mask over the text.
static void PaintStartEnd(CEffect& e, PageInfo& p, const Mask& m, long frame)
{
    const qvr::Band b = qvr::BandOf(e, p);
    const long s = std::max<long>(b.h / 16, 1);
    qvr::PaintBand(b, [&](long x, long y) -> unsigned char {
        const unsigned n = MaskNibble(m, frame, s, x, y);
        const unsigned char t = qvr::LBAt(x, y);
        if (m.mode == 1)
            return n < 8 ? static_cast<unsigned char>(n) : t;
        if (n == 0)
            return t;
        return n < 8 ? static_cast<unsigned char>(n) : 0;
    });
}

// Start (start = true) and end: one mask frame per step, positions 0 to
// frame count - 1. An effect the library lacks shows the text as it stands
// for one frame.
static DWORD AnimationStep(CEffect& e, PageInfo& p, unsigned code, bool start)
{
    if (code < 1 || code > 50)
        return CEffect::kEffectEnd;
    const Mask m = MaskOf(e.m_pContent, code - 1);
    if (p.frameCount == 0) {
        p.position = 0;
        p.limit = m.usable() ? static_cast<int32_t>(m.frames - 1) : 0;
        ++p.frameCount;
    }
    e.effect_unicode(p.xOffset, 0);
    if (m.usable()) {
        const long pos = std::clamp<long>(p.position, 0, p.limit);
        const bool forward = start ? m.mode != 1 : m.mode == 1;
        PaintStartEnd(e, p, m, forward ? pos : p.limit - pos);
    } else {
        e.copy_LB2FB(0, 0, &p.bitmap);
    }
    if (p.position >= p.limit)
        return CEffect::kEffectEnd;
    ++p.position;
    return 0;
}

DWORD CEffect::effect_0200S()
{
    return m_pPage ? AnimationStep(*this, *m_pPage, Code15(m_pPage->effectS.code), true) : kEffectEnd;
}

DWORD CEffect::effect_0200E()
{
    return m_pPage ? AnimationStep(*this, *m_pPage, Code15(m_pPage->effectE.code), false) : kEffectEnd;
}

// The wait: frames in order whatever the play mode; the mask paints where its
// nibble has a colour, and with `blend` only on the dark background.
DWORD CEffect::effect_0200W()
{
    PageInfo* p = m_pPage;
    if (!p)
        return kEffectEnd;
    const unsigned code = Code15(p->effectW.code);
    if (code < 1 || code > 50)
        return kEffectEnd;
    const Mask m = MaskOf(m_pContent, code - 1);
    if (p->frameCount == 0) {
        p->position = 0;
        p->limit = m.usable() ? static_cast<int32_t>(m.frames - 1) : 0;
        ++p->frameCount;
    }
    effect_unicode(p->xOffset, 0);
    if (m.usable()) {
        const qvr::Band b = qvr::BandOf(*this, *p);
        const long s = std::max<long>(b.h / 16, 1);
        const long frame = std::clamp<long>(p->position, 0, p->limit);
        const bool blend = p->item.blend != 0;
        qvr::PaintBand(b, [&](long x, long y) -> unsigned char {
            const unsigned n = MaskNibble(m, frame, s, x, y);
            const unsigned char t = qvr::LBAt(x, y);
            return ((n & 3) != 0 && (!blend || t == 0)) ? static_cast<unsigned char>(n) : t;
        });
    } else {
        copy_LB2FB(0, 0, &p->bitmap);
    }
    if (p->position < p->limit) {
        ++p->position;
        return 0;
    }
    p->frameCount = 0;
    if (qvr::EndUnlessHeld(*p) == kEffectEnd)
        return kEffectEnd;
    ++p->position;
    return 0;
}
