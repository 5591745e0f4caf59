// SPDX-License-Identifier: BSD-2-Clause
// Lays out content containers in memory for tests and benchmarks: the
// header word, "LZO ", the section table and the sections in image or table
// form, each compressed with LZO1X.
#pragma once

#include "qvr/content.h"
#include "qvr/lzo.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace qvrtest {

struct SectionSpec {
    enum Form { Absent, Image, Table } form = Absent;
    RGX_HEADER header{};
    std::vector<uint8_t> payload; // unpacked bytes (image form: tail included)
};

class ContainerWriter {
public:
    explicit ContainerWriter(uint32_t headerWord) : m_Header(headerWord) {}

    uint32_t header() const { return m_Header; }
    size_t count() const { return m_Sections.size(); }
    SectionSpec& at(unsigned i)
    {
        if (i >= m_Sections.size())
            m_Sections.resize(i + 1);
        return m_Sections[i];
    }

    // An image: header, pixels, then the 16 zero bytes every section ends with.
    void SetImage(unsigned i, const RGX_HEADER& h, std::vector<uint8_t> pixels)
    {
        pixels.resize(pixels.size() + qvr::kSectionTail, 0);
        at(i) = SectionSpec{SectionSpec::Image, h, std::move(pixels)};
    }
    // Glyphs: image form with an all-zero header.
    void SetGlyphs(unsigned i, std::vector<uint8_t> glyphs) { SetImage(i, RGX_HEADER{}, std::move(glyphs)); }
    void SetTable(unsigned i, std::vector<uint8_t> bytes)
    {
        at(i) = SectionSpec{SectionSpec::Table, RGX_HEADER{}, std::move(bytes)};
    }
    // Appends an image after the last section; returns its number.
    unsigned Append(const RGX_HEADER& h, std::vector<uint8_t> pixels)
    {
        const unsigned i = static_cast<unsigned>(m_Sections.size());
        SetImage(i, h, std::move(pixels));
        return i;
    }

    std::vector<uint8_t> Build() const
    {
        const size_t n = m_Sections.size();
        std::vector<uint8_t> out(qvr::kContainerHeaderBytes + n * sizeof(QVR_INFO), 0);
        Put32(out, 0, m_Header);
        std::memcpy(out.data() + 4, "LZO ", 4);
        Put32(out, 8, static_cast<uint32_t>(n));
        for (size_t i = 0; i < n; ++i) {
            const SectionSpec& s = m_Sections[i];
            QVR_INFO info{0, 0, 0};
            if (s.form != SectionSpec::Absent) {
                const std::vector<uint8_t> packed = qvr::lzo::Compress(s.payload.data(), s.payload.size());
                info.offset = static_cast<uint32_t>(out.size());
                const uint8_t* h = reinterpret_cast<const uint8_t*>(&s.header);
                out.insert(out.end(), h, h + sizeof s.header);
                if (s.form == SectionSpec::Image) {
                    info.size = static_cast<uint32_t>(s.payload.size());
                    info.packed = static_cast<uint32_t>(packed.size());
                } else {
                    const size_t at = out.size();
                    out.resize(at + 8);
                    Put32(out, at, static_cast<uint32_t>(packed.size()));
                    Put32(out, at + 4, static_cast<uint32_t>(s.payload.size()));
                    info.size = static_cast<uint32_t>(8 + packed.size());
                }
                out.insert(out.end(), packed.begin(), packed.end());
            }
            const size_t rec = qvr::kContainerHeaderBytes + i * sizeof(QVR_INFO);
            Put32(out, rec, info.offset);
            Put32(out, rec + 4, info.size);
            Put32(out, rec + 8, info.packed);
        }
        return out;
    }

    // The section record i of a built container.
    static QVR_INFO Info(const std::vector<uint8_t>& c, unsigned i)
    {
        const size_t rec = qvr::kContainerHeaderBytes + i * sizeof(QVR_INFO);
        return QVR_INFO{Get32(c, rec), Get32(c, rec + 4), Get32(c, rec + 8)};
    }
    static void SetInfo(std::vector<uint8_t>& c, unsigned i, const QVR_INFO& info)
    {
        const size_t rec = qvr::kContainerHeaderBytes + i * sizeof(QVR_INFO);
        Put32(c, rec, info.offset);
        Put32(c, rec + 4, info.size);
        Put32(c, rec + 8, info.packed);
    }
    static void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x)
    {
        for (int k = 0; k < 4; ++k)
            v[at + k] = static_cast<uint8_t>(x >> (8 * k));
    }
    static uint32_t Get32(const std::vector<uint8_t>& v, size_t at)
    {
        return v[at] | (v[at + 1] << 8) | (v[at + 2] << 16) | (static_cast<uint32_t>(v[at + 3]) << 24);
    }

private:
    uint32_t m_Header;
    std::vector<SectionSpec> m_Sections;
};

// Recognisable bytes for section `tag`: byte j is a function of both.
inline std::vector<uint8_t> Pattern(size_t bytes, unsigned tag)
{
    std::vector<uint8_t> v(bytes);
    for (size_t j = 0; j < bytes; ++j)
        v[j] = static_cast<uint8_t>((j * 7 + tag * 13 + (j >> 9)) & 0xFF);
    return v;
}

inline RGX_HEADER Header(uint16_t type, uint16_t w, uint16_t h, uint16_t frames, uint16_t group = 0)
{
    RGX_HEADER x{};
    x.type = type;
    x.width = w;
    x.height = h;
    x.frames = frames;
    x.group = group;
    x.phase = 7;
    x.delay = 50;
    return x;
}

