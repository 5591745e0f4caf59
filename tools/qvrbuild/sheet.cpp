// SPDX-License-Identifier: GPL-2.0-or-later
#include "sheet.h"

#include "builder.h"
#include "raster.h"

#include <qvr/glyph.h>

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace qvrbuild {

void WritePng(const std::string& path, int w, int h, const std::vector<uint8_t>& rgb)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        throw std::runtime_error("cannot write " + path);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        throw std::runtime_error("PNG error writing " + path);
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < h; ++y)
        png_write_row(png, const_cast<png_bytep>(&rgb[size_t(y) * w * 3]));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

namespace {

// The board's colours; 8 and above are white in pictures.
uint32_t Led(uint8_t v)
{
    if (v >= 8)
        return 0xFFFFFF;
    return (v & 1 ? 0xFF0000u : 0) | (v & 2 ? 0x00FF00u : 0) | (v & 4 ? 0x0000FFu : 0);
}

class Sheet {
public:
    Sheet(int w, int h) : m_w(w), m_h(h), m_rgb(size_t(w) * h * 3, 0x30) {}
    void Put(int x, int y, uint32_t c, int scale)
    {
        for (int dy = 0; dy < scale; ++dy)
            for (int dx = 0; dx < scale; ++dx) {
                const int px = x * scale + dx, py = y * scale + dy;
                if (px < 0 || py < 0 || px >= m_w || py >= m_h)
                    continue;
                uint8_t* p = &m_rgb[(size_t(py) * m_w + px) * 3];
                p[0] = uint8_t(c >> 16), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c);
            }
    }
    // A w x h picture at (x, y) in unscaled dots, scaled; colour from each value.
    template <class F> void Block(int x, int y, int w, int h, int scale, F colour)
    {
        for (int yy = 0; yy < h; ++yy)
            for (int xx = 0; xx < w; ++xx)
                Put(x + xx, y + yy, colour(xx, yy), scale);
    }
    void Save(const std::string& path) const { WritePng(path, m_w, m_h, m_rgb); }

private:
    int m_w, m_h;
    std::vector<uint8_t> m_rgb;
};

void GlyphSheet(const std::vector<uint8_t>& data, int gw, int gh, const std::string& path, int maxGlyphs)
{
    const int rowBytes = (gw + 7) / 8, glyphBytes = rowBytes * gh;
    const int all = int(data.size() - std::min<size_t>(data.size(), 16)) / glyphBytes, count = maxGlyphs > 0 ? std::min(all, maxGlyphs) : all;
    const int perRow = gw <= 8 ? 32 : 47;
    const int scale = gh <= 16 ? 2 : 1, pitchX = gw + 1, pitchY = gh + 1;
    const int rows = (count + perRow - 1) / perRow;
    Sheet s(perRow * pitchX * scale, rows * pitchY * scale);
    for (int i = 0; i < count; ++i) {
        const uint8_t* g = &data[size_t(i) * glyphBytes];
        s.Block((i % perRow) * pitchX, (i / perRow) * pitchY, gw, gh, scale, [&](int x, int y) {
            return (g[y * rowBytes + x / 8] >> (7 - x % 8)) & 1 ? 0xFFD040u : 0x000000u;
        });
    }
    s.Save(path);
}

void PatternSheet(const std::vector<uint8_t>& data, bool attrib, const std::string& path)
{
    const int count = int(data.size() / 256), perRow = 32, scale = 2;
    Sheet s(perRow * 17 * scale, (count + perRow - 1) / perRow * 17 * scale);
    for (int i = 0; i < count; ++i)
        s.Block((i % perRow) * 17, (i / perRow) * 17, 16, 16, scale, [&](int x, int y) {
            const uint8_t v = data[size_t(i) * 256 + y * 16 + x];
            if (!attrib)
                return Led(v);
            return v == 0 ? 0x606060u : v >= 8 ? 0x000000u : v >= 4 ? 0x00FFFFu : Led(v); // grey: the glyph shows
        });
    s.Save(path);
}

