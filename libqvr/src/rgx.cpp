// SPDX-License-Identifier: BSD-2-Clause
#include "qvr/rgx.h"

#include <algorithm>

int GetRGXtoRGB(unsigned char value, eRGX2RGB order)
{
    if (order != RGX2RGB_COLORREF && order != RGX2RGB_DIB32)
        return 0;
    if (value & 0x08)
        return 0xFFFFFF;
    const int r = (value & 1) ? 0xFF : 0;
    const int g = (value & 2) ? 0xFF : 0;
    const int b = (value & 4) ? 0xFF : 0;
    return order == RGX2RGB_COLORREF ? (b << 16 | g << 8 | r) : (r << 16 | g << 8 | b);
}

namespace qvr {

void DescribeDib32(BITMAP& bm, long width, long height)
{
    bm = BITMAP{};
    bm.bmWidth = static_cast<LONG>(width);
    bm.bmHeight = static_cast<LONG>(height);
    bm.bmWidthBytes = static_cast<LONG>(Dib32Stride(width));
    bm.bmPlanes = 1;
    bm.bmBitsPixel = 32;
}

int DescribeBitmap(const RGX_HEADER& header, BITMAP* bm)
{
    if (bm == nullptr)
        return 0;
    DescribeDib32(*bm, header.width, static_cast<long>(header.height) * header.frames);
    return 1;
}

int ConvertToDib32(const RGX_HEADER& header, const unsigned char* data, size_t dataBytes,
                   unsigned char* dst, size_t dstBytes)
{
    if (data == nullptr || dst == nullptr)
        return 0;
    const size_t srcStride = header.width / 2;
    const size_t dstStride = static_cast<size_t>(Dib32Stride(header.width));
    size_t rows = static_cast<size_t>(header.height) * header.frames;
    // A header that claims more rows than the pixel area or the target holds
    // is drawn only as far as both reach.
    if (srcStride > 0)
        rows = std::min(rows, dataBytes / srcStride);
    if (dstStride > 0 && dstBytes != SIZE_MAX) {
        // The last row needs only its own pixels, not a whole stride.
        const size_t lastRow = srcStride * 2 * 4;
        rows = dstBytes < lastRow ? 0 : std::min(rows, (dstBytes - lastRow) / dstStride + 1);
    }
    static constexpr auto lut = [] {
        struct { uint32_t v[16]; } t{};
        for (int i = 0; i < 16; ++i) {
            if (i & 8) {
                t.v[i] = 0xFFFFFF;
                continue;
            }
            t.v[i] = ((i & 1) ? 0xFF0000u : 0) | ((i & 2) ? 0x00FF00u : 0) | ((i & 4) ? 0x0000FFu : 0);
        }
        return t;
    }();
    for (size_t y = 0; y < rows; ++y) {
        const unsigned char* s = data + y * srcStride;
        unsigned char* d = dst + y * dstStride;
        for (size_t i = 0; i < srcStride; ++i) {
            const uint32_t px[2] = {lut.v[s[i] >> 4], lut.v[s[i] & 0x0F]};
            std::memcpy(d + i * 8, px, 8); // little-endian 32-bit pixels
        }
    }
    return 1;
}

} // namespace qvr

unsigned char* RGXDATA::GetPixelAddress(long x, long y) const
{
    if (bits == nullptr || x < 0 || x >= width || y < 0 || y >= height)
        return nullptr;
    return bits + static_cast<size_t>(widthBytes) * static_cast<size_t>(y) + static_cast<size_t>(x);
}

CUserRGX::CUserRGX() : m_Open(0), m_DataSize(0), m_Threshold(0x808080) {}

void CUserRGX::Clear()
{
    CRGX<8192>::Clear();
    m_Open = 0;
    m_DataSize = 0;
    m_Threshold = 0xFF7F7F;
}

const CUserRGX CUserRGX::operator=(const CRGX<8192>* image)
{
    if (image != nullptr) {
        CRGX<8192>::operator=(*image);
        m_DataSize = static_cast<uint32_t>(header.width) * header.height / 2;
    }
    return *this;
}

int CUserRGX::LoadFromHandle(const BITMAP* bitmap, unsigned long threshold)
{
    CRGX<8192>::Clear();
    m_Open = 0;
    m_DataSize = 0;
    m_Threshold = static_cast<uint32_t>(threshold);

    // A bitmap we cannot describe: no description, no bits, no sensible size.
    if (bitmap == nullptr || bitmap->bmBits == nullptr || bitmap->bmWidth < 0 ||
        bitmap->bmHeight < 0 || bitmap->bmWidth > 0xFFFF || bitmap->bmHeight > 0xFFFF)
        return 0;
    const uint64_t size = (static_cast<uint64_t>(bitmap->bmWidth) * bitmap->bmHeight) >> 1;
    if (size >= kMaxDataSize)
        return 0;
    m_DataSize = static_cast<uint32_t>(size);

    header.type = CONTENT_IMAGE;
    header.width = static_cast<uint16_t>(bitmap->bmWidth);
    header.height = static_cast<uint16_t>(bitmap->bmHeight);
    header.frames = 1;
    header.group = 0;
    header.flag = 0;
    header.phase = 7;
    header.delay = 50;

    // Our bitmaps are top-down (bmBits is the top row), so rows are taken in order.
    MakeRGXData(*bitmap, bitmap->bmBits, 0);
    return 1;
}

int CUserRGX::MakeRGXData(BITMAP bm, const void* bits, int bottomUp)
{
    if (bm.bmHeight < 1 || bm.bmWidth < 1 || bits == nullptr)
        return 1;
    if (bm.bmBitsPixel < 24)
        return 1; // converts to an all-dark image
    const size_t rowBytes = static_cast<size_t>(bm.bmWidth >> 1);
    const size_t step = bm.bmBitsPixel / 8;
    if (rowBytes == 0 || bm.bmWidthBytes < static_cast<LONG>(rowBytes * 2 * step))
        return 1; // nothing whole to convert, or rows overlapping each other
    const size_t rows = std::min<size_t>(bm.bmHeight, sizeof data / rowBytes);
    const unsigned red = m_Threshold & 0xFF;
    const unsigned green = (m_Threshold >> 8) & 0xFF;
    const auto* src = static_cast<const unsigned char*>(bits);

    for (size_t y = 0; y < rows; ++y) {
        const size_t srcRow = bottomUp ? static_cast<size_t>(bm.bmHeight) - 1 - y : y;
        const unsigned char* s = src + srcRow * static_cast<size_t>(bm.bmWidthBytes);
        unsigned char* d = data + y * rowBytes;
        // Pixels come in pairs; an odd last pixel of a row is dropped.
        for (size_t i = 0; i < rowBytes; ++i) {
            unsigned char pair = 0;
            for (int half = 0; half < 2; ++half) {
                const unsigned char* p = s + (2 * i + half) * step; // blue, green, red
                const unsigned nib = (p[2] >= red ? 1 : 0) | (p[1] >= green ? 2 : 0);
                pair = static_cast<unsigned char>(pair | (nib << (half ? 0 : 4)));
            }
            d[i] = pair;
        }
    }
    return 1;
}
