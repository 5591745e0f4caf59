// SPDX-License-Identifier: GPL-2.0-or-later
// Checks the containers the build generated (build/content, or $LUMIVO_CONTENT_DIR).
#include "builder.h"

#include <qvr/content_resource.h>

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdlib>
#include <map>
#include <set>

using namespace qvrbuild;

namespace {

struct Loaded {
    uint32_t word = 0;
    std::vector<ReadSection> s;
};

const Loaded& Load(int resource)
{
    static std::map<int, Loaded> cache;
    auto it = cache.find(resource);
    if (it != cache.end())
        return it->second;
    Loaded l;
    std::vector<uint8_t> bytes = qvr::LoadContentResource(resource);
    std::string err;
    EXPECT_FALSE(bytes.empty()) << "container " << resource << " not found";
    EXPECT_TRUE(bytes.empty() || ReadContainer(bytes, l.word, l.s, err)) << resource << ": " << err;
    return cache.emplace(resource, std::move(l)).first->second;
}

// An independent iconv conversion (the builder keeps its own tables).
unsigned Iconv(const char* to, const char* from, const std::string& in, std::string& out)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1))
        return 0;
    char buf[16];
    char* ip = const_cast<char*>(in.data());
    char* op = buf;
    size_t il = in.size(), ol = sizeof buf;
    const size_t r = iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    if (r == size_t(-1))
        return 0;
    out.assign(buf, sizeof buf - ol);
    return 1;
}
unsigned Encode(const char* cs, char32_t cp)
{
    std::string in(4, 0), out;
    for (int i = 0; i < 4; ++i)
        in[i] = char(cp >> (8 * i));
    if (!Iconv(cs, "UTF-32LE", in, out) || out.size() != 2)
        return 0xFFFF;
    return unsigned(uint8_t(out[0])) << 8 | uint8_t(out[1]);
}
char32_t Decode(const char* cs, unsigned code)
{
    std::string in{char(code >> 8), char(code & 0xFF)}, out;
    if (!Iconv("UTF-32LE", cs, in, out) || out.size() != 4)
        return 0;
    return char32_t(uint8_t(out[0]) | uint8_t(out[1]) << 8 | uint8_t(out[2]) << 16);
}

bool GlyphBlank(const std::vector<uint8_t>& area, size_t glyphBytes, size_t index)
{
    if ((index + 1) * glyphBytes > area.size())
        return true;
    for (size_t i = 0; i < glyphBytes; ++i)
        if (area[index * glyphBytes + i])
            return false;
    return true;
}

uint16_t Column(const Loaded& l, char32_t cp, int col)
{
    const std::vector<uint8_t>& t = l.s[0].data;
    return uint16_t(t[cp * 4 + col * 2] | t[cp * 4 + col * 2 + 1] << 8);
}

const int kResources[] = {310, 311, 312, 314, 315, 316, 326, 327, 333};

} // namespace

TEST(Content, EveryContainerHoldsItsSectionsWithTheirSizes)
{
    for (int r : kResources) {
        SCOPED_TRACE(r);
        const Loaded& l = Load(r);
        const ContainerSpec& spec = *FindContainer(r);
        ASSERT_EQ(l.word, spec.headerWord);
        ASSERT_GT(l.s.size(), size_t(kFirstImage));
        const bool tall = spec.Row() == 2, korean = spec.Language() == 10;
        EXPECT_EQ(l.s[0].data.size(), 65535u * 4);
        EXPECT_TRUE(l.s[0].table && l.s[33].table && l.s[34].table);
        EXPECT_EQ(l.s[2].data.size(), 592u * 8 + 16);
        for (int f = 0; f < 5; ++f) {
            EXPECT_EQ(l.s[3 + f].data.size(), 9472u + 16);
            EXPECT_EQ(l.s[8 + f].present, tall);
            if (tall) {
                EXPECT_EQ(l.s[8 + f].data.size(), 37888u + 16);
            }
        }
        EXPECT_EQ(l.s[13].data.size(), 1242u * 32 + 16);
        EXPECT_EQ(l.s[14].present, tall);
        if (tall) {
            EXPECT_EQ(l.s[14].data.size(), 1242u * 128 + 16);
        }
        for (int f = 0; f < 10; ++f) {
            EXPECT_EQ(l.s[15 + f].present, korean);
            if (korean) {
                EXPECT_EQ(l.s[15 + f].data.size(), (tall && f >= 5 ? 300800u : 75200u) + 16);
            }
        }
        EXPECT_EQ(l.s[25].present, korean);
        if (korean) {
            EXPECT_EQ(l.s[25].data.size(), (tall ? 625664u : 156416u) + 16);
        }
        for (int f = 0; f < 2; ++f) {
            EXPECT_EQ(l.s[27 + f].present, !korean);
            EXPECT_EQ(l.s[29 + f].present, !korean && tall);
            if (!korean) {
                EXPECT_EQ(l.s[27 + f].data.size(), 216576u + 16);
            }
            if (!korean && tall) {
                EXPECT_EQ(l.s[29 + f].data.size(), 866304u + 16);
            }
        }
        EXPECT_EQ(l.s[33].data.size(), 511u * 256);
        EXPECT_EQ(l.s[34].data.size(), 178u * 256);
        for (int unused : {1, 26, 31, 32, 35, 36, 37, 38, 39, 40, 41, 42})
            EXPECT_FALSE(l.s[unused].present) << unused;
    }
}

