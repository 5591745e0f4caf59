// Helpers shared by the family steps and the frame copiers.
#pragma once

#include "qvr/effect.h"

#include "effect_internal.h"

#include <algorithm>
#include <cstdint>

namespace qvr {

constexpr uint32_t kHoldArmed = 32768;

// Process-wide values of the families (all pages, all engines share them).
extern long g_ViewToggle;           // View wait
extern unsigned long g_ColorValue;  // blinking Color waits
extern RECT g_ZoomRect;             // last Zoom destination

// Line-buffer byte at (x, y); 0 outside the buffer.
inline unsigned char LBAt(long x, long y)
{
    if (static_cast<unsigned long>(x) >= CEffect::kLBCols ||
        static_cast<unsigned long>(y) >= CEffect::kLBRows)
        return 0;
    return CEffect::m_LB[y][x];
}

// The frame pixel of a colour byte (the low three bits), by table.
inline constexpr uint32_t kRgbOf[8] = {0x000000, 0xFF0000, 0x00FF00, 0xFFFF00,
                                       0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
inline uint32_t Rgb(unsigned char c) { return kRgbOf[c & 7]; }

// Writes n frame pixels from n colour bytes. Each of the low three bits is
// spread to a whole byte by shifts and a subtraction, in blocks of 16 of a
// fixed count, which the compiler turns into vector code.
inline void RgbRow(const unsigned char* __restrict src, uint32_t* __restrict dst, long n)
{
    const auto spread = [](uint32_t c) {
        const uint32_t bits = ((c & 1u) << 16) | ((c & 2u) << 7) | ((c & 4u) >> 2);
        return (bits << 8) - bits;
    };
    long i = 0;
    for (; i + 16 <= n; i += 16)
        for (int k = 0; k < 16; ++k)
            dst[i + k] = spread(src[i + k]);
    for (; i < n; ++i)
        dst[i] = spread(src[i]);
}

// The part of a band the frame buffer can take: columns below both the
// page width and the frame width, rows below both the band height and the
// frame's rows.
struct Band {
    CEffect::FrameRows f;
    long w = 0; // page width (may exceed the frame: the Twist strip)
    long h = 0; // band height
    long cols = 0;
    long rows = 0;
};

inline Band BandOf(const CEffect& e, const PageInfo& p)
{
    Band b;
    b.f = e.GetFrameRows(&p.bitmap);
    b.w = std::max<long>(p.width, 0);
    b.h = std::max<long>(p.height, 0);
    b.cols = std::min(b.w, b.f.width);
    b.rows = std::min(b.h, b.f.height);
    return b;
}

// Writes every pixel of the band from a colour byte chosen per pixel;
// colourAt(x, y, t) gets the text pixel t (the line-buffer byte there).
template <typename F>
void PaintBand(const Band& b, F&& colourAt)
{
    static const unsigned char kDark[CEffect::kLBCols] = {};
    const long lit = std::min<long>(b.cols, CEffect::kLBCols);
    unsigned char bytes[CEffect::kLBCols];
    for (long y = 0; y < b.rows; ++y) {
        uint32_t* row = b.f.Row(y);
        const unsigned char* lb = y < CEffect::kLBRows ? CEffect::m_LB[y] : kDark;
        for (long x = 0; x < lit; ++x)
            bytes[x] = colourAt(x, y, lb[x]);
        RgbRow(bytes, row, lit);
        for (long x = lit; x < b.cols; ++x)
            row[x] = Rgb(colourAt(x, y, static_cast<unsigned char>(0)));
    }
}

// Clears the whole frame (the frame's rows and columns) to black.
inline void ClearFrame(const CEffect::FrameRows& f)
{
    for (long y = 0; y < f.height; ++y)
        std::fill(f.Row(y), f.Row(y) + f.width, 0u);
}

// Runs a step with another code in one of the page's effect slots for the
// call, and puts the slot back afterwards.
template <typename F>
DWORD WithCode(CEFF& slot, unsigned code, F&& step)
{
    const uint16_t saved = slot.code;
    slot.code = static_cast<uint16_t>(code);
    const DWORD r = step();
    slot.code = saved;
    return r;
}

// The position advance of View and Wave: the phase ends once the position
// has reached its limit; the position moves once per `divisor` frames.
inline DWORD AdvanceByDivisor(PageInfo& p)
{
    if (p.position >= p.limit)
        return CEffect::kEffectEnd;
    if (++p.subStep >= static_cast<uint32_t>(std::max(p.divisor, 1))) {
        p.subStep = 0;
        ++p.position;
    }
    return 0;
}

// A wait cycle is over: the wait ends unless the host keeps the hold armed.
inline DWORD EndUnlessHeld(const PageInfo& p)
{
    return p.holdCountdown < kHoldArmed + 1 ? CEffect::kEffectEnd : 0;
}

} // namespace qvr
