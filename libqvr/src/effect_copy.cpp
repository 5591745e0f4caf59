// Frame copiers of the geometric effects: colour copies, scaled copies, the
// twisting ribbon, and the cylinder, circle and drum of the Twist starts.
// Every copier clips to the line buffer (reads outside it give black) and to
// the frame storage, whatever the band, offset or scale it is given.
#include "effect_family_util.h"

#include "qvr/effect_family.h"

#include <cmath>
#include <cstring>

using qvr::LBAt;
using qvr::Rgb;

namespace {

// cos(i degrees), truncated toward zero to three decimals.
struct CosTable {
    double v[360];
    CosTable()
    {
        for (int i = 0; i < 360; ++i)
            v[i] = std::trunc(std::cos(i * M_PI / 180.0) * 1000.0) / 1000.0;
    }
};
const CosTable kCos;

// Columns blacked at both ends of the first and last rows, by row from the edge.
const int kCornerTall[4] = {9, 6, 3, 1};
const int kCornerShort[2] = {4, 1};

void RoundCorners(const CEffect::FrameRows& f, long rows, long cols, long h)
{
    const int* n = h > 16 ? kCornerTall : kCornerShort;
    const int count = h > 16 ? 4 : 2;
    for (int k = 0; k < count; ++k) {
        const long ends[2] = {k, h - 1 - k};
        for (long y : ends) {
            if (y < 0 || y >= rows)
                continue;
            uint32_t* row = f.Row(y);
            const long m = std::min<long>(n[k], cols);
            std::fill(row, row + m, 0u);
            std::fill(row + cols - m, row + cols, 0u);
        }
    }
}

} // namespace

double qvr::TwistCosine(int degrees) { return kCos.v[((degrees % 360) + 360) % 360]; }

long CEffect::_copy_pBUFnCLR(long dx, long dy, ROP_MODE mode, unsigned long colour, BITMAP* bm)
{
    if (!m_pPage)
        return 0;
    const FrameRows f = GetFrameRows(bm);
    const uint32_t m = GetRGX2RGB(static_cast<unsigned char>(colour));
    const long h = std::max<long>(m_pPage->height, 0);
    const long cols = std::min<long>(std::max<long>(m_pPage->width, 0), f.width);
    for (long r = 0; r < f.height; ++r) {
        const long s = r + dy;
        if (s < 0)
            continue;
        if (s >= h)
            break;
        uint32_t* row = f.Row(r);
        // Columns whose source lies inside the line buffer; the others read black.
        const unsigned char* lb = s < kLBRows ? m_LB[s] : nullptr;
        const long in0 = lb ? std::clamp<long>(-dx, 0, cols) : cols;
        const long in1 = lb ? std::clamp<long>(kLBCols - dx, in0, cols) : cols;
        auto apply = [&](long x0, long x1, auto source) {
            switch (mode) {
            case ROP_REPLACE:
                for (long x = x0; x < x1; ++x)
                    row[x] = source(x) & m;
                break;
            case ROP_ADD:
                for (long x = x0; x < x1; ++x)
                    row[x] |= source(x) & m;
                break;
            case ROP_REMOVE:
                for (long x = x0; x < x1; ++x)
                    row[x] = source(x) & ~m;
                break;
            }
        };
        auto dark = [](long) { return 0u; };
        apply(0, in0, dark);
        if (lb)
            apply(in0, in1, [&](long x) { return Rgb(lb[x + dx]); });
        apply(in1, cols, dark);
    }
    return 0;
}

