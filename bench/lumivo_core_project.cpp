// SPDX-License-Identifier: GPL-2.0-or-later
// Saving, loading and packing a full project (50 items on 13 pages).
#include "core/project.h"

#include <benchmark/benchmark.h>

namespace {

lumivo::CProjectCore& FullProject()
{
    static lumivo::CProjectCore project([](int) { return std::nullopt; });
    if (project.ItemCount() == 0) {
        CLumivo item;
        for (int i = 0; i < 60; ++i)
            item.chars[i].code = static_cast<uint16_t>(u'A' + i % 26);
        for (int p = 0; p < 12; ++p)
            project.AppendPage(std::vector<CLumivo>(4, item));
        project.AppendPage({item, item});
    }
    return project;
}

void Serialize(benchmark::State& state)
{
    lumivo::CProjectCore& project = FullProject();
    for (auto _ : state)
        benchmark::DoNotOptimize(project.Serialize());
}
BENCHMARK(Serialize);

void Load(benchmark::State& state)
{
    lumivo::CProjectCore& project = FullProject();
    const std::vector<uint8_t> bytes = project.Serialize();
    static lumivo::CProjectCore target([](int) { return std::nullopt; });
    for (auto _ : state)
        benchmark::DoNotOptimize(target.LoadBytes(bytes.data(), bytes.size()));
}
BENCHMARK(Load);

void PackAndLoadBlob(benchmark::State& state)
{
    lumivo::CProjectCore& project = FullProject();
    std::vector<uint8_t> blob;
    for (auto _ : state) {
        project.PackAdBlob(blob);
        benchmark::DoNotOptimize(project.LoadAdBlob(blob.data(), blob.size()));
    }
}
BENCHMARK(PackAndLoadBlob);

} // namespace
