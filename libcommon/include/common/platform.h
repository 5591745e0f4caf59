// SPDX-License-Identifier: BSD-2-Clause
// Plain records with the fields and widths of the desktop platform types that
// the content model, the engine and the file formats are expressed in.
#pragma once

#include <cstddef>
#include <cstdint>

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using LONG = int32_t;      // 32 bits on every platform, as the records store it
using COLORREF = uint32_t; // 0x00BBGGRR

// A bitmap description. bmBits points at the top row; rows are bmWidthBytes apart.
struct BITMAP {
    LONG bmType = 0;
    LONG bmWidth = 0;
    LONG bmHeight = 0;
    LONG bmWidthBytes = 0;
    WORD bmPlanes = 0;
    WORD bmBitsPixel = 0;
    void* bmBits = nullptr;
};
static_assert(offsetof(BITMAP, bmPlanes) == 16 && offsetof(BITMAP, bmBitsPixel) == 18);

struct SIZE {
    LONG cx = 0;
    LONG cy = 0;
};
static_assert(sizeof(SIZE) == 8);

struct POINT {
    LONG x = 0;
    LONG y = 0;
};

struct RECT {
    LONG left = 0;
    LONG top = 0;
    LONG right = 0;
    LONG bottom = 0;
};
static_assert(sizeof(RECT) == 16);

struct SYSTEMTIME {
    WORD wYear = 0;
    WORD wMonth = 0; // 1..12
    WORD wDayOfWeek = 0; // 0 = Sunday
    WORD wDay = 0;
    WORD wHour = 0;
    WORD wMinute = 0;
    WORD wSecond = 0;
    WORD wMilliseconds = 0;
};
static_assert(sizeof(SYSTEMTIME) == 16);

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b)
{
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}