long CEffect::_copy_pBUFnFIX(long sx, long sy, long sw, long sh, long dx, long dy, long dw, long dh,
                             BITMAP* bm)
{
    if (!m_pPage)
        return dx + dw;
    const FrameRows f = GetFrameRows(bm);
    qvr::ClearFrame(f);
    // An empty rectangle shows nothing (and would divide by zero).
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0)
        return dx + dw;
    const float rx = static_cast<float>(sw) / static_cast<float>(dw);
    const float ry = static_cast<float>(sh) / static_cast<float>(dh);
    const long cols = std::min<long>(std::max<long>(m_pPage->width, 0), f.width);
    const long r0 = std::max<long>(dy, 0);
    const long r1 = std::min<long>(dy + dh, f.height);
    for (long r = r0; r < r1; ++r) {
        const long i = r - dy;
        const long srcRow = static_cast<long>(static_cast<float>(i) * ry + static_cast<float>(sy));
        uint32_t* row = f.Row(r);
        if (static_cast<unsigned long>(srcRow) >= kLBRows)
            continue; // nothing lit to show (the frame is already black)
        const unsigned char* lb = m_LB[srcRow];
        if (rx <= 1.0f) {
            const long c0 = std::max<long>(dx, 0);
            const long c1 = std::min<long>(dx + dw, cols);
            for (long c = c0; c < c1; ++c) {
                const long j = c - dx;
                const long srcCol = static_cast<long>(static_cast<float>(j) * rx + static_cast<float>(sx));
                row[c] = static_cast<unsigned long>(srcCol) < kLBCols ? Rgb(lb[srcCol]) : 0u;
            }
        } else {
            for (long k = std::max<long>(0, -sx); k < sw && sx + k < kLBCols; ++k) {
                const unsigned char v = lb[sx + k];
                if (v == 0)
                    continue;
                const long c = static_cast<long>(static_cast<float>(k) / rx + static_cast<float>(dx));
                if (c >= 0 && c < cols)
                    row[c] = Rgb(v);
            }
        }
    }
    return dx + dw;
}

long CEffect::_copy_pBUFnTWIST(long top, long bottom, long angle, long direction, long slant,
                               BITMAP* bm)
{
    if (!m_pPage)
        return 0;
    const FrameRows f = GetFrameRows(bm);
    qvr::ClearFrame(f);
    const long w = std::max<long>(m_pPage->width, 0);
    const long cols = std::min<long>(w, f.width);
    const float cx = static_cast<float>(w) * 0.5f;
    long a = angle;
    auto drawRow = [&](long r, long lbRow) {
        // cos is even: an angle driven below 0 by the slant reads its mirror.
        const long deg = std::labs(std::min<long>(a, 1080)) % 360;
        const double cosine = kCos.v[deg];
        uint32_t* row = f.Row(r);
        for (long x = 0; x < w && x < kLBCols; ++x) {
            const long c = static_cast<long>((x - cx) * cosine + cx);
            if (c >= 0 && c < cols)
                row[c] |= Rgb(LBAt(x, lbRow));
        }
        if (a > 0)
            a -= slant;
    };
    if (direction == 0) {
        long lbRow = 0;
        for (long r = top; r < bottom; ++r, ++lbRow)
            if (r >= 0 && r < f.height)
                drawRow(r, lbRow);
    } else {
        long lbRow = static_cast<long>(bm ? bm->bmHeight : 0) - 1;
        for (long r = bottom - 1; r >= top; --r, --lbRow)
            if (r >= 0 && r < f.height)
                drawRow(r, lbRow);
    }
    return 0;
}

long CEffect::_copy_pBUFnANGLE(BITMAP* bm)
{
    if (!m_pPage)
        return 0;
    const FrameRows f = GetFrameRows(bm);
    const long h = std::max<long>(m_pPage->height, 0);
    const int32_t* table = h > 16 ? m_CylinderT : m_CylinderS;
    // Boards wider than the tables show the strip on the columns the tables
    // describe; the columns beyond stay black.
    const long cols = std::min<long>(GetTableWidth(), f.width);
    const long rows = std::min<long>(h, f.height);
    for (long y = 0; y < rows; ++y) {
        uint32_t* row = f.Row(y);
        for (long x = 0; x < cols; ++x)
            row[x] = Rgb(LBAt(table[x], y));
        std::fill(row + cols, row + f.width, 0u);
    }
    RoundCorners(f, rows, cols, h);
    return 0;
}

