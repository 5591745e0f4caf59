// Animation family: the content library's effect masks played over the text,
// one mask frame per step, tiled across the band and scaled to its height.
#include "effect_family_util.h"

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

// Paints one mask frame over the text; rule[n][t] is the colour byte for
// nibble n over text pixel t.
static void PaintMask(CEffect& e, PageInfo& p, const Mask& m, long frame,
                      const unsigned char (&rule)[16][8])
{
    // The library may have changed since the phase began.
    frame = std::clamp<long>(frame, 0, m.frames - 1);
    const qvr::Band b = qvr::BandOf(e, p);
    const long s = std::max<long>(b.h / 16, 1);
    const long period = 2 * m.rowBytes;
    unsigned char nib[CEffect::kLBCols];
    const long cached = std::min<long>(b.cols, CEffect::kLBCols);
    long lastRow = -1;
    qvr::PaintBand(b, [&](long x, long y, unsigned char t) -> unsigned char {
        if (y != lastRow) {
            // The nibbles of this band row, walked once.
            const unsigned char* row = m.data + (frame * m.rows + (y / s) % m.rows) * m.rowBytes;
            long px = 0, sub = 0;
            for (long c = 0; c < cached; ++c) {
                const unsigned char v = row[px >> 1];
                nib[c] = (px & 1) ? (v & 0x0F) : (v >> 4);
                if (++sub == s) {
                    sub = 0;
                    if (++px == period)
                        px = 0;
                }
            }
            lastRow = y;
        }
        const unsigned n = x < cached ? nib[x] : MaskNibble(m, frame, s, x, y);
        return rule[n][t & 7];
    });
}

// One frame of the start or end mask over the text.
static void PaintStartEnd(CEffect& e, PageInfo& p, const Mask& m, long frame)
{
    unsigned char rule[16][8];
    for (unsigned n = 0; n < 16; ++n)
        for (unsigned char t = 0; t < 8; ++t) {
            if (m.mode == 1)
                rule[n][t] = n < 8 ? static_cast<unsigned char>(n) : t;
            else
                rule[n][t] = n == 0 ? t : (n < 8 ? static_cast<unsigned char>(n) : 0);
        }
    PaintMask(e, p, m, frame, rule);
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
        const bool blend = p->item.blend != 0;
        unsigned char rule[16][8];
        for (unsigned n = 0; n < 16; ++n)
            for (unsigned char t = 0; t < 8; ++t)
                rule[n][t] = ((n & 3) != 0 && (!blend || t == 0)) ? static_cast<unsigned char>(n) : t;
        PaintMask(*this, *p, m, std::clamp<long>(p->position, 0, p->limit), rule);
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
