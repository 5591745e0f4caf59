// SPDX-License-Identifier: BSD-2-Clause
#include "qvr/rgx.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

TEST(Rgx, ColourConversionOrders)
{
    EXPECT_EQ(GetRGXtoRGB(8, RGX2RGB_COLORREF), 0xFFFFFF);
    EXPECT_EQ(GetRGXtoRGB(15, RGX2RGB_DIB32), 0xFFFFFF);
    EXPECT_EQ(GetRGXtoRGB(1, RGX2RGB_COLORREF), 0x0000FF);
    EXPECT_EQ(GetRGXtoRGB(1, RGX2RGB_DIB32), 0xFF0000);
    EXPECT_EQ(GetRGXtoRGB(4, RGX2RGB_COLORREF), 0xFF0000);
    EXPECT_EQ(GetRGXtoRGB(4, RGX2RGB_DIB32), 0x0000FF);
    EXPECT_EQ(GetRGXtoRGB(3, RGX2RGB_DIB32), 0xFFFF00);
    EXPECT_EQ(GetRGXtoRGB(0, RGX2RGB_DIB32), 0);
    EXPECT_EQ(GetRGXtoRGB(3, static_cast<eRGX2RGB>(2)), 0);
    EXPECT_EQ(GetRGXtoRGB(8, static_cast<eRGX2RGB>(-1)), 0);
}

TEST(Rgx, BufferLayoutAndClear)
{
    auto img = std::make_unique<CRGX<1040>>();
    EXPECT_EQ(img->capacity, 1040u);
    EXPECT_EQ(img->GetDataPtr(), reinterpret_cast<unsigned char*>(img.get()) + 16);
    img->header.type = 7;
    img->data[1039] = 0x55;
    img->capacity = 3;
    CRGX<1040> copy;
    copy = *img;
    EXPECT_EQ(copy.data[1039], 0x55);
    EXPECT_EQ(copy.capacity, 3u);
    img->Clear();
    EXPECT_EQ(img->header.type, 0);
    EXPECT_EQ(img->data[1039], 0);
    EXPECT_EQ(img->capacity, 1040u);
}

TEST(Rgx, BitmapDescriptionAndPicture)
{
    auto img = std::make_unique<CRGX<8192>>();
    img->header.width = 6;
    img->header.height = 2;
    img->header.frames = 2;
    BITMAP bm;
    ASSERT_EQ(img->GetBitmapData(&bm), 1);
    EXPECT_EQ(bm.bmWidth, 6);
    EXPECT_EQ(bm.bmHeight, 4);
    EXPECT_EQ(bm.bmWidthBytes, 24);
    EXPECT_EQ(bm.bmPlanes, 1);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    EXPECT_EQ(bm.bmBits, nullptr);
    EXPECT_EQ(img->GetBitmapData(static_cast<BITMAP*>(nullptr)), 0);
    EXPECT_EQ(img->GetBitmapData(static_cast<unsigned char*>(nullptr)), 0);

    // Row 0: red|green, yellow|white(9), dark|blue; rows 1..3 repeat a marker.
    const uint8_t rows[4][3] = {{0x12, 0x39, 0x04}, {0x77, 0, 0}, {0, 0, 0x10}, {0x01, 0, 0}};
    std::memcpy(img->data, rows, sizeof rows);
    std::vector<uint32_t> px(6 * 4 + 1, 0xDEADBEEF);
    ASSERT_EQ(img->GetBitmapData(reinterpret_cast<unsigned char*>(px.data())), 1);
    const uint32_t row0[6] = {0xFF0000, 0x00FF00, 0xFFFF00, 0xFFFFFF, 0, 0x0000FF};
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(px[x], row0[x]) << x;
    EXPECT_EQ(px[6], 0xFFFFFFu);
    EXPECT_EQ(px[2 * 6 + 4], 0xFF0000u);
    EXPECT_EQ(px[3 * 6 + 1], 0xFF0000u);
    EXPECT_EQ(px[24], 0xDEADBEEFu); // nothing past the picture

    // A buffer of known size gets the rows that fit, and no more.
    std::fill(px.begin(), px.end(), 0xDEADBEEF);
    ASSERT_EQ(img->GetBitmapData(reinterpret_cast<unsigned char*>(px.data()), 2 * 24 + 4), 1);
    EXPECT_EQ(px[6], 0xFFFFFFu);
    EXPECT_EQ(px[12], 0xDEADBEEFu);
}

