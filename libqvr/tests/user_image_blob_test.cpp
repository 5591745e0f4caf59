// SPDX-License-Identifier: BSD-2-Clause
#include "qvr/content.h"
#include "qvr/lzo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

uint32_t Get32(const std::vector<uint8_t>& v, size_t at)
{
    return v[at] | (v[at + 1] << 8) | (v[at + 2] << 16) | (static_cast<uint32_t>(v[at + 3]) << 24);
}
void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x)
{
    for (int k = 0; k < 4; ++k)
        v[at + k] = static_cast<uint8_t>(x >> (8 * k));
}

class UserImageBlob : public ::testing::Test {
protected:
    void SetUp() override
    {
        source = std::make_unique<CContent>();
        target = std::make_unique<CContent>();
        for (int i = 0; i < 3; ++i) {
            CRGX<8192> img;
            img.header.type = CONTENT_IMAGE;
            img.header.width = static_cast<uint16_t>(16 + 16 * i);
            img.header.height = 16;
            img.header.frames = 1;
            img.header.phase = 7;
            img.header.delay = 50;
            for (size_t j = 0; j < 8192; j += 5 + i)
                img.data[j] = static_cast<unsigned char>(0x12 * (i + 1));
            source->InsertUserImage(&img);
        }
    }
    std::vector<uint8_t> Blob() const
    {
        std::vector<uint8_t> b(source->GetUserImageLZO(nullptr));
        EXPECT_EQ(source->GetUserImageLZO(b.data(), b.size()), static_cast<long>(b.size()));
        return b;
    }
    size_t RecordEnd(const std::vector<uint8_t>& b, int records) const
    {
        size_t at = 12;
        for (int i = 0; i < records; ++i)
            at += 20 + Get32(b, at);
        return at;
    }
    std::unique_ptr<CContent> source, target;
};

} // namespace

TEST_F(UserImageBlob, RoundTrip)
{
    const std::vector<uint8_t> b = Blob();
    EXPECT_EQ(std::memcmp(b.data(), "LZO ", 4), 0);
    EXPECT_EQ(Get32(b, 4), b.size());
    EXPECT_EQ(Get32(b, 8), 3u);
    EXPECT_EQ(RecordEnd(b, 3), b.size());

    EXPECT_EQ(target->SetUserImageLZO(b.data(), b.size()), static_cast<long>(b.size()));
    ASSERT_EQ(target->GetUserImageMX(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(std::memcmp(target->GetUserImage(i), source->GetUserImage(i), sizeof(CRGX<8192>)), 0);
    }
    // The trusting form reads the same blob alike.
    auto other = std::make_unique<CContent>();
    EXPECT_EQ(other->SetUserImageLZO(b.data()), static_cast<long>(b.size()));
    EXPECT_EQ(other->GetUserImageMX(), 3u);

    // A buffer too small for the blob is not written past.
    std::vector<uint8_t> small(b.size() - 1, 0xAB);
    EXPECT_EQ(source->GetUserImageLZO(small.data(), small.size()), 0);
}

TEST_F(UserImageBlob, EmptyAndWrongBlobs)
{
    auto empty = std::make_unique<CContent>();
    std::vector<uint8_t> b(empty->GetUserImageLZO(nullptr));
    EXPECT_EQ(b.size(), 12u);
    empty->GetUserImageLZO(b.data());
    target->InsertUserImage(source->GetUserImage(0));
    EXPECT_EQ(target->SetUserImageLZO(b.data(), b.size()), 8);
    EXPECT_EQ(target->GetUserImageMX(), 0u);

    // No blob: nothing changes. A wrong tag: the images are gone all the same.
    target->InsertUserImage(source->GetUserImage(0));
    EXPECT_EQ(target->SetUserImageLZO(nullptr, 100), 0);
    EXPECT_EQ(target->GetUserImageMX(), 1u);
    std::vector<uint8_t> bad = Blob();
    bad[3] = '_';
    EXPECT_EQ(target->SetUserImageLZO(bad.data(), bad.size()), 0);
    EXPECT_EQ(target->GetUserImageMX(), 0u);
    EXPECT_EQ(target->SetUserImageLZO(bad.data(), 3), 0);
    EXPECT_EQ(target->SetUserImageLZO(b.data(), 10), 0); // count not inside
}

TEST_F(UserImageBlob, DamagedRecordKeepsTheImagesBeforeIt)
{
    const std::vector<uint8_t> good = Blob();
    const size_t second = RecordEnd(good, 1);

    // The second record decompresses to less than the pixel area.
    std::vector<uint8_t> b(good.begin(), good.begin() + second);
    std::vector<uint8_t> shortImage(4096, 0x33);
    std::vector<uint8_t> packed = qvr::lzo::Compress(shortImage.data(), shortImage.size());
    b.resize(second + 20);
    Put32(b, second, static_cast<uint32_t>(packed.size()));
    std::memcpy(&b[second + 4], &source->GetUserImage(1)->header, 16);
    b.insert(b.end(), packed.begin(), packed.end());
    b.insert(b.end(), good.begin() + RecordEnd(good, 2), good.end());
    EXPECT_EQ(target->SetUserImageLZO(b.data(), b.size()), static_cast<long>(second));
    EXPECT_EQ(target->GetUserImageMX(), 1u);
    EXPECT_EQ(target->m_UserImage[1].header.width, 32); // keeps its header, not counted

    // A record length that runs past the blob stops before it.
    std::vector<uint8_t> runs = good;
    Put32(runs, second, 0x7FFFFFF0);
    EXPECT_EQ(target->SetUserImageLZO(runs.data(), runs.size()), static_cast<long>(second));
    EXPECT_EQ(target->GetUserImageMX(), 1u);

    // Every truncation stops at the last whole record.
    for (size_t cut = 12; cut < good.size(); cut += 7) {
        int whole = 0;
        while (whole < 3 && RecordEnd(good, whole + 1) <= cut)
            ++whole;
        std::vector<uint8_t> part(good.begin(), good.begin() + cut);
        EXPECT_EQ(target->SetUserImageLZO(part.data(), part.size()),
                  static_cast<long>(RecordEnd(good, whole)))
            << cut;
        EXPECT_EQ(target->GetUserImageMX(), static_cast<unsigned>(whole)) << cut;
    }
}

TEST_F(UserImageBlob, AtMostEightImagesAreTaken)
{
    const std::vector<uint8_t> one = Blob();
    const size_t rec = RecordEnd(one, 1) - 12;
    std::vector<uint8_t> b(one.begin(), one.begin() + 12);
    for (int i = 0; i < 10; ++i)
        b.insert(b.end(), one.begin() + 12, one.begin() + 12 + rec);
    Put32(b, 4, static_cast<uint32_t>(b.size()));
    Put32(b, 8, 10);
    EXPECT_EQ(target->SetUserImageLZO(b.data(), b.size()), static_cast<long>(12 + 8 * rec));
    EXPECT_EQ(target->GetUserImageMX(), 8u);
}
