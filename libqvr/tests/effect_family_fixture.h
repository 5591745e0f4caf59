// SPDX-License-Identifier: BSD-2-Clause
// A board for the family tests: an engine, one page, and a small library
// whose Latin glyphs have shapes easy to follow and whose effect masks the
// tests lay out themselves.
#pragma once

#include "effect_test_util.h"
#include "glyph_fixture.h"
#include "qvr/effect.h"
#include "qvr/effect_family.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace familytest {

constexpr uint32_t kBlack = 0x000000, kRed = 0xFF0000, kGreen = 0x00FF00, kYellow = 0xFFFF00,
                   kBlue = 0x0000FF, kWhite = 0xFFFFFF;
// Colour rows of the glyph selector: red, green and yellow text.
constexpr unsigned kRedText = 0, kGreenText = 1, kYellowText = 2;

// Glyphs of the test font (8 x 16): every dot set, the leftmost column only,
// the top row only.
constexpr char kSolid = 'A', kBar = 'L', kTop = 'T';

// An effect mask: frames of rows of nibbles, `width` nibbles a row.
struct MaskSpec {
    unsigned number = 0; // library effect number (code - 1)
    uint16_t width = 4, height = 16, frames = 1, mode = 0;
    std::function<unsigned(int frame, int x, int y)> nibble = [](int, int, int) { return 0u; };
};

inline std::vector<uint8_t> LibraryBytes(const std::vector<MaskSpec>& masks)
{
    qvrtest::LibraryShape shape;
    shape.row = 1;
    qvrtest::ContainerWriter w = qvrtest::MakeLibrary(shape);
    for (const MaskSpec& m : masks) {
        RGX_HEADER h = qvrtest::Header(CONTENT_EFFECT, m.width, m.height, m.frames, m.mode);
        std::vector<uint8_t> px(qvrtest::PixelBytes(h), 0);
        const int rowBytes = m.width / 2;
        for (int f = 0; f < m.frames; ++f)
            for (int y = 0; y < m.height; ++y)
                for (int x = 0; x < rowBytes * 2; ++x) {
                    uint8_t& b = px[(size_t(f) * m.height + y) * rowBytes + x / 2];
                    const unsigned n = m.nibble(f, x, y) & 0x0F;
                    b |= static_cast<uint8_t>((x & 1) ? n : n << 4);
                }
        w.SetImage(qvr::kSecEffects + m.number, h, std::move(px));
    }
    return w.Build();
}

struct Board : effecttest::Rig {
    explicit Board(unsigned columns = 6, unsigned rows = 1, int band = -1,
                   const std::vector<MaskSpec>& masks = {})
        : Rig(columns, rows)
    {
        const std::vector<uint8_t> bytes = LibraryBytes(masks);
        EXPECT_EQ(content->Initialize(bytes.data(), bytes.size()), 1);
        qvrtest::NamePatterns(*content);
        SetGlyph(kSolid, [](int, int) { return true; });
        SetGlyph(kBar, [](int x, int) { return x == 0; });
        SetGlyph(kTop, [](int, int y) { return y == 0; });
        if (band >= 0)
            ArmBand(band);
        qvr::ResetSharedEffectState();
    }
    void SetGlyph(char code, const std::function<bool(int, int)>& dot)
    {
        for (unsigned face = 0; face < qvr::kLatinFaces; ++face) {
            unsigned char* g = content->m_Latin16 + (face * qvr::kLatinGlyphs + unsigned(code)) * 16;
            for (int y = 0; y < 16; ++y) {
                g[y] = 0;
                for (int x = 0; x < 8; ++x)
                    if (dot(x, y))
                        g[y] |= static_cast<unsigned char>(0x80 >> x);
            }
        }
    }
    // Line 1 (or line 2) of the item: 8 x 16 cells in one colour row.
    void Text(const std::string& s, unsigned colour = kRedText, int line = 0)
    {
        CLumiChar* cells = page->item.chars + line * CLumivo::kLineCells;
        for (int i = 0; i < CLumivo::kLineCells; ++i)
            cells[i].code = 0;
        for (size_t i = 0; i < s.size(); ++i) {
            cells[i].code = static_cast<uint16_t>(s[i]);
            cells[i].attr = qvrtest::FontCell(2, 1, 0, colour);
        }
    }
    // Arms the three effects and the start phase, as the host does.
    void Effects(uint16_t s, uint16_t w = 92, uint16_t e = 97)
    {
        engine->SetPageInfo(page.get());
        CEFF cs(s, 50), cw(w, 50), ce(e, 50);
        engine->SetEffectS(cs);
        engine->SetEffectW(cw);
        engine->SetEffectE(ce);
        engine->_init_effs(0);
    }
    // Calls a step until it ends the phase; the number of calls, or -1 when
    // it did not end within `most`.
    int CallsToEnd(DWORD (CEffect::*step)(), int most = 100000)
    {
        for (int n = 1; n <= most; ++n)
            if ((engine.get()->*step)() == CEffect::kEffectEnd)
                return n;
        return -1;
    }
    // Columns of row y in the given colour.
    std::vector<int> ColumnsOf(int y, uint32_t colour) const
    {
        std::vector<int> out;
        for (int x = 0; x < page->bitmap.bmWidth; ++x)
            if (Pixel(x, y) == colour)
                out.push_back(x);
        return out;
    }
    // The frame as the text standing at rest (None start) would show it.
    std::vector<uint32_t> Frame() const
    {
        std::vector<uint32_t> out;
        for (int y = 0; y < page->bitmap.bmHeight; ++y)
            for (int x = 0; x < page->bitmap.bmWidth; ++x)
                out.push_back(Pixel(x, y));
        return out;
    }
    std::vector<uint32_t> RestFrame()
    {
        engine->effect_unicode(page->xOffset, 0);
        engine->copy_LB2FB(0, 0, &page->bitmap);
        return Frame();
    }
};

} // namespace familytest