TEST(Content, PicturesHaveTheirCountsKindsAndFitTheirBuffers)
{
    for (int r : kResources) {
        SCOPED_TRACE(r);
        const Loaded& l = Load(r);
        int phase[3] = {}, modes[2] = {};
        for (int i = 43; i < 93; ++i) {
            const ReadSection& e = l.s[i];
            ASSERT_TRUE(e.present);
            EXPECT_EQ(e.header.type, 3);
            EXPECT_EQ(e.header.height, 16);
            EXPECT_EQ(e.header.width, EffectMaskWidth(*FindContainer(r)));
            EXPECT_LE(e.data.size(), 29200u);
            ASSERT_LE(e.header.group, 1);
            ++modes[e.header.group];
            for (int b = 0; b < 3; ++b)
                phase[b] += (e.header.phase >> b) & 1;
            EXPECT_GE(e.header.delay, 20);
            EXPECT_LE(e.header.delay, 90);
        }
        for (int b = 0; b < 3; ++b)
            EXPECT_GE(phase[b], 30) << "phase bit " << b;
        EXPECT_GT(modes[0], 0);
        EXPECT_GT(modes[1], 0);

        std::map<int, int> count;
        std::vector<const ReadSection*> moves;
        std::set<int> imageHeights;
        for (size_t i = kFirstImage; i < l.s.size(); ++i) {
            const ReadSection& p = l.s[i];
            ASSERT_TRUE(p.present);
            ++count[p.header.type];
            EXPECT_EQ(p.data.size(), size_t(p.header.width) * p.header.height * p.header.frames / 2 + 16);
            switch (p.header.type) {
            case 4: EXPECT_LE(p.data.size(), 8192u); imageHeights.insert(p.header.height); break;
            case 5: EXPECT_LE(p.data.size(), 32768u); break;
            case 6: EXPECT_LE(p.data.size(), 98304u); break;
            case 7:
                EXPECT_LE(p.data.size(), 1040u);
                EXPECT_EQ(p.header.width, 16);
                EXPECT_EQ(p.header.height, 16);
                EXPECT_EQ(p.header.frames, 4);
                EXPECT_EQ(p.header.delay, 256);
                moves.push_back(&p);
                break;
            default: ADD_FAILURE() << "section " << i << " of type " << p.header.type;
            }
        }
        EXPECT_GE(count[7], 100);
        EXPECT_LE(count[7], 319);
        EXPECT_GE(count[4], 40);
        EXPECT_LE(count[4], 200);
        EXPECT_GE(count[5], 10);
        EXPECT_GE(count[6], 10);
        EXPECT_EQ(imageHeights, (std::set<int>{16, 32}));
        // A move's group is the index of the first move of its run of consecutive moves.
        for (size_t i = 0; i < moves.size(); ++i) {
            const size_t g = moves[i]->header.group;
            ASSERT_LE(g, i);
            EXPECT_EQ(moves[g]->header.group, g);
            for (size_t k = g; k <= i; ++k)
                EXPECT_EQ(moves[k]->header.group, g);
        }
    }
}

TEST(Content, EveryCodePageGlyphIsDrawnInEveryFace)
{
    for (int r : kResources) {
        SCOPED_TRACE(r);
        const Loaded& l = Load(r);
        const bool tall = ((l.word >> 12) & 15) == 2;
        const bool korean = ((l.word >> 16) & 15) == 10;
        // Printable Latin in every face at both sizes.
        for (int f = 0; f < 5; ++f)
            for (char32_t c = 0x21; c < 0x250; ++c) {
                if (c >= 0x7F && c <= 0xA0)
                    continue;
                if (c < 0x7F) {
                    EXPECT_FALSE(GlyphBlank(l.s[3 + f].data, 16, c)) << "face " << f << " code " << unsigned(c);
                }
                if (tall && c < 0x7F) {
                    EXPECT_FALSE(GlyphBlank(l.s[8 + f].data, 64, c)) << "face " << f << " code " << unsigned(c);
                }
            }
        size_t blank = 0;
        if (korean) {
            for (int s = 15; s <= 25; ++s) {
                const size_t gb = tall && s >= 20 ? 128 : 32;
                const unsigned firstRow = s == 25 ? 0xCA : 0xB0, rows = s == 25 ? 52 : 25;
                for (unsigned row = 0; row < rows; ++row)
                    for (unsigned col = 0xA1; col <= 0xFE; ++col)
                        if (Decode("EUC-KR", (firstRow + row) << 8 | col)) {
                            blank += GlyphBlank(l.s[s].data, gb, row * 94 + col - 0xA1);
                        }
            }
        } else {
            for (int s = 27; s <= (tall ? 30 : 28); ++s)
                for (unsigned row = 0; row < 72; ++row)
                    for (unsigned col = 0xA1; col <= 0xFE; ++col)
                        if (Decode("GB2312", (0xB0 + row) << 8 | col)) {
                            blank += GlyphBlank(l.s[s].data, s >= 29 ? 128 : 32, row * 94 + col - 0xA1);
                        }
        }
        EXPECT_EQ(blank, 0u);
        // Most symbols are drawn (some code-page places are spaces).
        size_t blankSymbols = 0;
        for (size_t i = 0; i < 1242; ++i)
            blankSymbols += GlyphBlank(l.s[13].data, 32, i);
        EXPECT_LE(blankSymbols, 4u);
    }
}

