// SPDX-License-Identifier: BSD-2-Clause
// Small libraries for the glyph tests: a container from container_writer.h,
// opened, then given patterns whose values tell which one was sampled, and
// glyphs whose dots are easy to follow.
#pragma once

#include "container_writer.h"
#include "qvr/content.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace qvrtest {

// Colour pattern i holds the value i everywhere, so a painted pixel names its
// pattern; attribute patterns are plain (0) unless a test says otherwise.
inline void NamePatterns(CContent& c)
{
    for (unsigned i = 0; i < qvr::kColorPatterns; ++i) {
        std::memset(c.m_Color16 + i * 256, int(i), 256);
        std::memset(c.m_Color32 + i * 256, int(i), 256);
    }
    std::memset(c.m_Attrib16, 0, sizeof c.m_Attrib16);
    std::memset(c.m_Attrib32, 0, sizeof c.m_Attrib32);
}

inline void FillAttrib(CContent& c, unsigned pattern, unsigned char value)
{
    std::memset(c.m_Attrib16 + pattern * 256, value, 256);
    std::memset(c.m_Attrib32 + pattern * 256, value, 256);
}

inline std::unique_ptr<CContent> OpenLibrary(unsigned row, unsigned language)
{
    static std::map<std::pair<unsigned, unsigned>, std::vector<uint8_t>> built;
    std::vector<uint8_t>& bytes = built[{row, language}];
    if (bytes.empty()) {
        LibraryShape s;
        s.row = row;
        s.language = language;
        bytes = MakeLibrary(s).Build();
    }
    auto c = std::make_unique<CContent>();
    EXPECT_EQ(c->Initialize(bytes.data(), bytes.size()), 1);
    NamePatterns(*c);
    return c;
}

inline QVXF Cell(uint32_t high16, unsigned color = 0, unsigned attrib = 0)
{
    return QVXF::FromWord((high16 << 16) | (color << 8) | attrib);
}
// kind 1 with the given size, width index and face.
inline QVXF FontCell(unsigned size, unsigned widthIndex, unsigned face = 0, unsigned color = 0,
                     unsigned attrib = 0)
{
    return Cell(1u | (size << 5) | (widthIndex << 8) | (face << 11), color, attrib);
}

// A painted cell: its size and its pixels.
struct Picture {
    SIZE size;
    std::vector<unsigned char> px;
    int at(int x, int y) const { return px[size_t(y) * size.cx + x]; }
};

// Paints into a cleared scratch buffer of the engine's size, with a guard
// after it that must stay untouched.
template <typename F>
Picture Paint(F&& paint, size_t capacity = qvr::kGlyphBufferBytes)
{
    std::vector<unsigned char> buf(capacity + 64, 0xEE);
    std::fill(buf.begin(), buf.begin() + capacity, 0);
    Picture p;
    p.size = paint(buf.data(), capacity);
    for (size_t i = capacity; i < buf.size(); ++i)
        EXPECT_EQ(buf[i], 0xEE) << "written past the buffer at " << i;
    EXPECT_LE(size_t(p.size.cx) * p.size.cy, capacity);
    p.px.assign(buf.begin(), buf.begin() + size_t(p.size.cx) * p.size.cy);
    return p;
}

using Painter = SIZE (CContent::*)(QVXF, const unsigned char*, long, unsigned char*, size_t) const;

inline Picture PaintGlyph(const CContent& c, Painter painter, QVXF a, const unsigned char* glyph, long t = 0)
{
    return Paint([&](unsigned char* o, size_t cap) { return (c.*painter)(a, glyph, t, o, cap); });
}

inline Picture PaintCode(const CContent& c, QVXF a, uint16_t code, long t = 0,
                         size_t capacity = qvr::kGlyphBufferBytes)
{
    return Paint([&](unsigned char* o, size_t cap) { return c.GetFontData(a, code, t, o, cap); }, capacity);
}

// Sets dot (x, y) of a glyph whose rows are rowBytes wide.
inline void SetDot(unsigned char* glyph, int rowBytes, int x, int y)
{
    glyph[y * rowBytes + x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
}

} // namespace qvrtest
