// SPDX-License-Identifier: GPL-2.0-or-later
#include "builder.h"
#include "container.h"

#include <qvr/lzo.h>

#include <gtest/gtest.h>

using namespace qvrbuild;

namespace {
uint32_t U32(const std::vector<uint8_t>& b, size_t o)
{
    return uint32_t(b.at(o)) | uint32_t(b.at(o + 1)) << 8 | uint32_t(b.at(o + 2)) << 16 | uint32_t(b.at(o + 3)) << 24;
}
} // namespace

TEST(QvrWriter, LaysOutHeaderTableAndBothSectionForms)
{
    QvrWriter w(0x221A1331);
    std::vector<uint8_t> table(1000);
    for (size_t i = 0; i < table.size(); ++i)
        table[i] = uint8_t(i * 7);
    w.SetTable(0, table);
    RgxImage img;
    img.header = {7, 4, 2, 3, 5, 0, 1, 256};
    img.pixels.assign(4 * 2 * 3 / 2, 0x12);
    w.SetImage(3, img);
    const std::vector<uint8_t> b = w.Bytes();

    EXPECT_EQ(U32(b, 0), 0x221A1331u);
    EXPECT_EQ(std::string(b.begin() + 4, b.begin() + 8), "LZO ");
    ASSERT_EQ(U32(b, 8), 4u); // one past the highest section
    // Unused sections have offset 0.
    EXPECT_EQ(U32(b, 12 + 12), 0u);
    EXPECT_EQ(U32(b, 12 + 24), 0u);

    // Table form: zero header, packed length, unpacked length, then the data; size = bytes after the header.
    const uint32_t t = U32(b, 12), tsize = U32(b, 16);
    EXPECT_EQ(U32(b, 20), 0u);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(b[t + i], 0) << i;
    const uint32_t packed = U32(b, t + 16);
    EXPECT_EQ(U32(b, t + 20), 1000u);
    EXPECT_EQ(tsize, packed + 8);
    std::vector<uint8_t> out(1000);
    EXPECT_EQ(qvr::lzo::Decompress(&b[t + 24], packed, out.data(), out.size()), 1000);
    EXPECT_EQ(out, table);

    // Image form: the RGX header as given, then data unpacking to pixels plus 16 zero bytes.
    const uint32_t o = U32(b, 12 + 36), size = U32(b, 16 + 36), ipacked = U32(b, 20 + 36);
    EXPECT_EQ(size, 12u + 16u);
    ASSERT_GT(ipacked, 0u);
    const uint16_t want[8] = {7, 4, 2, 3, 5, 0, 1, 256};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(b[o + 2 * i] | b[o + 2 * i + 1] << 8, want[i]) << i;
    std::vector<uint8_t> px(size);
    EXPECT_EQ(qvr::lzo::Decompress(&b[o + 16], ipacked, px.data(), px.size()), long(size));
    EXPECT_TRUE(std::equal(img.pixels.begin(), img.pixels.end(), px.begin()));
    EXPECT_TRUE(std::all_of(px.begin() + 12, px.end(), [](uint8_t v) { return v == 0; }));
    EXPECT_EQ(o + 16 + ipacked, b.size());
}

TEST(QvrWriter, GlyphSectionsAreTheAreaAndSixteenZeroBytesBehindAZeroHeader)
{
    QvrWriter w(1);
    w.SetGlyphs(2, std::vector<uint8_t>(4736, 0x5A));
    const std::vector<uint8_t> b = w.Bytes();
    const uint32_t o = U32(b, 12 + 24), size = U32(b, 16 + 24), packed = U32(b, 20 + 24);
    EXPECT_EQ(size, 4736u + 16);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(b[o + i], 0);
    std::vector<uint8_t> out(size);
    ASSERT_EQ(qvr::lzo::Decompress(&b[o + 16], packed, out.data(), out.size()), long(size));
    EXPECT_TRUE(std::all_of(out.begin(), out.begin() + 4736, [](uint8_t v) { return v == 0x5A; }));
    EXPECT_TRUE(std::all_of(out.begin() + 4736, out.end(), [](uint8_t v) { return v == 0; }));
}

TEST(QvrWriter, RefusesAnImageWhoseDataDisagreesWithItsHeader)
{
    QvrWriter w(1);
    RgxImage img;
    img.header = {4, 16, 16, 1, 0, 0, 0, 50};
    img.pixels.assign(100, 0);
    EXPECT_THROW(w.SetImage(93, img), std::logic_error);
}

TEST(ReadContainer, RefusesDamagedBytes)
{
    QvrWriter w(0x001A2300);
    w.SetTable(0, std::vector<uint8_t>(5000, 3));
    std::vector<uint8_t> b = w.Bytes();
    uint32_t word;
    std::vector<ReadSection> s;
    std::string err;
    ASSERT_TRUE(ReadContainer(b, word, s, err)) << err;
    EXPECT_EQ(word, 0x001A2300u);
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].data, std::vector<uint8_t>(5000, 3));

    std::vector<uint8_t> badTag = b;
    badTag[6] = 'X';
    EXPECT_FALSE(ReadContainer(badTag, word, s, err));
    std::vector<uint8_t> cut(b.begin(), b.end() - 5);
    EXPECT_FALSE(ReadContainer(cut, word, s, err));
    std::vector<uint8_t> hugeCount = b;
    hugeCount[11] = 0x7F;
    EXPECT_FALSE(ReadContainer(hugeCount, word, s, err));
}

TEST(Containers, HeaderWordsGiveTheTabledLanguageRowAndColumn)
{
    struct Want { int resource; unsigned lang, row, col; };
    const Want want[] = {{311, 10, 1, 3}, {312, 10, 1, 6}, {333, 10, 2, 3}, {315, 10, 2, 6},
                         {316, 14, 1, 3}, {314, 14, 1, 6}, {327, 14, 2, 3}, {326, 14, 2, 6}, {310, 10, 1, 2}};
    for (const Want& w : want) {
        const ContainerSpec* s = FindContainer(w.resource);
        ASSERT_NE(s, nullptr) << w.resource;
        EXPECT_EQ(s->Language(), w.lang) << w.resource;
        EXPECT_EQ(s->Row(), w.row) << w.resource;
        EXPECT_EQ(s->Column(), w.col) << w.resource;
    }
    EXPECT_EQ(FindContainer(313), nullptr);
    // Effect masks span the board of the column class once at the library's height.
    EXPECT_EQ(EffectMaskWidth(*FindContainer(312)), 96);
    EXPECT_EQ(EffectMaskWidth(*FindContainer(333)), 24);
}
