// SPDX-License-Identifier: BSD-2-Clause
// RGX images: a 16-byte RGX_HEADER (records.h) followed by 4-bit pixels, one
// colour nibble per LED (bit 0 red, bit 1 green, bit 2 blue, bit 3 white),
// two pixels a byte with the left pixel in the high nibble.
#pragma once

#include <qvr/records.h>

#include <common/platform.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

// Byte order of the colour that GetRGXtoRGB returns.
enum eRGX2RGB : int {
    RGX2RGB_COLORREF = 0, // red in the low byte (0x00BBGGRR)
    RGX2RGB_DIB32 = 1,    // red in bits 16-23 (0x00RRGGBB), 32-bit bitmap pixels
};

// The 32-bit colour of a colour nibble; 0 for an unknown order.
int GetRGXtoRGB(unsigned char value, eRGX2RGB order);

namespace qvr {
// Bytes per row of a 32-bit picture of the given width.
constexpr long Dib32Stride(long width) { return ((width * 32 + 31) / 32) * 4; }
// Fills a 32-bit bitmap description of an image (height = rows x frames).
// Describes a 32-bit picture of width x height pixels (no bits pointer).
void DescribeDib32(BITMAP& bm, long width, long height);
int DescribeBitmap(const RGX_HEADER& header, BITMAP* bm);
// Writes the 32-bit picture of the pixel data (at most dataBytes of it read,
// at most dstBytes written); returns 1, 0 for a null argument.
int ConvertToDib32(const RGX_HEADER& header, const unsigned char* data, size_t dataBytes,
                   unsigned char* dst, size_t dstBytes);
} // namespace qvr

// A fixed-capacity image: header, N bytes of pixels, the capacity N.
template <unsigned N>
class CRGX {
public:
    static constexpr unsigned kCapacity = N;

    RGX_HEADER header;
    unsigned char data[N];
    uint32_t capacity;

    CRGX() { Clear(); }
    ~CRGX() = default;
    CRGX(const CRGX&) = default;
    CRGX& operator=(const CRGX&) = default;

    void Clear()
    {
        std::memset(&header, 0, sizeof header);
        std::memset(data, 0, N);
        capacity = N;
    }
    unsigned char* GetDataPtr() { return data; }
    const unsigned char* GetDataPtr() const { return data; }

    // 32-bit bitmap description of the image; 0 for a null argument.
    int GetBitmapData(BITMAP* bm) const
        requires(N == 1040 || N == 8192 || N == 32768 || N == 98304)
    {
        return qvr::DescribeBitmap(header, bm);
    }
    // The picture itself, rows bytes-per-row apart, for trusted buffers large
    // enough for the description. Never reads past the pixel data.
    int GetBitmapData(unsigned char* pixels) const
        requires(N == 8192 || N == 32768 || N == 98304)
    {
        return qvr::ConvertToDib32(header, data, N, pixels, SIZE_MAX);
    }
    // The same into a buffer of known size: rows that do not fit are left out.
    int GetBitmapData(unsigned char* pixels, size_t pixelBytes) const
        requires(N == 8192 || N == 32768 || N == 98304)
    {
        return qvr::ConvertToDib32(header, data, N, pixels, pixelBytes);
    }
};

// The capacities the content library and the user images use.
using CRGX1040 = CRGX<1040>;     // move of a 16-dot library
using CRGX4112 = CRGX<4112>;     // move of a 32-dot library
using CRGX8192 = CRGX<8192>;     // library or user image
using CRGX29200 = CRGX<29200>;   // effect animation
using CRGX32768 = CRGX<32768>;   // movie image
using CRGX98304 = CRGX<98304>;   // animation image
using CRGX116752 = CRGX<116752>; // effect animation of a 32-dot library

static_assert(offsetof(CRGX1040, data) == 16 && offsetof(CRGX1040, capacity) == 16 + 1040 &&
              sizeof(CRGX1040) == 1040 + 20);
static_assert(offsetof(CRGX116752, capacity) == 16 + 116752 && sizeof(CRGX116752) == 116752 + 20);

// A view of pixel memory.
struct RGXDATA {
    int32_t width;
    int32_t height;
    uint32_t widthBytes;
    unsigned char* bits;

    RGXDATA() : width(0), height(0), widthBytes(0), bits(nullptr) {}
    RGXDATA(const RGXDATA&) = default;
    RGXDATA& operator=(const RGXDATA&) = default;

    // Address of pixel (x, y); null outside the view or without memory.
    unsigned char* GetPixelAddress(long x, long y) const;
};

// A user image made from a bitmap of the user's.
class CUserRGX : public CRGX<8192> {
public:
    // Images of this many pixel bytes or more are refused.
    static constexpr uint32_t kMaxDataSize = 8176;

    int32_t m_Open;
    uint32_t m_DataSize;    // width x height / 2 of the current image
    uint32_t m_Threshold;   // colour value 0x00BBGGRR

    CUserRGX();
    ~CUserRGX() {}
    CUserRGX(const CUserRGX&) = default;
    CUserRGX& operator=(const CUserRGX&) = default;
    // Takes the image (header, pixels, capacity) and its data size; a null
    // pointer changes nothing.
    const CUserRGX operator=(const CRGX<8192>* image);

    void Clear();
    int IsOpen() const { return m_Open; }

    // Converts a 24- or 32-bit bitmap whose bmBits points at its top row
    // (rows bmWidthBytes apart). Returns 0, leaving the image cleared, when
    // the bitmap has no bits or does not fit.
    int LoadFromHandle(const BITMAP* bitmap, unsigned long threshold);

    // Converts bits described by bm into the pixel area: a pixel whose red
    // (green) byte reaches the threshold's lights red (green). bottomUp
    // non-zero takes the source rows last to first. Rows that would not fit
    // the pixel area are left out. Returns 1.
    int MakeRGXData(BITMAP bm, const void* bits, int bottomUp);
};
static_assert(sizeof(CUserRGX) == sizeof(CRGX<8192>) + 12);
