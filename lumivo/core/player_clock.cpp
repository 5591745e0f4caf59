// SPDX-License-Identifier: GPL-2.0-or-later
// Analog clock items: our own faces (a ring with ticks at the hours), the
// hand table and a line rasteriser for the hands.
#include "core/player.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace lumivo {

namespace analog {

const int8_t kHandX[60] = {0,   10,  20,  30,  40,  49,  58,  66,  74,  80,  86,  91,  95,  97,  99,
                           100, 99,  97,  95,  91,  86,  80,  74,  66,  58,  50,  40,  30,  20,  10,
                           0,   -10, -20, -30, -40, -49, -58, -66, -74, -80, -86, -91, -95, -97, -99,
                           -99, -99, -97, -95, -91, -86, -80, -74, -66, -58, -50, -40, -30, -20, -10};
const int8_t kHandY[60] = {99,  99,  97,  95,  91,  86,  80,  74,  66,  58,  50,  40,  30,  20,  10,
                           0,   -10, -20, -30, -40, -49, -58, -66, -74, -80, -86, -91, -95, -97, -99,
                           -99, -99, -97, -95, -91, -86, -80, -74, -66, -58, -50, -40, -30, -20, -10,
                           0,   10,  20,  30,  40,  49,  58,  66,  74,  80,  86,  91,  95,  97,  99};

namespace {

constexpr int kMaxFace = 64;

struct FaceBits {
    std::array<uint8_t, kMaxFace * kMaxFace / 8> bits{};
};

void SetBit(FaceBits& f, int n, int x, int y)
{
    if (x < 0 || y < 0 || x >= n || y >= n)
        return;
    f.bits[static_cast<size_t>(y * (n / 8) + x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
}

// A face of n x n pixels centred on the pixel ((n - 1) / 2, (n - 1) / 2),
// where the hands start: a one-pixel ring touching the edge and a tick at
// each hour, longer at 12, 3, 6 and 9.
FaceBits MakeFace(int n)
{
    FaceBits f;
    const int c = (n - 1) / 2;
    const double r = n / 2 - 1;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            if (std::lround(std::hypot(x - c, y - c)) == std::lround(r))
                SetBit(f, n, x, y);
    const int tick = std::max(1, n / 16);
    for (int hour = 0; hour < 12; ++hour) {
        const double a = hour * M_PI / 6;
        const int len = hour % 3 == 0 ? tick + 2 : tick;
        for (int d = 1; d <= len; ++d) {
            const double rr = r - d;
            SetBit(f, n, c + static_cast<int>(std::lround(std::sin(a) * rr)),
                   c - static_cast<int>(std::lround(std::cos(a) * rr)));
        }
    }
    SetBit(f, n, c, c); // the hub
    return f;
}

const FaceBits& FaceBitsOf(int size)
{
    static const std::array<FaceBits, 4> faces = {MakeFace(16), MakeFace(32), MakeFace(48), MakeFace(64)};
    return faces[static_cast<size_t>(size - 1)];
}

} // namespace

Face FaceOfSize(int size)
{
    Face f;
    if (size < 1)
        return f;
    size = std::min(size, 4);
    // Hand lengths (hour, minute, second) of each size; size 1 is our own,
    // the others are the board's.
    static const int lengths[5][3] = {{0, 0, 0}, {4, 6, 7}, {9, 13, 14}, {14, 20, 21}, {18, 26, 28}};
    f.size = size;
    f.pixels = size * 16;
    f.bits = FaceBitsOf(size).bits.data();
    f.hour = lengths[size][0];
    f.minute = lengths[size][1];
    f.second = lengths[size][2];
    return f;
}

bool FacePixel(const Face& f, int x, int y)
{
    if (!f.bits || x < 0 || y < 0 || x >= f.pixels || y >= f.pixels)
        return false;
    return (f.bits[static_cast<size_t>(y * (f.pixels / 8) + x / 8)] & (0x80 >> (x % 8))) != 0;
}

void DrawLine(uint32_t* pixels, int stride, int width, int height, int x0, int y0, int x1, int y1,
              int penWidth, uint32_t colour)
{
    penWidth = std::max(1, penWidth);
    const int lo = -(penWidth - 1) / 2, hi = penWidth / 2;
    auto plot = [&](int x, int y) {
        for (int yy = y + lo; yy <= y + hi; ++yy)
            for (int xx = x + lo; xx <= x + hi; ++xx)
                if (xx >= 0 && yy >= 0 && xx < width && yy < height)
                    pixels[static_cast<size_t>(yy) * stride + xx] = colour;
    };
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        plot(x0, y0);
        if (x0 == x1 && y0 == y1)
            break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

Scheme SchemeOf(unsigned scheme)
{
    static const Scheme schemes[3] = {{3, 1, 1, 2}, {2, 3, 3, 1}, {1, 3, 1, 2}};
    return schemes[scheme < 3 ? scheme : 0];
}

} // namespace analog

void CPlayer::RenderClock(PageInfo& e)
{
    const BITMAP& bm = e.bitmap;
    if (bm.bmBitsPixel != 32 || bm.bmWidthBytes < 4)
        return;
    const int stride = bm.bmWidthBytes / 4;
    const int frameWidth = std::min<int>(bm.bmWidth, stride);
    const int frameRows =
        std::min<long>(bm.bmHeight, static_cast<long>(PageInfo::kFrameBytes / static_cast<size_t>(bm.bmWidthBytes)));
    uint32_t* px = reinterpret_cast<uint32_t*>(e.bits);
    // The frame is redrawn whole, so no hand of the last second remains.
    std::memset(e.bits, 0, static_cast<size_t>(frameRows) * static_cast<size_t>(bm.bmWidthBytes));

    const int size = std::min<int>(e.height / 16, static_cast<int>(m_Rows));
    const analog::Face face = analog::FaceOfSize(size);
    if (face.pixels > 0) {
        const analog::Scheme scheme = analog::SchemeOf(e.item.chars[0].attr.color);
        const uint32_t faceColour = CEffect::GetRGX2RGB(scheme.face);
        const int left = (frameWidth - face.pixels) / 2;
        for (int y = 0; y < face.pixels && y < frameRows; ++y)
            for (int x = 0; x < face.pixels; ++x) {
                const int fx = left + x;
                if (fx >= 0 && fx < frameWidth)
                    px[static_cast<size_t>(y) * stride + fx] = analog::FacePixel(face, x, y) ? faceColour : 0;
            }

        SYSTEMTIME now;
        if (ReadClock(now)) {
            const int cx = (m_Width - 1) / 2, cy = (face.pixels - 1) / 2;
            // The pen takes a desktop colour value (GetRGX2Color); the pixel
            // it leaves in the frame is the same colour as GetRGX2RGB.
            auto hand = [&](int index, int length, int pen, uint8_t colour) {
                index = ((index % 60) + 60) % 60;
                const int x = cx + analog::kHandX[index] * length / 100;
                const int y = cy - analog::kHandY[index] * length / 100;
                analog::DrawLine(px, stride, frameWidth, frameRows, cx, cy, x, y, pen,
                                CEffect::GetRGX2RGB(colour));
            };
            hand((now.wHour % 12) * 5 + now.wMinute / 12, face.hour, 2, scheme.hour);
            hand(now.wMinute, face.minute, 2, scheme.minute);
            hand(now.wSecond, face.second, 1, scheme.second);
        }
    }
    CopyFrame(e, 0, 0, bm.bmWidth, e.height, e.x, e.y);
}

} // namespace lumivo
