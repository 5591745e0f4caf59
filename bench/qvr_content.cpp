// SPDX-License-Identifier: GPL-2.0-or-later
// Opening a content container the size of a 32-dot library.
#include "../libqvr/tests/container_writer.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// A 32-dot Hangul library with full glyph sets and the picture arrays filled
// about as the program's libraries fill them: roughly 10 MB of sections.
std::vector<uint8_t> BigLibrary(bool dense, size_t* unpacked)
{
    using namespace qvrtest;
    LibraryShape s;
    s.row = 2;
    s.language = 10;
    s.effect = Header(CONTENT_EFFECT, 96, 16, 38);
    s.moves = 319;
    s.images = 200;
    s.image = Header(CONTENT_IMAGE, 128, 64, 1);
    s.movies = 50;
    s.movie = Header(CONTENT_MOVIE, 128, 32, 12);
    s.animations = 50;
    s.animation = Header(CONTENT_ANIMATION, 128, 32, 24);
    ContainerWriter w = MakeLibrary(s);
    // dense: a third of the bytes random, which packs only about 1.3 to 1,
    // harder on the decoder than real glyphs and pictures; otherwise the
    // regular test patterns, which pack about 12 to 1.
    uint32_t seed = 12345;
    *unpacked = 0;
    for (unsigned i = 1; i < w.count(); ++i) {
        for (uint8_t& b : w.at(i).payload) {
            if (!dense)
                break;
            seed = seed * 1103515245u + 12345u;
            b = (seed >> 16) % 100 < 35 ? static_cast<uint8_t>(seed >> 24) : 0;
        }
        *unpacked += w.at(i).payload.size();
    }
    *unpacked += w.at(0).payload.size();
    return w.Build();
}

void BM_ContentInitialize32(benchmark::State& state)
{
    size_t unpacked = 0;
    const std::vector<uint8_t> qvr = BigLibrary(state.range(0) != 0, &unpacked);
    auto content = std::make_unique<CContent>();
    for (auto _ : state) {
        if (content->Initialize(qvr.data(), qvr.size()) != 1)
            state.SkipWithError("container refused");
        benchmark::DoNotOptimize(content->m_Hanja16[100]);
    }
    state.counters["section_MB"] = static_cast<double>(unpacked) / 1e6;
    state.counters["container_MB"] = static_cast<double>(qvr.size()) / 1e6;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * unpacked));
}
BENCHMARK(BM_ContentInitialize32)->ArgName("dense")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
