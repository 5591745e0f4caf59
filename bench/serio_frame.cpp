// SPDX-License-Identifier: GPL-2.0-or-later
// Throughput of framing and of the receive state machine (the listener's
// per-byte work while a long answer arrives).
#include <serio/frame.h>

#include <benchmark/benchmark.h>

static void BM_BuildFrame(benchmark::State& state)
{
    const std::vector<BYTE> payload(static_cast<size_t>(state.range(0)), 0x5A);
    for (auto _ : state)
        benchmark::DoNotOptimize(serio::BuildFrame(0x5B, payload.data(), static_cast<DWORD>(payload.size())));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_BuildFrame)->Arg(1024)->Arg(60000);

static void BM_ReceiveInReadPieces(benchmark::State& state)
{
    const std::vector<BYTE> payload(static_cast<size_t>(state.range(0)), 0x5A);
    const auto frame = serio::BuildFrame(0x69, payload.data(), static_cast<DWORD>(payload.size()));
    serio::CFrameReceiver rx;
    for (auto _ : state) {
        size_t frames = 0;
        for (size_t pos = 0; pos < frame.size(); pos += 512)
            frames += rx.Feed(frame.data() + pos, std::min<size_t>(512, frame.size() - pos));
        benchmark::DoNotOptimize(frames);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(frame.size()));
}
BENCHMARK(BM_ReceiveInReadPieces)->Arg(60000)->Arg(1 << 20);
