// SPDX-License-Identifier: BSD-2-Clause
// Frame copiers of the geometric effects: colour copies, scaled copies, the
// twisting ribbon, and the cylinder, circle and drum of the Twist starts.
// Every copier clips to the line buffer (reads outside it give black) and to
// the frame storage, whatever the band, offset or scale it is given.
#include "effect_family_util.h"

#include "qvr/effect_family.h"

#include <cmath>
#include <cstring>

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
    // Taking colour components out of a pixel is taking the same bits out of
    // its colour byte: the row's bytes are masked, then converted at once.
    const unsigned char m = static_cast<unsigned char>(colour & 7);
    const unsigned char keep = mode == ROP_REMOVE ? static_cast<unsigned char>(~m & 7) : m;
    const long h = std::max<long>(m_pPage->height, 0);
    const long cols = std::min<long>(std::max<long>(m_pPage->width, 0), f.width);
    unsigned char bytes[kLBCols];
    uint32_t lit[kLBCols];
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
        const long n = in1 - in0;
        const unsigned char* src = lb ? lb + in0 + dx : nullptr;
        qvr::Blocks16(n, [&](long x) { bytes[x] = src[x] & keep; });
        if (mode == ROP_ADD) {
            qvr::RgbRow(bytes, lit, n);
            uint32_t* out = row + in0;
            qvr::Blocks16(n, [&](long x) { out[x] |= lit[x]; });
        } else {
            std::fill(row, row + in0, 0u);
            qvr::RgbRow(bytes, row + in0, n);
            std::fill(row + in1, row + cols, 0u);
        }
    }
    return 0;
}

