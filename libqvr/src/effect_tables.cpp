// SPDX-License-Identifier: BSD-2-Clause
// The strip tables of the Twist start effects, built once per board size so
// that a frame needs only table look-ups: cylinder columns, circle offsets and
// the drum of the 3-D rotation.
#include "qvr/effect.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int32_t CylMX(int i) { return 120 + 27 * i; }

// Rounded half away from zero.
int32_t Round(double v) { return static_cast<int32_t>(std::lround(v)); }

const int32_t kShort2[32] = {9,  23, 33, 38, 44, 48, 51, 53, 55, 57, 58, 59, 60, 61, 62, 63,
                             64, 65, 66, 67, 68, 69, 70, 72, 74, 76, 79, 83, 89, 94, 104, 118};
const int32_t kShort3Head[13] = {9, 19, 25, 29, 32, 35, 38, 41, 44, 46, 48, 50, 52};
const int32_t kShort3Tail[12] = {77, 79, 81, 83, 86, 89, 92, 95, 98, 102, 108, 118};
const int32_t kShortHead[24] = {9,  17, 23, 27, 30, 33, 36, 38, 41, 43, 45, 47,
                                49, 51, 52, 54, 55, 57, 58, 59, 60, 61, 62, 63};
const int32_t kShortTail[24] = {64, 65, 66, 67, 68, 69, 70, 72, 73, 75, 76, 78,
                                80, 82, 84, 86, 89, 91, 94, 97, 100, 104, 110, 118};

} // namespace

const int32_t CEffect::m_CylMX[40] = {
    CylMX(0),  CylMX(1),  CylMX(2),  CylMX(3),  CylMX(4),  CylMX(5),  CylMX(6),  CylMX(7),
    CylMX(8),  CylMX(9),  CylMX(10), CylMX(11), CylMX(12), CylMX(13), CylMX(14), CylMX(15),
    CylMX(16), CylMX(17), CylMX(18), CylMX(19), CylMX(20), CylMX(21), CylMX(22), CylMX(23),
    CylMX(24), CylMX(25), CylMX(26), CylMX(27), CylMX(28), CylMX(29), CylMX(30), CylMX(31),
    CylMX(32), CylMX(33), CylMX(34), CylMX(35), CylMX(36), CylMX(37), CylMX(38), CylMX(39)};

long CEffect::GetTableWidth() const
{
    return std::clamp<long>(m_Width, 0, kTableCols);
}

long CEffect::GetCylinderStripWidth(long bandHeight) const
{
    // Tall bands: boards of more than 42 columns take the last entry.
    if (bandHeight > 16)
        return m_CylMX[std::clamp<long>(static_cast<long>(m_ModuleX) - 3, 0, 39)];
    // Short bands: the strip ends where the short-band table does, so boards
    // wider than the table show the strip of the widest board it describes.
    const long columns = GetTableWidth() / 16;
    return std::max<long>(0, (columns - 3) * 16) + 118;
}