// Each row of the painter's attribute or colour table as the strip of
// patterns it steps through, 40 frames to a line.
void RowSheet(const std::vector<uint8_t>& data, bool attrib, const std::string& path)
{
    const int rows = attrib ? 16 : 23, perLine = 40, scale = 2;
    std::vector<std::vector<int>> seqs;
    int lines = 0;
    for (int r = 0; r < rows; ++r) {
        std::vector<int> seq;
        const int n = attrib ? gQvxfAttrib[r][1] : gQvxfColor[r][1];
        for (int i = 0; i < n; ++i)
            seq.push_back(attrib ? gQvxfAttrib[r][2 + i] : gQvxfColor[r][2 + i]);
        lines += (n + perLine - 1) / perLine;
        seqs.push_back(seq);
    }
    Sheet s(perLine * 17 * scale, (lines * 17 + rows * 3) * scale);
    int y = 0;
    for (const std::vector<int>& seq : seqs) {
        for (size_t i = 0; i < seq.size(); ++i)
            s.Block(int(i % perLine) * 17, y + int(i / perLine) * 17, 16, 16, scale, [&](int x, int yy) {
                const size_t at = size_t(seq[i]) * 256 + yy * 16 + x;
                const uint8_t v = at < data.size() ? data[at] : 0;
                if (!attrib)
                    return Led(v);
                return v == 0 ? 0x606060u : v >= 8 ? 0x000000u : v >= 4 ? 0x00FFFFu : Led(v);
            });
        y += int((seq.size() + perLine - 1) / perLine) * 17 + 3;
    }
    s.Save(path);
}

uint8_t Nibble(const std::vector<uint8_t>& px, int w, int h, int frame, int x, int y)
{
    const size_t byte = size_t(frame) * (w / 2) * h + size_t(y) * (w / 2) + x / 2;
    return byte < px.size() ? ((x & 1) ? px[byte] & 15 : px[byte] >> 4) : 0;
}

// Images laid out left to right in rows no wider than 640 dots, each with
// up to maxFrames frames (16 to a line).
void ImageSheet(const std::vector<const ReadSection*>& images, int maxFrames, int scale, bool masks, const std::string& path)
{
    struct Place { int x, y; };
    std::vector<Place> at;
    const int limit = 640;
    int x = 0, y = 0, lineH = 0, width = 1, height = 1;
    for (const ReadSection* s : images) {
        const int frames = std::min<int>(s->header.frames, maxFrames);
        const int w = std::min(frames, 16) * (s->header.width + 2), h = ((frames + 15) / 16) * (s->header.height + 2);
        if (x > 0 && x + w > limit) {
            x = 0;
            y += lineH + 2;
            lineH = 0;
        }
        at.push_back({x, y});
        x += w + 4;
        lineH = std::max(lineH, h);
        width = std::max(width, x);
        height = std::max(height, y + lineH);
    }
    Sheet sheet(width * scale, height * scale);
    for (size_t i = 0; i < images.size(); ++i) {
        const ReadSection* s = images[i];
        const RgxHeader& h = s->header;
        const int frames = std::min<int>(h.frames, maxFrames);
        for (int f = 0; f < frames; ++f)
            sheet.Block(at[i].x + (f % 16) * (h.width + 2), at[i].y + (f / 16) * (h.height + 2), h.width, h.height, scale,
                        [&](int px, int py) {
                            const uint8_t v = Nibble(s->data, h.width, h.height, f, px, py);
                            if (!masks)
                                return Led(v);
                            // Effect masks: grey where the text shows, black where it is hidden.
                            const bool text = h.group == 1 ? v >= 8 : v == 0;
                            const bool black = h.group == 1 ? v == 0 : v >= 8;
                            return text ? 0x707070u : black ? 0x000000u : Led(v);
                        });
    }
    sheet.Save(path);
}

} // namespace