long CEffect::_copy_pBUFnFIX(long sx, long sy, long sw, long sh, long dx, long dy, long dw, long dh,
                             BITMAP* bm)
{
    if (!m_pPage)
        return dx + dw;
    const FrameRows f = GetFrameRows(bm);
    // An empty rectangle shows nothing (and would divide by zero).
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) {
        qvr::ClearFrame(f);
        return dx + dw;
    }
    const float rx = static_cast<float>(sw) / static_cast<float>(dw);
    const float ry = static_cast<float>(sh) / static_cast<float>(dh);
    const long cols = std::min<long>(std::max<long>(m_pPage->width, 0), f.width);
    const long r0 = std::max<long>(dy, 0);
    const long r1 = std::min<long>(dy + dh, f.height);
    const bool enlarging = rx <= 1.0f;

    // Where each column comes from (enlarging) or goes to (shrinking) is the
    // same on every row: worked out once, for as many columns as the line
    // buffer has; wider frames (never a board) work out the rest per pixel.
    const long c0 = std::clamp<long>(dx, 0, cols);
    const long c1 = std::clamp<long>(dx + dw, c0, cols);
    const long k0 = std::max<long>(0, -sx);
    const long k1 = std::max<long>(k0, std::min<long>(sw, kLBCols - sx));
    auto sourceColumn = [&](long c) {
        const long s = static_cast<long>(static_cast<float>(c - dx) * rx + static_cast<float>(sx));
        return static_cast<unsigned long>(s) < kLBCols ? s : -1L;
    };
    auto destinationColumn = [&](long k) {
        const long c = static_cast<long>(static_cast<float>(k) / rx + static_cast<float>(dx));
        return c >= 0 && c < cols ? c : -1L;
    };
    int32_t plan[kLBCols];
    const long planned = enlarging ? std::min<long>(c1 - c0, kLBCols) : std::min<long>(k1 - k0, kLBCols);
    for (long i = 0; i < planned; ++i)
        plan[i] = static_cast<int32_t>(enlarging ? sourceColumn(c0 + i) : destinationColumn(k0 + i));

    unsigned char bytes[kLBCols];
    long shownRow = -1; // the source row of the frame row above, when it showed one
    for (long r = 0; r < f.height; ++r) {
        uint32_t* row = f.Row(r);
        const long srcRow = r >= r0 && r < r1
                                ? static_cast<long>(static_cast<float>(r - dy) * ry + static_cast<float>(sy))
                                : -1;
        if (static_cast<unsigned long>(srcRow) >= kLBRows) {
            std::fill(row, row + f.width, 0u); // nothing lit to show
            shownRow = -1;
            continue;
        }
        if (srcRow == shownRow) { // the same source row: the same frame row
            std::memcpy(row, f.Row(r - 1), static_cast<size_t>(f.width) * 4);
            continue;
        }
        shownRow = srcRow;
        const unsigned char* lb = m_LB[srcRow];
        if (enlarging) {
            for (long i = 0; i < planned; ++i)
                bytes[i] = plan[i] >= 0 ? lb[plan[i]] : 0;
            std::fill(row, row + c0, 0u);
            qvr::RgbRow(bytes, row + c0, planned);
            for (long c = c0 + planned; c < c1; ++c) {
                const long s = sourceColumn(c);
                row[c] = s >= 0 ? Rgb(lb[s]) : 0u;
            }
            std::fill(row + c1, row + f.width, 0u);
        } else {
            // Later source pixels overwrite earlier ones; dark ones write
            // nothing (kept branch-free: which pixels are dark is the text's).
            // Columns outside the frame go to a spare byte past them.
            const long spare = std::min<long>(cols, kLBCols - 1);
            std::memset(bytes, 0, static_cast<size_t>(spare + 1));
            const unsigned char* src = lb + sx + k0;
            qvr::LitBlocks(src, planned, [&](long i0, long i1) {
                for (long i = i0; i < i1; ++i) {
                    const unsigned char v = src[i];
                    const long c = plan[i] >= 0 && plan[i] < spare ? plan[i] : spare;
                    bytes[c] = static_cast<unsigned char>(v | (bytes[c] & -(v == 0)));
                }
            });
            qvr::RgbRow(bytes, row, spare);
            std::fill(row + spare, row + f.width, 0u);
            if (cols > spare) // a frame wider than the line buffer
                for (long i = 0; i < planned; ++i)
                    if (plan[i] >= spare && lb[sx + k0 + i] != 0)
                        row[plan[i]] = Rgb(lb[sx + k0 + i]);
            for (long k = k0 + planned; k < k1; ++k) {
                const unsigned char v = lb[sx + k];
                const long c = destinationColumn(k);
                if (v != 0 && c >= 0)
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
    const long lit = std::min<long>(w, kLBCols);
    auto drawRow = [&](long r, long lbRow) {
        // cos is even: an angle driven below 0 by the slant reads its mirror.
        const long deg = std::labs(std::min<long>(a, 1080)) % 360;
        const double cosine = kCos.v[deg];
        uint32_t* row = f.Row(r);
        // Dark source pixels add nothing.
        if (const unsigned char* lb = qvr::LBRow(lbRow))
            qvr::LitBlocks(lb, lit, [&](long x0, long x1) {
                for (long x = x0; x < x1; ++x) {
                    const long c = static_cast<long>((x - cx) * cosine + cx);
                    if (c >= 0 && c < cols)
                        row[c] |= Rgb(lb[x]);
                }
            });
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
    // Where each screen column reads its row, once: a column outside the
    // line buffer reads byte 0 and masks it.
    int32_t at[kTableCols];
    unsigned char inside[kTableCols];
    long first = kLBCols, last = -1; // the strip columns read
    for (long x = 0; x < cols; ++x) {
        const bool in = static_cast<unsigned long>(table[x]) < kLBCols;
        at[x] = in ? table[x] : 0;
        inside[x] = in ? 0xFF : 0;
        if (in) {
            first = std::min<long>(first, table[x]);
            last = std::max<long>(last, table[x]);
        }
    }
    unsigned char bytes[kTableCols];
    for (long y = 0; y < rows; ++y) {
        uint32_t* row = f.Row(y);
        const unsigned char* lb = qvr::LBRow(y);
        if (lb && first <= last && qvr::AnyLit(lb + first, last + 1 - first)) {
            for (long x = 0; x < cols; ++x)
                bytes[x] = lb[at[x]] & inside[x];
            qvr::RgbRow(bytes, row, cols);
        } else {
            std::fill(row, row + cols, 0u); // nothing lit on this row
        }
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
    // Column by column into a tile of colour bytes (a column of the line
    // buffer stays in the cache from one screen column to the next), then
    // converted row by row; 64 rows a tile.
    constexpr long kTileRows = kLBRows;
    unsigned char tile[kTileRows][kTableCols];
    for (long y0 = 0; y0 < rows; y0 += kTileRows) {
        const long y1 = std::min<long>(y0 + kTileRows, rows);
        for (long y = y0; y < y1; ++y)
            std::memset(tile[y - y0], 0, static_cast<size_t>(cols));
        for (long x = 0; x < cols; ++x) {
            const long o = offsets[x];
            const long c = columns[x];
            if (static_cast<unsigned long>(c) >= kLBCols)
                continue; // a column outside the line buffer is dark
            const long shift = mode == 0 ? o : -o; // LB row = y + shift
            const long first = std::max({mode == 0 ? 0L : o, -shift, y0});
            const long end = std::min({mode == 0 ? h - o : rows, kLBRows - shift, y1});
            for (long y = first; y < end; ++y)
                tile[y - y0][x] = m_LB[y + shift][c];
        }
        for (long y = y0; y < y1; ++y) {
            uint32_t* row = f.Row(y);
            qvr::RgbRow(tile[y - y0], row, cols);
            std::fill(row + cols, row + f.width, 0u);
        }
    }
    return 0;
}

long CEffect::_copy_pBUFn3DRotate1(BITMAP*) { return 0; }

namespace {

// One screen column of the drum: it shows line-buffer column `src` from
// frame row `top` down, its rows scaled to `percent` (source row y lands on
// row top + y * percent / 100; at 0 or less only the first source row shows).
struct DrumColumn {
    long src, top, percent;
};

// Paints the drum's columns. Row by row through the line buffer, so that
// each source row is read where it lies: the row's pixels of every column
// are gathered at once, then only blocks of them holding a lit pixel are
// placed (dark pixels add nothing); all-dark rows are passed over.
// `slanted` shifts every third frame row left by one.
void PaintDrum(const CEffect::FrameRows& f, const DrumColumn* columns, long count, long h, bool slanted)
{
    long first = CEffect::kLBCols, last = -1; // the source columns shown
    int32_t at[CEffect::kTableCols];          // where a column reads its row
    unsigned char shown[CEffect::kTableCols]; // FF for a column inside the buffer
    for (long x = 0; x < count; ++x) {
        const long src = columns[x].src;
        const bool inside = static_cast<unsigned long>(src) < CEffect::kLBCols;
        at[x] = inside ? static_cast<int32_t>(src) : 0;
        shown[x] = inside ? 0xFF : 0;
        if (inside) {
            first = std::min(first, src);
            last = std::max(last, src);
        }
    }
    unsigned char bytes[CEffect::kTableCols];
    const long rows = std::min<long>(h, CEffect::kLBRows);
    for (long y = 0; y < rows && first <= last; ++y) {
        const unsigned char* lb = CEffect::m_LB[y];
        if (!qvr::AnyLit(lb + first, last + 1 - first))
            continue;
        for (long x = 0; x < count; ++x)
            bytes[x] = lb[at[x]] & shown[x];
        qvr::LitBlocks(bytes, count, [&](long x0, long x1) {
            for (long x = x0; x < x1; ++x) {
                const DrumColumn& d = columns[x];
                if (d.percent <= 0 && y > 0)
                    continue; // only its first source row shows
                const long dest = d.percent <= 0 ? d.top : d.top + y * d.percent / 100;
                if (dest < 0 || dest >= f.height)
                    continue;
                const long c = (slanted && dest % 3 == 1) ? x - 1 : x;
                if (c >= 0)
                    f.Row(dest)[c] |= Rgb(bytes[x]);
            }
        });
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
    DrumColumn columns[kTableCols];
    for (long x = 0; x < W; ++x) {
        const long j = (xo < L && m_DrumColumn[x] > xo) ? x : 2 * T - x - 1;
        columns[x] = DrumColumn{m_DrumColumn[j] - 1, 0, 100};
    }
    PaintDrum(f, columns, W, h, (m_pPage->item.blend & 2) != 0);
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
    DrumColumn columns[kTableCols];
    for (long x = 0; x < W; ++x) {
        if (xo < L && m_DrumColumn[x] > xo) {
            columns[x] = DrumColumn{m_DrumColumn[x] - 1, 0, 100};
        } else {
            const long j = 2 * T - x - 1;
            columns[x] = DrumColumn{m_DrumColumn[j] - 1, tops[j], heights[j]};
        }
    }
    PaintDrum(f, columns, W, h, (m_pPage->item.blend & 2) != 0);
    RoundCorners(f, std::min<long>(h, f.height), W, h);
    return 0;
}
