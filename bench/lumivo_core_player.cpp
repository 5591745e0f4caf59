// SPDX-License-Identifier: GPL-2.0-or-later
// The play loop on a 20 x 4 module board (320 x 64 LEDs) with a four-item
// Ad: ticks per second, paints (renders) per second, and ten seconds of
// virtual time as lumivo-cli render plays them.
#include "core/player.h"
#include "core/project.h"

#include <qvr/content_resource.h>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

CLumivo Item(const char* text, uint16_t start, uint16_t wait, uint16_t end)
{
    CLumivo item;
    for (size_t i = 0; text[i] && i < 49; ++i)
        item.chars[i].code = static_cast<uint16_t>(text[i]);
    item.effectS = CEFF{start, 50};
    item.effectW = CEFF{wait, 50};
    item.effectE = CEFF{end, 50};
    item.option = 1;
    return item;
}

struct Setup {
    std::unique_ptr<CContent> content = std::make_unique<CContent>();
    std::unique_ptr<lumivo::CPlayer> player = std::make_unique<lumivo::CPlayer>();
    lumivo::VirtualClock clock;
    bool ok = false;

    Setup()
    {
        const std::vector<uint8_t> bytes = qvr::LoadContentResource(lumivo::ChooseContainer('E', 1, 6));
        ok = !bytes.empty() && content->Initialize(bytes.data(), bytes.size()) == 1;
        player->SetClock(clock.Function());
        player->SetContent(content.get());
        player->SetModuleSize(20, 4);
        player->Play({Item("Welcome to the Lumivo LED board", 60, 92, 78),
                      Item("Open daily 9:00 - 18:00", 52, 92, 97),
                      Item("A line far too long for the board, so it scrolls along its wait", 100, 92, 61),
                      Item("Colour LED signs", 76, 79, 88)});
    }
};

void BM_PlayerTick(benchmark::State& state)
{
    Setup s;
    if (!s.ok) {
        state.SkipWithError("no content container (build the containers first)");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(s.player->Tick());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PlayerTick);

void BM_PlayerRender(benchmark::State& state)
{
    Setup s;
    if (!s.ok) {
        state.SkipWithError("no content container (build the containers first)");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(s.player->Render());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PlayerRender);

// Ten seconds of the Ad on virtual time at the board's pace (every paint
// asked for is made), sampled 50 times a second.
void BM_PlayerTenSeconds(benchmark::State& state)
{
    Setup s;
    if (!s.ok) {
        state.SkipWithError("no content container (build the containers first)");
        return;
    }
    unsigned paints = 0;
    for (auto _ : state)
        paints = lumivo::PlayVirtual(*s.player, s.clock, 10000, 20, nullptr);
    state.counters["paints"] = paints;
    state.SetItemsProcessed(state.iterations() * 2000); // ticks
}
BENCHMARK(BM_PlayerTenSeconds)->Unit(benchmark::kMillisecond);

} // namespace