TEST(Rgx, HeaderClaimingMoreThanTheBufferIsDrawnOnlyAsFarAsTheData)
{
    auto img = std::make_unique<CRGX<8192>>();
    img->header.width = 256;
    img->header.height = 256; // 32 KB of pixels claimed, 8 KB held
    img->header.frames = 1;
    std::memset(img->data, 0x11, sizeof img->data);
    std::vector<uint32_t> px(256 * 256, 7);
    ASSERT_EQ(img->GetBitmapData(reinterpret_cast<unsigned char*>(px.data())), 1);
    EXPECT_EQ(px[256 * 64 - 1], 0xFF0000u); // last row held: 8192 / 128 = 64 rows
    EXPECT_EQ(px[256 * 64], 7u);
}

TEST(Rgx, PixelAddressStaysInsideTheView)
{
    unsigned char mem[4 * 3] = {};
    RGXDATA v;
    EXPECT_EQ(v.GetPixelAddress(0, 0), nullptr);
    v.width = 3;
    v.height = 3;
    v.widthBytes = 4;
    v.bits = mem;
    EXPECT_EQ(v.GetPixelAddress(2, 2), mem + 10);
    EXPECT_EQ(v.GetPixelAddress(3, 0), nullptr);
    EXPECT_EQ(v.GetPixelAddress(0, 3), nullptr);
    EXPECT_EQ(v.GetPixelAddress(-1, 0), nullptr);
    EXPECT_EQ(v.GetPixelAddress(0, -1), nullptr);
}

