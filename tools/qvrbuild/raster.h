// SPDX-License-Identifier: GPL-2.0-or-later
// Small one-bit and four-bit rasters the builder draws into before packing
// them into the container's glyph rows and RGX pixel data.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace qvrbuild {

// One byte per dot, 0 or 1 for glyphs, a colour nibble (0-15) for pictures.
struct Raster {
    int w = 0, h = 0;
    std::vector<uint8_t> px;

    Raster() = default;
    Raster(int width, int height, uint8_t fill = 0) : w(width), h(height), px(size_t(width) * height, fill) {}

    uint8_t at(int x, int y) const { return (x < 0 || y < 0 || x >= w || y >= h) ? 0 : px[size_t(y) * w + x]; }
    void set(int x, int y, uint8_t v)
    {
        if (x >= 0 && y >= 0 && x < w && y < h)
            px[size_t(y) * w + x] = v;
    }
    bool empty() const { return std::all_of(px.begin(), px.end(), [](uint8_t v) { return v == 0; }); }
    void fill(uint8_t v) { std::fill(px.begin(), px.end(), v); }
    // Draws src with its top-left corner at (x, y); zero dots of src are transparent.
    void blit(const Raster& src, int x, int y)
    {
        for (int sy = 0; sy < src.h; ++sy)
            for (int sx = 0; sx < src.w; ++sx)
                if (uint8_t v = src.at(sx, sy))
                    set(x + sx, y + sy, v);
    }
    void rect(int x0, int y0, int x1, int y1, uint8_t v) // inclusive, filled
    {
        for (int y = std::max(0, y0); y <= std::min(h - 1, y1); ++y)
            for (int x = std::max(0, x0); x <= std::min(w - 1, x1); ++x)
                px[size_t(y) * w + x] = v;
    }
};

// Packs a one-bit raster as glyph rows: whole bytes a row, most significant bit leftmost.
inline void PackGlyph(const Raster& r, std::vector<uint8_t>& out)
{
    const int rowBytes = (r.w + 7) / 8;
    for (int y = 0; y < r.h; ++y)
        for (int b = 0; b < rowBytes; ++b) {
            uint8_t v = 0;
            for (int bit = 0; bit < 8; ++bit)
                if (r.at(b * 8 + bit, y))
                    v |= uint8_t(0x80 >> bit);
            out.push_back(v);
        }
}

// Packs colour nibbles two to a byte, the left pixel in the high nibble.
inline void PackNibbles(const Raster& r, std::vector<uint8_t>& out)
{
    for (int y = 0; y < r.h; ++y)
        for (int x = 0; x < r.w; x += 2)
            out.push_back(uint8_t((r.at(x, y) & 15) << 4 | (r.at(x + 1, y) & 15)));
}

// Doubles every dot in both directions.
inline Raster Double(const Raster& r)
{
    Raster d(r.w * 2, r.h * 2);
    for (int y = 0; y < d.h; ++y)
        for (int x = 0; x < d.w; ++x)
            d.px[size_t(y) * d.w + x] = r.at(x / 2, y / 2);
    return d;
}

} // namespace qvrbuild