long CEffect::_copy_pBUFnCircle(int mode, BITMAP* bm)
{
    if (!m_pPage)
        return 0;
    const FrameRows f = GetFrameRows(bm);
    const long h = std::max<long>(m_pPage->height, 0);
    const int32_t* columns = h > 16 ? m_CylinderT : m_CylinderS;
    const int32_t* offsets = h > 16 ? m_CircleT : m_CircleS;
    const long cols = std::min<long>(GetTableWidth(), f.width);
    const long rows = std::min<long>(h, f.height);
    for (long y = 0; y < rows; ++y) {
        uint32_t* row = f.Row(y);
        for (long x = 0; x < cols; ++x) {
            const long o = offsets[x];
            unsigned char v = 0;
            if (mode == 0) {
                if (y < h - o)
                    v = LBAt(columns[x], o + y);
            } else if (y >= o) {
                v = LBAt(columns[x], y - o);
            }
            row[x] = Rgb(v);
        }
        std::fill(row + cols, row + f.width, 0u);
    }
    return 0;
}

long CEffect::_copy_pBUFn3DRotate1(BITMAP*) { return 0; }

namespace {

// One column of the drum: source column `src`, drawn from row `top` with the
// rows scaled to `percent`; `slanted` shifts every third row left by one.
void DrumColumn(const CEffect::FrameRows& f, long x, long src, long top, long percent, long h,
                bool slanted)
{
    long dest = top;
    long acc = 0;
    for (long y = 0; y < h && dest < f.height; ++y) {
        if (dest >= 0) {
            const long c = (slanted && dest % 3 == 1) ? x - 1 : x;
            if (c >= 0)
                f.Row(dest)[c] |= Rgb(LBAt(src, y));
        }
        acc += percent;
        while (acc >= 100) {
            acc -= 100;
            ++dest;
        }
        if (percent <= 0)
            break;
    }
}

} // namespace

long CEffect::_copy_pBUFn3DRotate2(BITMAP* bm)
{
    if (!m_pPage)
        return 0;
    const FrameRows f = GetFrameRows(bm);
    qvr::ClearFrame(f);
    const long W = std::min<long>(GetTableWidth(), f.width);
    const long T = GetTableWidth();
    if (T <= 0)
        return 0;
    const long h = std::max<long>(m_pPage->height, 0);
    const long L = m_DrumColumn[T - 1];
    const long xo = m_pPage->xOffset;
    const bool slanted = (m_pPage->item.blend & 2) != 0;
    for (long x = 0; x < W; ++x) {
        const long j = (xo < L && m_DrumColumn[x] > xo) ? x : 2 * T - x - 1;
        DrumColumn(f, x, m_DrumColumn[j] - 1, 0, 100, h, slanted);
    }
    return 0;
}

long CEffect::_copy_pBUFn3DRotate3(BITMAP* bm)
{
    if (!m_pPage)
        return 0;
    // Only the frame is cleared: the storage beyond it is never shown.
    const FrameRows f = GetFrameRows(bm);
    qvr::ClearFrame(f);
    const long T = GetTableWidth();
    const long W = std::min<long>(T, f.width);
    if (T <= 0)
        return 0;
    const long h = std::max<long>(m_pPage->height, 0);
    const int32_t* tops = h > 16 ? m_DrumTopT : m_DrumTopS;
    const int32_t* heights = h > 16 ? m_DrumHeightT : m_DrumHeightS;
    const long L = m_DrumColumn[T - 1];
    const long xo = m_pPage->xOffset;
    const bool slanted = (m_pPage->item.blend & 2) != 0;
    for (long x = 0; x < W; ++x) {
        if (xo < L && m_DrumColumn[x] > xo) {
            DrumColumn(f, x, m_DrumColumn[x] - 1, 0, 100, h, slanted);
        } else {
            const long j = 2 * T - x - 1;
            DrumColumn(f, x, m_DrumColumn[j] - 1, tops[j], heights[j], h, slanted);
        }
    }
    RoundCorners(f, std::min<long>(h, f.height), W, h);
    return 0;
}
