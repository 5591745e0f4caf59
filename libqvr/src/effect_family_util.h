// SPDX-License-Identifier: BSD-2-Clause
// Helpers shared by the family steps and the frame copiers.
#pragma once

#include "qvr/effect.h"

#include "effect_internal.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Calls op(i) for i from 0 to n - 1, in blocks of a fixed count of 16: when
// what op reads and writes cannot overlap (local buffers, or pointers the
// compiler can tell apart), such blocks become vector code.
template <typename Op>
inline void Blocks16(long n, Op&& op)
{
    long i = 0;
    for (; i + 16 <= n; i += 16)
        for (long k = 0; k < 16; ++k)
            op(i + k);
    for (; i < n; ++i)
        op(i);
}

// Calls visit(x0, x1) for the stretches of src[0, n) that may hold lit
// (non-zero) bytes: blocks of eight with a lit byte, and the last few bytes
// whatever they hold. Copiers that change a frame only for lit pixels pass
// over dark stretches a word at a time.
template <typename F>
inline void LitBlocks(const unsigned char* src, long n, F&& visit)
{
    long x0 = 0;
    for (; x0 + 8 <= n; x0 += 8) {
        uint64_t eight;
        std::memcpy(&eight, src + x0, 8);
        if (eight != 0)
            visit(x0, x0 + 8);
    }
    if (x0 < n)
        visit(x0, n);
}

// Whether src[0, n) holds a lit (non-zero) byte; a word at a time.
inline bool AnyLit(const unsigned char* src, long n)
{
    long x = 0;
    for (; x + 8 <= n; x += 8) {
        uint64_t eight;
        std::memcpy(&eight, src + x, 8);
        if (eight != 0)
            return true;
    }
    for (; x < n; ++x)
        if (src[x] != 0)
            return true;
    return false;
}

// Writes n frame pixels from n colour bytes, as Rgb does one by one. With
// SSE2, sixteen at a time: each colour bit becomes a byte mask (0 or FF) and
// the masks are interleaved into pixels (blue, green, red, 0 in memory).
inline void RgbRow(const unsigned char* src, uint32_t* dst, long n)
{
    long i = 0;
#if defined(__SSE2__)
    const __m128i red = _mm_set1_epi8(1), green = _mm_set1_epi8(2), blue = _mm_set1_epi8(4);
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        const __m128i r = _mm_cmpeq_epi8(_mm_and_si128(c, red), red);
        const __m128i g = _mm_cmpeq_epi8(_mm_and_si128(c, green), green);
        const __m128i b = _mm_cmpeq_epi8(_mm_and_si128(c, blue), blue);
        const __m128i bgLow = _mm_unpacklo_epi8(b, g), bgHigh = _mm_unpackhi_epi8(b, g);
        const __m128i rLow = _mm_unpacklo_epi8(r, zero), rHigh = _mm_unpackhi_epi8(r, zero);
        __m128i* out = reinterpret_cast<__m128i*>(dst + i);
        _mm_storeu_si128(out, _mm_unpacklo_epi16(bgLow, rLow));
        _mm_storeu_si128(out + 1, _mm_unpackhi_epi16(bgLow, rLow));
        _mm_storeu_si128(out + 2, _mm_unpacklo_epi16(bgHigh, rHigh));
        _mm_storeu_si128(out + 3, _mm_unpackhi_epi16(bgHigh, rHigh));
    }
#endif
    for (; i < n; ++i)
        dst[i] = Rgb(src[i]);
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

// Row y of the line buffer, or null below it.
inline const unsigned char* LBRow(long y)
{
    return static_cast<unsigned long>(y) < CEffect::kLBRows ? CEffect::m_LB[y] : nullptr;
}

// Row y of the line buffer, or a dark row as long below it.
inline const unsigned char* LBRowOrDark(long y)
{
    static const unsigned char kDark[CEffect::kLBCols] = {};
    const unsigned char* row = LBRow(y);
    return row ? row : kDark;
}

// Frame pixels [x0, x1) of a row from the same columns of a line-buffer row
// (null: none); columns past the line buffer are black.
inline void TextRun(uint32_t* row, const unsigned char* lb, long x0, long x1)
{
    if (x0 >= x1)
        return;
    const long lit = lb ? std::clamp<long>(CEffect::kLBCols - x0, 0, x1 - x0) : 0;
    if (lit > 0)
        RgbRow(lb + x0, row + x0, lit);
    std::fill(row + x0 + lit, row + x1, 0u);
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