TEST(Content, CodeTableAgreesWithIconvBothWays)
{
    const Loaded& l = Load(312);
    ASSERT_EQ(l.s[0].data.size(), 65535u * 4);
    for (char32_t c = 0; c < 0x80; ++c) {
        EXPECT_EQ(Column(l, c, 0), c);
        EXPECT_EQ(Column(l, c, 1), c);
    }
    // Code point to code, sampled across the plane.
    for (char32_t c = 0x80; c < 0xFFFF; c += 13) {
        if (c >= 0xD800 && c < 0xE000)
            continue;
        const unsigned gb = Encode("GB2312", c);
        EXPECT_EQ(Column(l, c, 1), gb) << std::hex << unsigned(c);
        const unsigned ks = Encode("EUC-KR", c);
        if ((c >= 0x4E00 && c < 0x9FB0) || (c >= 0xF900 && c < 0xFB00)) {
            EXPECT_EQ(Column(l, c, 0), ks >= 0xCAA1 && ks != 0xFFFF ? ks : 0xFFFF) << std::hex << unsigned(c);
        }
        if (c >= 0xAC00 && c < 0xD7A4 && ks != 0xFFFF) {
            EXPECT_EQ(Column(l, c, 0), ks) << std::hex << unsigned(c);
        }
    }
    // Code to code point: every Hangul and a sample of Hanja and GB2312 places map back.
    for (unsigned row = 0xB0; row <= 0xFD; ++row)
        for (unsigned col = 0xA1; col <= 0xFE; col += (row <= 0xC8 ? 1 : 7)) {
            const unsigned code = row << 8 | col;
            if (const char32_t c = Decode("EUC-KR", code); c && c < 0xFFFF && Encode("EUC-KR", c) == code) {
                EXPECT_EQ(Column(l, c, 0), code) << std::hex << code;
            }
        }
    for (unsigned row = 0xA1; row <= 0xF7; ++row)
        for (unsigned col = 0xA1; col <= 0xFE; col += 5) {
            const unsigned code = row << 8 | col;
            if (const char32_t c = Decode("GB2312", code); c && c < 0xFFFF) {
                EXPECT_EQ(Column(l, c, 1), code) << std::hex << code;
            }
        }
    // Every Hangul syllable lands in the Hangul rows, those outside the code page included.
    for (char32_t c = 0xAC00; c <= 0xD7A3; ++c) {
        const unsigned k = Column(l, c, 0);
        EXPECT_TRUE(k >> 8 >= 0xB0 && k >> 8 <= 0xC8 && (k & 0xFF) >= 0xA1 && (k & 0xFF) <= 0xFE) << std::hex << unsigned(c);
    }
    // Symbols index the special-symbol set.
    const unsigned arrow = Column(l, 0x2192, 0), star = Column(l, 0x2605, 0);
    EXPECT_LT(arrow, 1242u);
    EXPECT_LT(star, 1242u);
    EXPECT_NE(arrow, star);
}

TEST(Content, ContainersAreFoundBesideTheProgram)
{
    // build/bin/<test> finds build/content without the environment override.
    const char* env = std::getenv("LUMIVO_CONTENT_DIR");
    const std::string saved = env ? env : "";
    unsetenv("LUMIVO_CONTENT_DIR");
    const std::string path = qvr::FindContentResource(326);
    const std::vector<uint8_t> bytes = qvr::LoadContentResource(326);
    if (!saved.empty())
        setenv("LUMIVO_CONTENT_DIR", saved.c_str(), 1);
    EXPECT_NE(path.find("/content/326.qvr"), std::string::npos) << path;
    EXPECT_GT(bytes.size(), 1000u);
    EXPECT_TRUE(qvr::LoadContentResource(999).empty());
    EXPECT_TRUE(qvr::LoadContentResource(-1).empty());
}