inline size_t PixelBytes(const RGX_HEADER& h) { return size_t(h.width) * h.height * h.frames / 2; }

struct LibraryShape {
    unsigned row = 1;       // 1: 16-dot, 2: 32-dot, other: table only
    unsigned language = 10; // 10 Hangul and Hanja, 14 GB2312
    unsigned moves = 4;
    unsigned images = 3;
    unsigned movies = 2;
    unsigned animations = 2;
    // Picture sizes; the defaults keep tests quick.
    RGX_HEADER effect = Header(CONTENT_EFFECT, 32, 16, 2);
    RGX_HEADER move = Header(CONTENT_MOVE, 16, 16, 4);
    RGX_HEADER image = Header(CONTENT_IMAGE, 64, 32, 1);
    RGX_HEADER movie = Header(CONTENT_MOVIE, 64, 32, 4);
    RGX_HEADER animation = Header(CONTENT_ANIMATION, 64, 32, 8);
};

// Code table entry for code point c as the library builder would write it.
inline uint16_t CodeFirst(uint32_t c) { return c < 128 ? uint16_t(c) : uint16_t(c ^ 0x5A5A); }
inline uint16_t CodeSecond(uint32_t c) { return c < 128 ? uint16_t(c) : 0xFFFF; }

// A complete library laid out as the program's containers are. Pictures carry
// their number in `group` (moves: their running number) so tests can follow them.
inline ContainerWriter MakeLibrary(const LibraryShape& s)
{
    using namespace qvr;
    const uint32_t word = 0x00000031u | (3u << 8) | (s.row << 12) | (s.language << 16) | 0x22100000u;
    ContainerWriter w(word);

    std::vector<uint8_t> codes(CContent::kCodePoints * 4);
    for (uint32_t c = 0; c < CContent::kCodePoints; ++c) {
        const uint16_t a = CodeFirst(c), b = CodeSecond(c);
        std::memcpy(&codes[c * 4], &a, 2);
        std::memcpy(&codes[c * 4 + 2], &b, 2);
    }
    w.SetTable(kSecCodeTable, codes);
    w.SetImage(1, Header(0, 2, 2, 1), std::vector<uint8_t>(2, 0x11)); // not read
    if (s.row != 1 && s.row != 2)
        return w;

    const bool big = s.row == 2;
    w.SetGlyphs(kSecFont06, Pattern(kFont06Glyphs * 8, kSecFont06));
    for (unsigned f = 0; f < kLatinFaces; ++f) {
        w.SetGlyphs(kSecLatin16 + f, Pattern(kLatin16Face, kSecLatin16 + f));
        if (big)
            w.SetGlyphs(kSecLatin32 + f, Pattern(kLatin32Face, kSecLatin32 + f));
    }
    w.SetGlyphs(kSecSymbol16, Pattern(kSymbol16Bytes, kSecSymbol16));
    if (big)
        w.SetGlyphs(kSecSymbol32, Pattern(kSymbol32Bytes, kSecSymbol32));
    if (s.language == kLanguageHangul) {
        if (big) {
            for (unsigned f = 0; f < 5; ++f) {
                w.SetGlyphs(kSecHangul + f, Pattern(kHangul16Face, kSecHangul + f));
                w.SetGlyphs(kSecHangul + 5 + f, Pattern(kHangul32Face, kSecHangul + 5 + f));
            }
            w.SetGlyphs(kSecHanja, Pattern(kHanja32Bytes, kSecHanja));
        } else {
            for (unsigned f = 0; f < 10; ++f)
                w.SetGlyphs(kSecHangul + f, Pattern(kHangul16Face, kSecHangul + f));
            w.SetGlyphs(kSecHanja, Pattern(kHanja16Bytes, kSecHanja));
        }
    } else {
        for (unsigned f = 0; f < kGBFaces; ++f) {
            w.SetGlyphs(kSecGB16 + f, Pattern(kGB16Face, kSecGB16 + f));
            if (big)
                w.SetGlyphs(kSecGB32 + f, Pattern(kGB32Face, kSecGB32 + f));
        }
    }
    w.SetTable(kSecAttrib, Pattern(kAttribPatterns * kPatternBytes, kSecAttrib));
    w.SetTable(kSecColor, Pattern(kColorPatterns * kPatternBytes, kSecColor));
    for (unsigned i = 38; i <= 40; ++i)
        w.SetImage(i, Header(0, 2, 2, 1), std::vector<uint8_t>(2, 0x22)); // not read
    for (unsigned e = 0; e < CContent::kEffects; ++e) {
        RGX_HEADER h = s.effect;
        h.group = static_cast<uint16_t>(e);
        w.SetImage(kSecEffects + e, h, Pattern(PixelBytes(h), 100 + e));
    }
    w.at(kSecObjects - 1); // the objects begin at their fixed section
    // Objects interleaved, as "in any order" allows.
    struct Kind {
        RGX_HEADER header;
        unsigned count;
        unsigned tag;
        unsigned done = 0;
    } kinds[] = {{s.move, s.moves, 200}, {s.image, s.images, 300}, {s.movie, s.movies, 400},
                 {s.animation, s.animations, 500}};
    for (bool more = true; more;) {
        more = false;
        for (Kind& k : kinds) {
            if (k.done >= k.count)
                continue;
            RGX_HEADER h = k.header;
            h.group = static_cast<uint16_t>(k.done++);
            w.Append(h, Pattern(PixelBytes(h), k.tag + k.done));
            more = true;
        }
    }
    return w;
}

} // namespace qvrtest