void CEffect::_make_Cylinder_Table()
{
    const int W = static_cast<int>(GetTableWidth());
    std::memset(m_CylinderS, 0, sizeof m_CylinderS);
    std::memset(m_CylinderT, 0, sizeof m_CylinderT);
    m_CylinderSum = 0;

    // Short bands: fixed profiles for the narrow boards, else a fixed bend at
    // each end and a straight run between.
    if (W == 32) {
        std::copy(std::begin(kShort2), std::end(kShort2), m_CylinderS);
    } else if (W == 48) {
        std::copy(std::begin(kShort3Head), std::end(kShort3Head), m_CylinderS);
        for (int i = 13; i < 36; ++i)
            m_CylinderS[i] = 53 + (i - 13);
        std::copy(std::begin(kShort3Tail), std::end(kShort3Tail), m_CylinderS + 36);
    } else {
        std::copy(std::begin(kShortHead), std::end(kShortHead), m_CylinderS);
        for (int i = 24; i <= W - 25; ++i)
            m_CylinderS[i] = 65 + (i - 24);
        // On a one-column board the tail would start before column 0.
        for (int k = 0; k < 24; ++k)
            if (W - 24 + k >= 0)
                m_CylinderS[W - 24 + k] = (W - 48) + kShortTail[k];
    }

    // Tall bands: columns near the ends are wider (the strip is squeezed
    // there) following a quarter circle.
    const int r = Round(W * 30.0 / 100.0);
    if (W <= 0 || r <= 0)
        return;
    const double k = 11.333333 / r;
    double v[kTableCols];
    double M = 0;
    for (int i = 0; i < r; ++i) {
        const double d = i + 1 - r;
        v[i] = std::sqrt(std::sqrt(double(r) * r - d * d) * r) * k;
        M = std::max(M, v[i]);
    }
    auto width = [&](int x) {
        if (x < r)
            return M - v[x] + 1;
        if (x >= W - r)
            return M - v[W - 1 - x] + 1;
        return 1.0;
    };
    int32_t sum = 0;
    int32_t entry = 0;
    for (int x = 0; x < W; ++x) {
        const double w = width(x);
        entry += Round(w);
        m_CylinderT[x] = entry;
        sum += static_cast<int32_t>(w);
    }
    m_CylinderSum = sum;
}

void CEffect::_make_Circle_Table()
{
    const int W = static_cast<int>(GetTableWidth());
    std::memset(m_CircleS, 0, sizeof m_CircleS);
    std::memset(m_CircleT, 0, sizeof m_CircleT);
    const int r = (W + 16) * 35 / 100;
    auto offsets = [r](int i, int32_t& shortOff, int32_t& tallOff) {
        const double d = i + 1 - r;
        const double s = std::sqrt(double(r) * r - d * d);
        shortOff = 13 - Round(s * 12 / r);
        tallOff = 19 - Round(s * 18 / r);
    };
    // Left end, then the right end mirrored; on narrow boards the two
    // overlap and the right end wins.
    for (int i = 0; i < std::min(r, W); ++i)
        offsets(i, m_CircleS[i], m_CircleT[i]);
    for (int i = 0; i < r; ++i) {
        const int j = W - 1 - i;
        if (j >= 0)
            offsets(i, m_CircleS[j], m_CircleT[j]);
    }
}

void CEffect::_make_3DRotate_Table()
{
    const int W = static_cast<int>(GetTableWidth());
    std::memset(m_DrumColumn, 0, sizeof m_DrumColumn);
    std::memset(m_DrumTopS, 0, sizeof m_DrumTopS);
    std::memset(m_DrumTopT, 0, sizeof m_DrumTopT);
    std::memset(m_DrumHeightS, 0, sizeof m_DrumHeightS);
    std::memset(m_DrumHeightT, 0, sizeof m_DrumHeightT);
    m_DrumMX = 0;
    if (W <= 0)
        return;

    for (int x = 0; x < W; ++x) {
        m_DrumColumn[x] = m_CylinderT[x];
        m_DrumColumn[W + x] = m_CylinderT[W - 1] + m_CylinderT[x];
    }
    m_DrumMX = m_DrumColumn[2 * W - 1];

    // The back half shrinks toward the middle of the board.
    const int r = W * 50 / 100;
    for (int x = 0; x < W; ++x) {
        // Column x mirrors column W - 1 - x; an odd board's middle column
        // takes the value of the middle.
        const int i = std::min(x, W - 1 - x);
        const double d = std::min(i + 1 - r, 0);
        const double s = r > 0 ? std::sqrt(double(r) * r - d * d) : 0;
        const int32_t a = r > 0 ? 16 - Round(s * 15 / r) : 16;
        const int32_t b = r > 0 ? 32 - Round(s * 30 / r) : 32;
        m_DrumTopS[W + x] = (16 - a) / 2;
        m_DrumHeightS[W + x] = a * 100 / 16;
        m_DrumTopT[W + x] = (32 - b) / 2;
        m_DrumHeightT[W + x] = b * 100 / 32;
    }
}
