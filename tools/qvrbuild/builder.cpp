// SPDX-License-Identifier: GPL-2.0-or-later
#include "builder.h"

#include "art.h"
#include "codes.h"

#include <qvr/lzo.h>

#include <algorithm>
#include <map>
#include <mutex>

namespace qvrbuild {

const std::vector<ContainerSpec>& Containers()
{
    static const std::vector<ContainerSpec> v = {
        {310, 0x221A1231}, {311, 0x221A1331}, {312, 0x221A1631}, {333, 0x001A2300}, {315, 0x001A2600},
        {316, 0x221E1331}, {314, 0x221E1631}, {327, 0x001E2300}, {326, 0x001E2600},
    };
    return v;
}

const ContainerSpec* FindContainer(int resource)
{
    for (const ContainerSpec& s : Containers())
        if (s.resource == resource)
            return &s;
    return nullptr;
}

int EffectMaskWidth(const ContainerSpec& spec)
{
    return int(spec.Column() * 16 / std::max(1u, spec.Row()));
}

// Banner texts: Latin in the bold console face, Hangul in the bold gothic
// faces, Chinese in the first GB2312 face.
static Raster BannerGlyph(GlyphLibrary& g, char32_t cp, bool tall)
{
    const GlyphSet* set;
    if (cp < 0x250)
        set = &g.Latin(1, tall);
    else if (cp >= 0xAC00 && cp <= 0xD7A3)
        set = tall ? &g.Hangul32(3) : &g.Hangul16(3);
    else
        set = &g.Gb2312(0, tall);
    const auto it = std::find(set->codes.begin(), set->codes.end(), cp);
    return it == set->codes.end() ? Raster() : GlyphAt(*set, size_t(it - set->codes.begin()));
}

std::vector<uint8_t> BuildContainer(GlyphLibrary& g, const ContainerSpec& spec)
{
    QvrWriter w(spec.headerWord);
    const bool tall = spec.Row() >= 2;
    w.SetTable(kCodeTable, BuildCodeTable(g.SymbolCodes()));
    w.SetGlyphs(kSmallFont, g.Small().data);
    for (int f = 0; f < 5; ++f) {
        w.SetGlyphs(kLatin16 + f, g.Latin(f, false).data);
        if (tall)
            w.SetGlyphs(kLatin32 + f, g.Latin(f, true).data);
    }
    w.SetGlyphs(kSymbols16, g.Symbols(false).data);
    if (tall)
        w.SetGlyphs(kSymbols32, g.Symbols(true).data);
    if (spec.Language() == 10) {
        if (!tall) {
            for (int f = 0; f < 10; ++f)
                w.SetGlyphs(kHangul + f, g.Hangul16(f).data);
            w.SetGlyphs(kHanja, g.Hanja(false).data);
        } else {
            for (int f = 0; f < 5; ++f) {
                w.SetGlyphs(kHangul + f, g.Hangul16(f).data);
                w.SetGlyphs(kHangul + 5 + f, g.Hangul32(f).data);
            }
            w.SetGlyphs(kHanja, g.Hanja(true).data);
        }
    } else {
        for (int f = 0; f < 2; ++f) {
            w.SetGlyphs(kGb16 + f, g.Gb2312(f, false).data);
            if (tall)
                w.SetGlyphs(kGb32 + f, g.Gb2312(f, true).data);
        }
    }
    static const std::vector<uint8_t> attrib = AttributePatterns(), colour = ColourPatterns();
    w.SetTable(kAttrib, attrib);
    w.SetTable(kColour, colour);
    const std::vector<RgxImage> effects = EffectAnimations(EffectMaskWidth(spec));
    for (size_t i = 0; i < effects.size() && i < 50; ++i)
        w.SetImage(kEffects + int(i), effects[i]);
    int section = kFirstImage;
    static const std::vector<RgxImage> moves = Moves();
    for (const RgxImage& m : moves)
        w.SetImage(section++, m);
    const std::vector<NamedImage> images = LibraryImages([&g](char32_t cp, bool tall) { return BannerGlyph(g, cp, tall); });
    for (const NamedImage& n : images)
        w.SetImage(section++, n.image);
    static const std::vector<NamedImage> movies = Movies(), animations = Animations();
    for (const NamedImage& n : movies)
        w.SetImage(section++, n.image);
    for (const NamedImage& n : animations)
        w.SetImage(section++, n.image);
    return w.Bytes();
}

bool ReadContainer(const std::vector<uint8_t>& b, uint32_t& headerWord, std::vector<ReadSection>& sections,
                   std::string& error)
{
    auto u32 = [&](size_t o) {
        return uint32_t(b[o]) | uint32_t(b[o + 1]) << 8 | uint32_t(b[o + 2]) << 16 | uint32_t(b[o + 3]) << 24;
    };
    sections.clear();
    if (b.size() < 12 || b[4] != 'L' || b[5] != 'Z' || b[6] != 'O' || b[7] != ' ') {
        error = "no container tag";
        return false;
    }
    headerWord = u32(0);
    const uint32_t n = u32(8);
    if (n == 0 || 12 + size_t(n) * 12 > b.size()) {
        error = "bad section count";
        return false;
    }
    sections.resize(n);
    for (uint32_t i = 0; i < n; ++i) {
        const uint32_t off = u32(12 + i * 12), size = u32(16 + i * 12), packed = u32(20 + i * 12);
        ReadSection& s = sections[i];
        if (off == 0)
            continue;
        s.present = true;
        if (size_t(off) + 16 > b.size()) {
            error = "section " + std::to_string(i) + " beyond the end";
            return false;
        }
        uint16_t f[8];
        for (int k = 0; k < 8; ++k)
            f[k] = uint16_t(b[off + 2 * k] | b[off + 2 * k + 1] << 8);
        s.header = {f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7]};
        size_t from, len, unpacked;
        if (packed == 0) {
            s.table = true;
            if (size_t(off) + 24 > b.size()) {
                error = "table " + std::to_string(i) + " truncated";
                return false;
            }
            len = u32(off + 16);
            unpacked = u32(off + 20);
            from = size_t(off) + 24;
            if (size != len + 8) {
                error = "table " + std::to_string(i) + " size disagrees";
                return false;
            }
        } else {
            from = size_t(off) + 16;
            len = packed;
            unpacked = size;
        }
        if (from + len > b.size() || unpacked > (64u << 20)) {
            error = "section " + std::to_string(i) + " truncated";
            return false;
        }
        s.data.resize(unpacked);
        if (qvr::lzo::Decompress(&b[from], len, s.data.data(), s.data.size()) != long(unpacked)) {
            error = "section " + std::to_string(i) + " does not unpack to its size";
            return false;
        }
    }
    return true;
}

} // namespace qvrbuild
