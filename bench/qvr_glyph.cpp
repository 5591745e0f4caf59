// SPDX-License-Identifier: GPL-2.0-or-later
// Glyph painting runs for every cell at every frame: GetFontData for the three
// cell sizes of the boards, with an animated colour row and attribute row.
#include "qvr/content.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

namespace {

// A library whose glyph and pattern areas hold busy but valid data.
CContent& Library()
{
    static std::unique_ptr<CContent> c = [] {
        auto lib = std::make_unique<CContent>();
        lib->m_Header = 0x001A2300; // 32-dot, Hangul and Hanja
        unsigned char* const areas[] = {lib->m_Latin16, lib->m_Latin32, lib->m_Hangul16, lib->m_Hangul32};
        const size_t sizes[] = {sizeof lib->m_Latin16, sizeof lib->m_Latin32, sizeof lib->m_Hangul16,
                                sizeof lib->m_Hangul32};
        for (size_t a = 0; a < 4; ++a)
            for (size_t i = 0; i < sizes[a]; ++i)
                areas[a][i] = static_cast<unsigned char>(i * 37 + (i >> 5));
        for (size_t i = 0; i < sizeof lib->m_Color16; ++i)
            lib->m_Color16[i] = lib->m_Color32[i] = static_cast<unsigned char>((i ^ (i >> 8)) & 3);
        for (size_t i = 0; i < sizeof lib->m_Attrib16; ++i)
            lib->m_Attrib16[i] = lib->m_Attrib32[i] = static_cast<unsigned char>((i * 7 >> 4) % 10);
        lib->m_CodeTable[0xAC00][0] = 0xB3C1;
        return lib;
    }();
    return *c;
}

// kind 1 cell: size, width index; colour row 12 (48 steps), attribute row 4 (61 steps).
QVXF Selector(unsigned size, unsigned colour = 12)
{
    return QVXF::FromWord((1u | size << 5 | 1u << 8) << 16 | colour << 8 | 4u);
}

void Paint(benchmark::State& state, QVXF attr, unsigned short code)
{
    const CContent& c = Library();
    alignas(16) unsigned char buf[qvr::kGlyphBufferBytes] = {};
    long frame = 0;
    for (auto _ : state) {
        const SIZE s = c.GetFontData(attr, code, frame++, buf);
        benchmark::DoNotOptimize(s);
        benchmark::DoNotOptimize(buf);
    }
    const SIZE s = c.GetFontData(attr, code, 0, buf);
    state.counters["pixels"] = double(s.cx) * s.cy;
}

void BM_GetFontData_8x16(benchmark::State& state) { Paint(state, Selector(2), 'A'); }
void BM_GetFontData_16x16(benchmark::State& state) { Paint(state, Selector(2), 0xAC00); }
void BM_GetFontData_16x16_Outline(benchmark::State& state) { Paint(state, Selector(2, 9), 0xAC00); }
void BM_GetFontData_32x32(benchmark::State& state) { Paint(state, Selector(4), 0xAC00); }

} // namespace

BENCHMARK(BM_GetFontData_8x16);
BENCHMARK(BM_GetFontData_16x16);
BENCHMARK(BM_GetFontData_16x16_Outline);
BENCHMARK(BM_GetFontData_32x32);