namespace {
// A 24- or 32-bit top-down bitmap filled with one colour (blue, green, red).
struct TestBitmap {
    BITMAP bm;
    std::vector<uint8_t> bits;
    TestBitmap(int w, int h, int bpp, uint8_t r, uint8_t g, uint8_t b)
    {
        bm.bmWidth = w;
        bm.bmHeight = h;
        bm.bmBitsPixel = static_cast<WORD>(bpp);
        bm.bmPlanes = 1;
        bm.bmWidthBytes = ((w * bpp + 31) / 32) * 4;
        bits.assign(size_t(bm.bmWidthBytes) * h, 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                Set(x, y, r, g, b);
        bm.bmBits = bits.data();
    }
    void Set(int x, int y, uint8_t r, uint8_t g, uint8_t b)
    {
        uint8_t* p = &bits[size_t(y) * bm.bmWidthBytes + size_t(x) * (bm.bmBitsPixel / 8)];
        p[0] = b;
        p[1] = g;
        p[2] = r;
    }
};
} // namespace

TEST(UserRgx, DefaultsAndClear)
{
    auto u = std::make_unique<CUserRGX>();
    EXPECT_EQ(u->IsOpen(), 0);
    EXPECT_EQ(u->m_Threshold, 0x808080u);
    EXPECT_EQ(u->capacity, 8192u);
    u->m_Open = 1;
    u->Clear();
    EXPECT_EQ(u->IsOpen(), 0);
    EXPECT_EQ(u->m_Threshold, 0xFF7F7Fu);
}

TEST(UserRgx, SizeLimit)
{
    auto u = std::make_unique<CUserRGX>();
    TestBitmap ok(128, 64, 32, 255, 0, 0);
    ASSERT_EQ(u->LoadFromHandle(&ok.bm, 0x808080), 1);
    EXPECT_EQ(u->m_DataSize, 4096u);
    EXPECT_EQ(u->header.type, CONTENT_IMAGE);
    EXPECT_EQ(u->header.width, 128);
    EXPECT_EQ(u->header.height, 64);
    EXPECT_EQ(u->header.frames, 1);
    EXPECT_EQ(u->header.phase, 7);
    EXPECT_EQ(u->header.delay, 50);
    EXPECT_EQ(u->data[0], 0x11);
    EXPECT_EQ(u->data[4095], 0x11);
    EXPECT_EQ(u->data[4096], 0);

    TestBitmap big(128, 128, 32, 255, 0, 0);
    EXPECT_EQ(u->LoadFromHandle(&big.bm, 0x808080), 0);
    EXPECT_EQ(u->header.type, 0);
    EXPECT_EQ(u->data[0], 0);
    // 8176 pixel bytes is already too many; one row fewer fits.
    TestBitmap edge(16, 1022, 24, 255, 0, 0);
    EXPECT_EQ(u->LoadFromHandle(&edge.bm, 0x808080), 0);
    TestBitmap under(16, 1021, 24, 255, 0, 0);
    EXPECT_EQ(u->LoadFromHandle(&under.bm, 0x808080), 1);

    BITMAP noBits = ok.bm;
    noBits.bmBits = nullptr;
    EXPECT_EQ(u->LoadFromHandle(&noBits, 0x808080), 0);
    EXPECT_EQ(u->LoadFromHandle(nullptr, 0x808080), 0);
    EXPECT_EQ(u->m_Threshold, 0x808080u);
}

TEST(UserRgx, ThresholdRuleAndPixelPacking)
{
    auto u = std::make_unique<CUserRGX>();
    // Threshold red 0x40, green 0x90 (blue ignored).
    const unsigned long threshold = RGB(0x40, 0x90, 0x01);
    TestBitmap bmp(4, 2, 24, 0, 0, 0);
    bmp.Set(0, 0, 0x40, 0x00, 0xFF); // red exactly at the threshold: red
    bmp.Set(1, 0, 0x3F, 0x90, 0x00); // green at the threshold only: green
    bmp.Set(2, 0, 0xFF, 0xFF, 0xFF); // yellow
    bmp.Set(3, 0, 0x3F, 0x8F, 0xFF); // blue alone: dark
    bmp.Set(0, 1, 0xFF, 0x00, 0x00);
    ASSERT_EQ(u->LoadFromHandle(&bmp.bm, threshold), 1);
    EXPECT_EQ(u->m_Threshold, threshold);
    EXPECT_EQ(u->data[0], 0x12);
    EXPECT_EQ(u->data[1], 0x30);
    EXPECT_EQ(u->data[2], 0x10); // second row: top-down order kept
    EXPECT_EQ(u->data[3], 0x00);

    // Bottom-up conversion takes the last source row first.
    u->MakeRGXData(bmp.bm, bmp.bits.data(), 1);
    EXPECT_EQ(u->data[0], 0x10);
    EXPECT_EQ(u->data[2], 0x12);
}

TEST(UserRgx, OddLastPixelIsDroppedAndLowDepthIsDark)
{
    auto u = std::make_unique<CUserRGX>();
    TestBitmap bmp(3, 2, 32, 0xFF, 0xFF, 0);
    ASSERT_EQ(u->LoadFromHandle(&bmp.bm, 0x808080), 1);
    EXPECT_EQ(u->data[0], 0x33); // one byte a row
    EXPECT_EQ(u->data[1], 0x33);
    EXPECT_EQ(u->data[2], 0x00);
    EXPECT_EQ(u->m_DataSize, 3u);

    TestBitmap low(4, 2, 32, 0xFF, 0xFF, 0);
    low.bm.bmBitsPixel = 16;
    ASSERT_EQ(u->LoadFromHandle(&low.bm, 0x808080), 1);
    EXPECT_EQ(u->data[0], 0);
    EXPECT_EQ(u->data[1], 0);
}

TEST(UserRgx, DirectConversionNeverWritesPastThePixelArea)
{
    auto u = std::make_unique<CUserRGX>();
    TestBitmap huge(256, 128, 24, 0xFF, 0, 0); // 16 KB of pixel bytes
    u->m_Open = 1;
    EXPECT_EQ(u->MakeRGXData(huge.bm, huge.bits.data(), 0), 1);
    EXPECT_EQ(u->data[8191], 0x11);
    EXPECT_EQ(u->capacity, 8192u); // the fields after the area are intact
    EXPECT_EQ(u->m_Open, 1);
}

TEST(UserRgx, AssignFromImage)
{
    auto src = std::make_unique<CRGX<8192>>();
    src->header.width = 10;
    src->header.height = 6;
    src->data[5] = 0x21;
    auto u = std::make_unique<CUserRGX>();
    u->m_Threshold = 0x123456;
    const CUserRGX copy = (*u = src.get());
    EXPECT_EQ(u->m_DataSize, 30u);
    EXPECT_EQ(u->data[5], 0x21);
    EXPECT_EQ(u->m_Threshold, 0x123456u);
    EXPECT_EQ(copy.data[5], 0x21);
    *u = static_cast<const CRGX<8192>*>(nullptr);
    EXPECT_EQ(u->data[5], 0x21);
}
