// SPDX-License-Identifier: GPL-2.0-or-later
// The schedule evaluator on a 500-entry schedule: a whole year's changes
// from a fresh evaluator (expansion included), and a single lookup once
// the year is expanded.
#include "core/schedule_eval.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

// 500 entries of a shop chain: varied days, windows (some past midnight),
// date ranges, holidays and priorities, over 50 Ads.
lumivo::Schedule BigSchedule()
{
    std::mt19937 rng(24);
    lumivo::Schedule s;
    s.timeZone = "Europe/Berlin";
    for (int i = 0; i < 500; ++i) {
        lumivo::ScheduleEntry e;
        e.name = "Entry " + std::to_string(i + 1);
        e.pages = {static_cast<unsigned>(rng() % 50), static_cast<unsigned>(rng() % 50)};
        std::sort(e.pages.begin(), e.pages.end());
        e.pages.erase(std::unique(e.pages.begin(), e.pages.end()), e.pages.end());
        e.start = static_cast<int>(rng() % 96) * 15;
        e.end = (e.start + 30 + static_cast<int>(rng() % 32) * 15) % 1440 + 1;
        if (e.end == e.start)
            e.end = e.start + 1;
        e.days = static_cast<uint8_t>(rng() % 127 + 1);
        e.priority = static_cast<int>(rng() % 9) + 1;
        if (i % 3 == 0) {
            e.first = lumivo::FromDayNumber(lumivo::DayNumber({2026, 1, 1}) + static_cast<int>(rng() % 200));
            e.last = lumivo::FromDayNumber(lumivo::DayNumber(*e.first) + static_cast<int>(rng() % 150));
        }
        if (i % 5 == 0)
            e.except = {{2026, 1, 1}, {2026, 4, 6}, {2026, 5, 1}, {2026, 12, 25}, {2026, 12, 26}};
        s.entries.push_back(std::move(e));
    }
    return s;
}

std::vector<unsigned> AllPages()
{
    std::vector<unsigned> v(50);
    for (unsigned i = 0; i < 50; ++i)
        v[i] = i;
    return v;
}

void YearOfChanges500(benchmark::State& state)
{
    const lumivo::Schedule s = BigSchedule();
    size_t changes = 0;
    for (auto _ : state) {
        std::unique_ptr<lumivo::CScheduleEvaluator> eval;
        lumivo::CScheduleEvaluator::Make(s, AllPages(), 50, eval);
        const std::time_t from = eval->ToInstant({2026, 1, 1}, 0), to = eval->ToInstant({2027, 1, 1}, 0);
        changes = 0;
        for (auto t = eval->NextChange(from, to); t; t = eval->NextChange(*t, to))
            ++changes;
        benchmark::DoNotOptimize(changes);
    }
    state.counters["changes"] = static_cast<double>(changes);
}
BENCHMARK(YearOfChanges500)->Unit(benchmark::kMillisecond);

void StateAt500(benchmark::State& state)
{
    const lumivo::Schedule s = BigSchedule();
    std::unique_ptr<lumivo::CScheduleEvaluator> eval;
    lumivo::CScheduleEvaluator::Make(s, AllPages(), 50, eval);
    std::time_t t = eval->ToInstant({2026, 6, 1}, 0);
    eval->At(t);
    for (auto _ : state) {
        benchmark::DoNotOptimize(eval->At(t));
        t = (t + 997) % 86400 + eval->ToInstant({2026, 6, 1}, 0);
    }
}
BENCHMARK(StateAt500)->Unit(benchmark::kMicrosecond);

} // namespace
