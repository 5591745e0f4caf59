// SPDX-License-Identifier: GPL-2.0-or-later
// One engine step (text drawing, transfer to the frame, under the engine
// lock) for a one-line text item, with the None start and the scrolling wait,
// on a small and a large board.
#include "../libqvr/tests/container_writer.h"

#include "qvr/effect.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

struct Board {
    std::unique_ptr<CContent> content = std::make_unique<CContent>();
    std::unique_ptr<CEffect> engine = std::make_unique<CEffect>();
    std::unique_ptr<PageInfo> page = std::make_unique<PageInfo>();

    Board(unsigned columns, unsigned rows, CEFF start, CEFF wait)
    {
        const std::vector<uint8_t> qvr = qvrtest::MakeLibrary(qvrtest::LibraryShape{}).Build();
        content->Initialize(qvr.data(), qvr.size());
        engine->SetContent(content.get());
        engine->SetModuleSize(columns, rows);

        // 45 Latin and Hangul cells: wider than both boards, so the wait scrolls.
        CLumivo& item = page->item;
        const char16_t* text = u"Lumivo 2026 \uB8E8\uBBF8\uBCF4 effect engine benchmark text";
        int n = 0;
        for (; text[n] && n < 45; ++n)
            item.chars[n].code = static_cast<uint16_t>(text[n]);
        item.chars[n].code = 0;

        qvr::DescribeDib32(page->bitmap, columns * 16, 16);
        page->width = page->bitmap.bmWidth;
        page->height = 16;
        engine->SetPageInfo(page.get());
        engine->SetEffectS(start);
        engine->SetEffectW(wait);
    }
};

void NoneStart(benchmark::State& state)
{
    Board b(static_cast<unsigned>(state.range(0)), static_cast<unsigned>(state.range(1)),
            CEFF(100, 50), CEFF(59, 50));
    b.engine->_init_effs(0);
    for (auto _ : state) {
        b.page->frameCount = 0;
        benchmark::DoNotOptimize(b.engine->GetEffectS());
    }
}

void ScrollingWait(benchmark::State& state)
{
    Board b(static_cast<unsigned>(state.range(0)), static_cast<unsigned>(state.range(1)),
            CEFF(100, 50), CEFF(59, 50));
    b.engine->_init_effw(1);
    for (auto _ : state) {
        if (b.engine->GetEffectW() != 0)
            b.engine->_init_effw(1); // start the scroll over
    }
}

} // namespace

BENCHMARK(NoneStart)->Args({6, 1})->Args({20, 4})->Unit(benchmark::kMicrosecond);
BENCHMARK(ScrollingWait)->Args({6, 1})->Args({20, 4})->Unit(benchmark::kMicrosecond);
