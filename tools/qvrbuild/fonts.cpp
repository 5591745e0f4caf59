// SPDX-License-Identifier: GPL-2.0-or-later
#include "fonts.h"

#include "codes.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include <zlib.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <sys/stat.h>

namespace qvrbuild {

std::string FindFont(const std::vector<std::string>& candidates, const std::string& package)
{
    struct stat st;
    for (const std::string& p : candidates)
        if (stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            return p;
    std::string msg = "font not found: " + (candidates.empty() ? std::string("?") : candidates.front()) +
                      "; install the Debian package '" + package + "' (apt-get install " + package + ")";
    throw FontError(msg);
}

unsigned ToLegacy(Encoding enc, char32_t cp)
{
    switch (enc) {
    case Encoding::KsX1001: return EucCode(Charset::EucKr, cp);
    case Encoding::Gb2312: return EucCode(Charset::Gb2312, cp);
    default: return cp;
    }
}

// Reads a whole file, inflating it when it is gzip-compressed.
static std::vector<uint8_t> ReadMaybeGz(const std::string& path)
{
    gzFile f = gzopen(path.c_str(), "rb");
    if (!f)
        throw FontError("cannot open " + path);
    std::vector<uint8_t> data;
    uint8_t buf[65536];
    int n;
    while ((n = gzread(f, buf, sizeof buf)) > 0)
        data.insert(data.end(), buf, buf + n);
    gzclose(f);
    if (n < 0)
        throw FontError("cannot read " + path);
    return data;
}

static void CentreInto(const Raster& g, Raster& cell)
{
    cell.blit(g, (cell.w - g.w) / 2, (cell.h - g.h) / 2);
}

// ---------------------------------------------------------------- PSF

PsfFont::PsfFont(const std::string& path)
{
    m_name = path.substr(path.find_last_of('/') + 1);
    const std::vector<uint8_t> d = ReadMaybeGz(path);
    auto u32 = [&](size_t o) -> uint32_t {
        if (o + 4 > d.size())
            throw FontError("truncated console font " + path);
        return uint32_t(d[o]) | uint32_t(d[o + 1]) << 8 | uint32_t(d[o + 2]) << 16 | uint32_t(d[o + 3]) << 24;
    };
    size_t count, glyphBytes, offset;
    bool psf2, hasTable;
    if (d.size() >= 4 && d[0] == 0x36 && d[1] == 0x04) {
        psf2 = false;
        count = (d[2] & 1) ? 512 : 256;
        hasTable = (d[2] & 6) != 0;
        glyphBytes = d[3];
        m_w = 8;
        m_h = d[3];
        offset = 4;
    } else if (d.size() >= 32 && u32(0) == 0x864AB572u) {
        psf2 = true;
        offset = u32(8);
        hasTable = u32(12) & 1;
        count = u32(16);
        glyphBytes = u32(20);
        m_h = int(u32(24));
        m_w = int(u32(28));
    } else {
        throw FontError("not a console font: " + path);
    }
    const size_t rowBytes = size_t(m_w + 7) / 8;
    if (m_w <= 0 || m_h <= 0 || m_w > 64 || m_h > 64 || glyphBytes < rowBytes * m_h ||
        offset + count * glyphBytes > d.size())
        throw FontError("damaged console font " + path);
    for (size_t g = 0; g < count; ++g) {
        Raster r(m_w, m_h);
        const uint8_t* p = &d[offset + g * glyphBytes];
        for (int y = 0; y < m_h; ++y)
            for (int x = 0; x < m_w; ++x)
                r.px[size_t(y) * m_w + x] = (p[y * rowBytes + x / 8] >> (7 - x % 8)) & 1;
        m_glyphs.push_back(std::move(r));
    }
    if (!hasTable) {
        for (size_t g = 0; g < count; ++g)
            m_map.emplace(char32_t(g), g);
        return;
    }
    // Unicode table: per glyph a list of code points; sequences are skipped.
    size_t pos = offset + count * glyphBytes;
    for (size_t g = 0; g < count && pos < d.size(); ++g) {
        bool inSeq = false;
        while (pos < d.size()) {
            char32_t cp;
            if (!psf2) {
                if (pos + 2 > d.size())
                    break;
                cp = char32_t(d[pos] | d[pos + 1] << 8);
                pos += 2;
                if (cp == 0xFFFF)
                    break;
                if (cp == 0xFFFE) {
                    inSeq = true;
                    continue;
                }
            } else {
                uint8_t b = d[pos];
                if (b == 0xFF) {
                    ++pos;
                    break;
                }
                if (b == 0xFE) {
                    ++pos;
                    inSeq = true;
                    continue;
                }
                int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
                cp = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
                if (pos + 1 + extra > d.size())
                    break;
                for (int i = 1; i <= extra; ++i)
                    cp = cp << 6 | (d[pos + i] & 0x3F);
                pos += 1 + extra;
            }
            if (!inSeq)
                m_map.emplace(cp, g);
        }
    }
}

void PsfFont::Merge(const PsfFont& other)
{
    if (other.m_w != m_w || other.m_h != m_h)
        return;
    for (const auto& [cp, g] : other.m_map)
        if (!m_map.count(cp)) {
            m_map.emplace(cp, m_glyphs.size());
            m_glyphs.push_back(other.m_glyphs[g]);
        }
}

bool PsfFont::Draw(char32_t cp, Raster& cell)
{
    auto it = m_map.find(cp);
    if (it == m_map.end())
        return false;
    CentreInto(m_glyphs[it->second], cell);
    return true;
}

// ---------------------------------------------------------------- Unifont .hex

HexFont::HexFont(const std::string& path)
{
    m_name = path.substr(path.find_last_of('/') + 1);
    const std::vector<uint8_t> d = ReadMaybeGz(path);
    size_t pos = 0;
    auto hexv = [](uint8_t c) -> int {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    };
    while (pos < d.size()) {
        size_t end = pos;
        while (end < d.size() && d[end] != '\n')
            ++end;
        size_t colon = pos;
        while (colon < end && d[colon] != ':')
            ++colon;
        const size_t digits = end - colon - 1;
        if (colon < end && (digits == 32 || digits == 64) && colon - pos <= 6) {
            char32_t cp = 0;
            bool ok = true;
            for (size_t i = pos; i < colon; ++i) {
                int v = hexv(d[i]);
                ok &= v >= 0;
                cp = cp << 4 | char32_t(v & 15);
            }
            const int w = digits == 32 ? 8 : 16;
            Raster r(w, 16);
            for (size_t i = 0; i < digits && ok; ++i) {
                int v = hexv(d[colon + 1 + i]);
                ok &= v >= 0;
                for (int b = 0; b < 4; ++b) {
                    const size_t bit = i * 4 + b;
                    r.px[(bit / w) * w + bit % w] = (v >> (3 - b)) & 1;
                }
            }
            if (ok)
                m_glyphs.emplace(cp, std::move(r));
        }
        pos = end + 1;
    }
    if (m_glyphs.empty())
        throw FontError("no glyphs in " + path);
}

const Raster* HexFont::Get(char32_t cp) const
{
    auto it = m_glyphs.find(cp);
    return it == m_glyphs.end() ? nullptr : &it->second;
}

bool HexFont::Draw(char32_t cp, Raster& cell)
{
    const Raster* g = Get(cp);
    if (!g)
        return false;
    if (cell.w >= 2 * g->w && cell.h >= 2 * g->h && cell.h >= 32)
        CentreInto(Double(*g), cell);
    else
        CentreInto(*g, cell);
    return true;
}

// ---------------------------------------------------------------- FreeType

namespace {
FT_Library Library()
{
    static FT_Library lib = [] {
        FT_Library l = nullptr;
        if (FT_Init_FreeType(&l))
            throw FontError("FreeType does not start");
        return l;
    }();
    return lib;
}
} // namespace

struct FtFont::Impl {
    FT_Face face = nullptr;
    std::map<char32_t, unsigned> index;
};

FtFont::FtFont(const std::string& path, const Options& opt) : m(std::make_unique<Impl>()), m_opt(opt)
{
    m_name = path.substr(path.find_last_of('/') + 1);
    if (opt.faceIndex)
        m_name += "#" + std::to_string(opt.faceIndex);
    if (FT_New_Face(Library(), path.c_str(), opt.faceIndex, &m->face))
        throw FontError("FreeType cannot open " + path);
    FT_Face f = m->face;
    if (opt.encoding == Encoding::Unicode) {
        if (FT_Select_Charmap(f, FT_ENCODING_UNICODE) && f->num_charmaps > 0)
            FT_Set_Charmap(f, f->charmaps[0]);
    } else if (f->num_charmaps > 0) {
        FT_Set_Charmap(f, f->charmaps[0]);
    }
    // A bitmap strike of exactly the wanted height is used as drawn by its designer.
    for (int i = 0; i < f->num_fixed_sizes; ++i)
        if ((f->available_sizes[i].y_ppem + 32) / 64 == opt.pixelSize || !FT_IS_SCALABLE(f)) {
            if (FT_Select_Size(f, i) == 0)
                m_strike = true;
            break;
        }
    if (!m_strike) {
        if (!FT_IS_SCALABLE(f))
            throw FontError(path + " has no " + std::to_string(opt.pixelSize) + "-pixel strike");
        FT_Set_Pixel_Sizes(f, 0, opt.pixelSize);
    }
}

FtFont::~FtFont()
{
    if (m->face)
        FT_Done_Face(m->face);
}

unsigned FtFont::Index(char32_t cp)
{
    auto it = m->index.find(cp);
    if (it != m->index.end())
        return it->second;
    unsigned code = cp;
    if (m_opt.encoding != Encoding::Unicode) {
        code = ToLegacy(m_opt.encoding, cp);
        code = code ? (code & 0x7F7F) : 0; // X11 fonts index by the GL form of the code
    }
    unsigned gi = code ? FT_Get_Char_Index(m->face, code) : 0;
    m->index.emplace(cp, gi);
    return gi;
}

bool FtFont::Has(char32_t cp)
{
    return Index(cp) != 0;
}

bool FtFont::Render(unsigned gi, Raster& out, int& left, int& top, int& advance)
{
    FT_Face f = m->face;
    FT_Int32 flags = FT_LOAD_TARGET_MONO;
    if (!m_strike)
        flags |= FT_LOAD_NO_BITMAP | FT_LOAD_FORCE_AUTOHINT;
    if (FT_Load_Glyph(f, gi, flags))
        return false;
    FT_GlyphSlot s = f->glyph;
    if (m_opt.embolden > 0 && s->format == FT_GLYPH_FORMAT_OUTLINE)
        FT_Outline_Embolden(&s->outline, FT_Pos(m_opt.embolden * 64));
    if (s->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(s, FT_RENDER_MODE_MONO))
        return false;
    const FT_Bitmap& b = s->bitmap;
    out = Raster(int(b.width), int(b.rows));
    for (unsigned y = 0; y < b.rows; ++y) {
        const uint8_t* row = b.buffer + ptrdiff_t(y) * b.pitch;
        for (unsigned x = 0; x < b.width; ++x) {
            uint8_t v = 0;
            if (b.pixel_mode == FT_PIXEL_MODE_MONO)
                v = (row[x / 8] >> (7 - x % 8)) & 1;
            else if (b.pixel_mode == FT_PIXEL_MODE_GRAY)
                v = row[x] >= 128;
            out.px[size_t(y) * b.width + x] = v;
        }
    }
    left = s->bitmap_left;
    top = s->bitmap_top;
    advance = int((s->advance.x + 32) >> 6);
    return true;
}

// Finds the pixel size and offsets that centre the union of the sample glyphs in the cell.
void FtFont::Fit(int cellW, int cellH)
{
    m_fitted = true;
    m_fitCellW = cellW;
    m_fitCellH = cellH;
    const int availW = cellW - 2 * m_opt.fitMargin, availH = cellH - 2 * m_opt.fitMargin;
    for (int size = m_opt.pixelSize; size >= 8; --size) {
        FT_Set_Pixel_Sizes(m->face, 0, size);
        int x0 = INT_MAX, y0 = INT_MAX, x1 = INT_MIN, y1 = INT_MIN;
        for (char32_t cp : m_opt.fitSample) {
            unsigned gi = Index(cp);
            Raster g;
            int left, top, adv;
            if (!gi || !Render(gi, g, left, top, adv) || g.empty())
                continue;
            x0 = std::min(x0, left);
            x1 = std::max(x1, left + g.w);
            y0 = std::min(y0, -top);
            y1 = std::max(y1, -top + g.h);
        }
        if (x0 == INT_MAX) { // nothing to measure: keep the designer's line box
            m_opt.fitToCell = false;
            FT_Set_Pixel_Sizes(m->face, 0, m_opt.pixelSize);
            return;
        }
        if ((x1 - x0 <= availW && y1 - y0 <= availH) || size == 8) {
            m_offX = (cellW - (x1 - x0)) / 2 - x0;
            m_baseY = (cellH - (y1 - y0)) / 2 - y0;
            return;
        }
    }
}

bool FtFont::Draw(char32_t cp, Raster& cell)
{
    unsigned gi = Index(cp);
    if (!gi)
        return false;
    if (m_opt.fitToCell && !m_strike && (!m_fitted || m_fitCellW != cell.w || m_fitCellH != cell.h))
        Fit(cell.w, cell.h);
    Raster g;
    int left, top, adv;
    if (!Render(gi, g, left, top, adv))
        return false;
    if (m_fitted && m_opt.fitToCell && !m_strike) {
        cell.blit(g, m_offX + left, m_baseY - top);
        return true;
    }
    // Line box centred vertically, advance centred horizontally.
    FT_Face f = m->face;
    const int asc = int((f->size->metrics.ascender + 32) >> 6);
    const int desc = int((-f->size->metrics.descender + 32) >> 6);
    const int baseY = m_opt.baseline >= 0 ? m_opt.baseline : (cell.h - (asc + desc)) / 2 + asc;
    const int x = (cell.w - adv) / 2 + left;
    cell.blit(g, x, baseY - top);
    return true;
}

} // namespace qvrbuild
