// SPDX-License-Identifier: BSD-2-Clause
// Animation family: the content library's effect masks played over the text,
// one mask frame per step, tiled across the band and scaled to its height.
#include "effect_family_util.h"

#include <cstring>
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

// What a mask nibble n does to the text pixel t (its low three bits) under
// it: t where show[n] is FF, paint[n] otherwise; with `underText` the paint
// goes only where the text is dark (and the text shows elsewhere).
struct MaskRule {
    unsigned char paint[16] = {};
    unsigned char show[16] = {};
    bool underText = false;
};

// Both run in fixed blocks of 16 over unaliased pointers, which the compiler
// vectorises. The text shows where `show` is FF; `paint` is the mask colour.
static void ShowOrPaint(const unsigned char* __restrict t, const unsigned char* __restrict show,
                        const unsigned char* __restrict paint, unsigned char* __restrict out, long n)
{
    long c = 0;
    for (; c + 16 <= n; c += 16)
        for (long k = 0; k < 16; ++k)
            out[c + k] = static_cast<unsigned char>((t[c + k] & 7 & show[c + k]) | paint[c + k]);
    for (; c < n; ++c)
        out[c] = static_cast<unsigned char>((t[c] & 7 & show[c]) | paint[c]);
}

// The mask colour only where the text is dark.
static void PaintUnderText(const unsigned char* __restrict t, const unsigned char* __restrict paint,
                           unsigned char* __restrict out, long n)
{
    long c = 0;
    for (; c + 16 <= n; c += 16)
        for (long k = 0; k < 16; ++k) {
            const unsigned char v = t[c + k] & 7;
            out[c + k] = static_cast<unsigned char>(v | (paint[c + k] & -(v == 0)));
        }
    for (; c < n; ++c) {
        const unsigned char v = t[c] & 7;
        out[c] = static_cast<unsigned char>(v | (paint[c] & -(v == 0)));
    }
}

// Paints one mask frame over the text.
static void PaintMask(CEffect& e, PageInfo& p, const Mask& m, long frame, const MaskRule& rule)
{
    // The library may have changed since the phase began.
    frame = std::clamp<long>(frame, 0, m.frames - 1);
    const qvr::Band b = qvr::BandOf(e, p);
    const long s = std::max<long>(b.h / 16, 1);
    const long period = 2 * m.rowBytes;
    const long cached = std::min<long>(b.cols, CEffect::kLBCols);
    unsigned char paint[CEffect::kLBCols], show[CEffect::kLBCols], bytes[CEffect::kLBCols];
    long maskRow = -1;
    for (long y = 0; y < b.rows; ++y) {
        if ((y / s) % m.rows != maskRow) {
            // The rule of each column for this mask row: one width of the
            // mask (each mask pixel s columns wide), then copies of it.
            maskRow = (y / s) % m.rows;
            const unsigned char* row = m.data + (frame * m.rows + maskRow) * m.rowBytes;
            const long span = std::min(period * s, cached);
            for (long px = 0, c = 0; c < span; ++px) {
                const unsigned char v = row[px >> 1];
                const unsigned n = (px & 1) ? (v & 0x0F) : (v >> 4);
                for (long k = 0; k < s && c < span; ++k, ++c) {
                    paint[c] = rule.paint[n];
                    show[c] = rule.show[n];
                }
            }
            for (long c = span; c < cached; c += span) {
                const size_t n = static_cast<size_t>(std::min(span, cached - c));
                std::memcpy(paint + c, paint, n);
                std::memcpy(show + c, show, n);
            }
        }
        const unsigned char* lb = qvr::LBRowOrDark(y);
        if (rule.underText)
            PaintUnderText(lb, paint, bytes, cached);
        else
            ShowOrPaint(lb, show, paint, bytes, cached);
        uint32_t* out = b.f.Row(y);
        qvr::RgbRow(bytes, out, cached);
        // Columns past the line buffer: dark text under the mask.
        for (long x = cached; x < b.cols; ++x)
            out[x] = qvr::Rgb(rule.paint[MaskNibble(m, frame, s, x, y)]);
    }
}

// One frame of the start or end mask over the text.
static void PaintStartEnd(CEffect& e, PageInfo& p, const Mask& m, long frame)
{
    MaskRule rule;
    for (unsigned n = 0; n < 16; ++n) {
        const bool text = m.mode == 1 ? n >= 8 : n == 0;
        rule.show[n] = text ? 0xFF : 0;
        rule.paint[n] = (!text && n < 8) ? static_cast<unsigned char>(n) : 0;
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
        MaskRule rule;
        rule.underText = p->item.blend != 0;
        for (unsigned n = 0; n < 16; ++n) {
            const bool paints = (n & 3) != 0;
            rule.paint[n] = paints ? static_cast<unsigned char>(n) : 0;
            rule.show[n] = paints ? 0 : 0xFF;
        }
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