std::vector<std::string> WriteSheets(const std::vector<uint8_t>& container, int resource, const std::string& dir,
                                     int maxGlyphs)
{
    uint32_t word;
    std::vector<ReadSection> secs;
    std::string error;
    if (!ReadContainer(container, word, secs, error))
        throw std::runtime_error("container " + std::to_string(resource) + ": " + error);
    std::vector<std::string> files;
    const std::string base = dir + "/" + std::to_string(resource) + "-";
    struct GlyphPart { int section, w, h; const char* name; };
    const GlyphPart parts[] = {
        {2, 6, 8, "small"}, {3, 8, 16, "latin16-0"}, {4, 8, 16, "latin16-1"}, {5, 8, 16, "latin16-2"},
        {6, 8, 16, "latin16-3"}, {7, 8, 16, "latin16-4"}, {8, 16, 32, "latin32-0"}, {9, 16, 32, "latin32-1"},
        {10, 16, 32, "latin32-2"}, {11, 16, 32, "latin32-3"}, {12, 16, 32, "latin32-4"}, {13, 16, 16, "symbols16"},
        {14, 32, 32, "symbols32"}, {25, 0, 0, "hanja"}, {27, 16, 16, "gb16-0"}, {28, 16, 16, "gb16-1"},
        {29, 32, 32, "gb32-0"}, {30, 32, 32, "gb32-1"},
    };
    const bool tall = ((word >> 12) & 15) >= 2;
    for (GlyphPart p : parts) {
        if (size_t(p.section) >= secs.size() || !secs[p.section].present)
            continue;
        if (p.section == 25)
            p.w = p.h = tall ? 32 : 16;
        const std::string f = base + p.name + ".png";
        GlyphSheet(secs[p.section].data, p.w, p.h, f, maxGlyphs);
        files.push_back(f);
    }
    // A 32-dot library's 16-dot Hanja are its 32-dot ones thinned by the reader:
    // the first row of each pair, the even columns.
    if (tall && secs.size() > 25 && secs[25].present) {
        const std::vector<uint8_t>& big = secs[25].data;
        std::vector<uint8_t> thin(big.size() / 4);
        for (size_t g = 0; g < thin.size() / 32; ++g)
            for (int y = 0; y < 16; ++y)
                for (int b = 0; b < 2; ++b) {
                    uint8_t v = 0;
                    for (int bit = 0; bit < 8; ++bit) {
                        const int x = (b * 8 + bit) * 2;
                        if ((big[g * 128 + y * 2 * 4 + x / 8] >> (7 - x % 8)) & 1)
                            v |= uint8_t(0x80 >> bit);
                    }
                    thin[g * 32 + y * 2 + b] = v;
                }
        GlyphSheet(thin, 16, 16, base + "hanja16-thinned.png", maxGlyphs);
        files.push_back(base + "hanja16-thinned.png");
    }
    for (int s = 15; s < 25 && size_t(s) < secs.size(); ++s)
        if (secs[s].present) {
            const int size = tall && s >= 20 ? 32 : 16;
            const std::string f = base + "hangul" + std::to_string(size) + "-" + std::to_string(tall && s >= 20 ? s - 20 : s - 15) + ".png";
            GlyphSheet(secs[s].data, size, size, f, maxGlyphs);
            files.push_back(f);
        }
    if (secs.size() > 34) {
        PatternSheet(secs[33].data, true, base + "attrib.png");
        PatternSheet(secs[34].data, false, base + "colour.png");
        RowSheet(secs[33].data, true, base + "attrib-rows.png");
        RowSheet(secs[34].data, false, base + "colour-rows.png");
        for (const char* n : {"attrib.png", "colour.png", "attrib-rows.png", "colour-rows.png"})
            files.push_back(base + n);
    }
    std::vector<const ReadSection*> effects, moves, images, movies, anims;
    for (size_t i = 43; i < secs.size(); ++i) {
        if (!secs[i].present)
            continue;
        switch (secs[i].header.type) {
        case 3: effects.push_back(&secs[i]); break;
        case 4: images.push_back(&secs[i]); break;
        case 5: movies.push_back(&secs[i]); break;
        case 6: anims.push_back(&secs[i]); break;
        case 7: moves.push_back(&secs[i]); break;
        default: break;
        }
    }
    auto add = [&](const std::vector<const ReadSection*>& v, int frames, int scale, bool masks, const char* name) {
        if (v.empty())
            return;
        ImageSheet(v, frames, scale, masks, base + name + ".png");
        files.push_back(base + name + ".png");
    };
    add(effects, 32, 2, true, "effects");
    // Moves: eight to a row of four frames each.
    if (!moves.empty()) {
        const int perRow = 8, cellW = 4 * 18 + 8, cellH = 20;
        Sheet s(perRow * cellW * 3, int((moves.size() + perRow - 1) / perRow) * cellH * 3);
        for (size_t i = 0; i < moves.size(); ++i)
            for (int f = 0; f < 4; ++f)
                s.Block(int(i % perRow) * cellW + f * 18, int(i / perRow) * cellH, 16, 16, 3,
                        [&](int x, int y) { return Led(Nibble(moves[i]->data, 16, 16, f, x, y)); });
        s.Save(base + "moves.png");
        files.push_back(base + "moves.png");
    }
    add(images, 1, 2, false, "images");
    add(movies, 16, 2, false, "movies");
    add(anims, 8, 2, false, "animations");
    return files;
}

} // namespace qvrbuild
