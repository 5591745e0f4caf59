// SPDX-License-Identifier: BSD-2-Clause
// Scroll family: the text slides in (start) or out (end) across, down, up or
// diagonally, or is combed in and out row by row or column by column.
#include "effect_family_util.h"

using qvr::Code15;

namespace {

bool IsScroll(unsigned code) { return code >= 59 && code <= 68; }

// Rows by which a diagonal scroll moves per column: second x value / h. A
// very short text on a narrow board gives 0; the steepest slope the rule can
// express (1) keeps the scroll moving and still ends at rest.
long Slope(const PageInfo& p)
{
    const long h = p.height;
    const long f = h > 0 ? static_cast<long>(static_cast<int32_t>(p.pair1[0])) / h : 0;
    return f != 0 ? f : 1;
}

void SetSecond(PageInfo& p, long v) { p.pair1[0] = static_cast<uint32_t>(static_cast<int32_t>(v)); }

void InitScroll(PageInfo& p, unsigned code, bool start)
{
    const long w = p.width;
    const long tw = p.textWidth;
    const long c = p.fits ? (w - tw) / 2 : 0; // centring offset, or none
    const bool loop = p.item.effectLoop != 0;
    p.pair1[1] = 0;
    switch (code) {
    case 59: case 63: case 64:
        if (start) {
            p.xOffset = static_cast<int32_t>(w - c);
            SetSecond(p, w - c);
            p.limit = static_cast<int32_t>(loop ? -tw - c : 0);
        } else {
            p.limit = static_cast<int32_t>(-tw - c);
            SetSecond(p, w - c);
        }
        break;
    case 60: case 65: case 66:
        if (start) {
            p.xOffset = static_cast<int32_t>(-tw - c);
            SetSecond(p, tw + c);
            p.limit = static_cast<int32_t>(loop ? w - c : 0);
        } else {
            p.limit = static_cast<int32_t>(w - c);
            SetSecond(p, tw + c);
        }
        break;
    case 61: case 62: case 68:
        p.position = 0;
        p.pair1[1] = 2; // shift
        p.limit = p.height * 4;
        break;
    default: // 67
        p.limit = p.width;
        break;
    }
}

// Even columns from row `a`, odd ones from row `b`, in fixed blocks the
// compiler vectorises.
void Interleave(const unsigned char* __restrict a, const unsigned char* __restrict b,
                unsigned char* __restrict out, long n)
{
    static const unsigned char kEven[16] = {0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0,
                                            0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0};
    long x = 0;
    for (; x + 16 <= n; x += 16)
        for (long k = 0; k < 16; ++k)
            out[x + k] = static_cast<unsigned char>((a[x + k] & kEven[k]) | (b[x + k] & ~kEven[k]));
    for (; x < n; ++x)
        out[x] = (x & 1) ? b[x] : a[x];
}

// Combing: frame pixels taken from the line buffer at a distance that
// shrinks (start) or grows (end) with the frame count.
void Comb(CEffect& e, PageInfo& p, unsigned code, long k, bool start)
{
    const qvr::Band b = qvr::BandOf(e, p);
    const long cached = std::min<long>(b.cols, CEffect::kLBCols);
    if (code == 67) {
        // Each row is its line-buffer row shifted: even rows one way, odd
        // rows the other.
        const long d = start ? b.w - k : k;
        for (long y = 0; y < b.rows; ++y) {
            const bool even = (y & 1) == 0;
            const long shift = start == even ? -d : d; // frame x shows column x + shift
            const long x0 = std::clamp<long>(-shift, 0, b.cols);
            const long x1 = std::clamp<long>(CEffect::kLBCols - shift, x0, b.cols);
            uint32_t* row = b.f.Row(y);
            const unsigned char* lb = qvr::LBRow(y);
            std::fill(row, row + x0, 0u);
            if (lb)
                qvr::RgbRow(lb + x0 + shift, row + x0, x1 - x0);
            else
                std::fill(row + x0, row + x1, 0u);
            std::fill(row + x1, row + b.cols, 0u);
        }
    } else {
        const long s = k >> 2;
        const long d = start ? b.h - s : s;
        unsigned char bytes[CEffect::kLBCols];
        for (long y = 0; y < b.rows; ++y) {
            const long evenRow = start ? y + d : y - d;
            const long oddRow = start ? y - d : y + d;
            Interleave(qvr::LBRowOrDark(evenRow), qvr::LBRowOrDark(oddRow), bytes, cached);
            uint32_t* row = b.f.Row(y);
            qvr::RgbRow(bytes, row, cached);
            std::fill(row + cached, row + b.cols, 0u);
        }
    }
}

DWORD ScrollStep(CEffect& e, PageInfo& p, unsigned code, bool start)
{
    if (!IsScroll(code))
        return CEffect::kEffectEnd;
    if (p.frameCount == 0) {
        InitScroll(p, code, start);
        ++p.frameCount;
    }
    const long x = p.xOffset;
    const long h = p.height;
    const long k = p.frameCount;
    switch (code) {
    case 61:
    case 62: {
        const long down = p.position >> 2;
        long y;
        if (start)
            y = code == 61 ? down - h : h - down;
        else
            y = code == 61 ? down : -down;
        e.effect_unicode(x, y);
        e.copy_LB2FB(0, 0, &p.bitmap);
        if (p.position >= p.limit)
            return CEffect::kEffectEnd;
        ++p.position;
        return 0;
    }
    case 67:
    case 68:
        e.effect_unicode(x, 0);
        Comb(e, p, code, k, start);
        if (k >= p.limit)
            return CEffect::kEffectEnd;
        ++p.frameCount;
        return 0;
    default:
        break;
    }

    // Across and diagonally: 59, 63, 64 move left, 60, 65, 66 right.
    const bool left = code == 59 || code == 63 || code == 64;
    long y = 0;
    if (code != 59 && code != 60) {
        const long f = Slope(p);
        // Start: the row offset shrinks with the distance still to go; end:
        // it grows with the steps taken.
        const long v = start ? x / f : k / f;
        const bool up = start ? (code == 63 || code == 66) : (code == 64 || code == 66);
        y = up ? -v : v;
    }
    e.effect_unicode(x, y);
    e.copy_LB2FB(0, 0, &p.bitmap);
    if (!start)
        ++p.frameCount;
    if (left ? x <= p.limit : x >= p.limit)
        return CEffect::kEffectEnd;
    p.xOffset += left ? -1 : 1;
    return 0;
}

} // namespace

DWORD CEffect::effect_0400S()
{
    return m_pPage ? ScrollStep(*this, *m_pPage, Code15(m_pPage->effectS.code), true) : kEffectEnd;
}

DWORD CEffect::effect_0400E()
{
    return m_pPage ? ScrollStep(*this, *m_pPage, Code15(m_pPage->effectE.code), false) : kEffectEnd;
}
