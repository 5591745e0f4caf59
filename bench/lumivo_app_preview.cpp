// SPDX-License-Identifier: GPL-2.0-or-later
// The share of a core the preview takes while it plays a still Ad (a short
// text that starts, waits and ends with None, so no LED changes), as a
// shown widget on the offscreen platform: plain at 200 %, as dots at 300 %,
// and a 20 x 4 board as dots; and, as the floor, the same window stopped
// (LUMIVO_PREVIEW_SECONDS each, default 3). The process's CPU time over the
// wall time.
#include "qt_start.h"
#include "ui/lumivo_viewer.h"

#include <qvr/content_resource.h>

#include <benchmark/benchmark.h>

#include <QEventLoop>
#include <QTimer>

#include <ctime>
#include <memory>

namespace {

double Seconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Three seconds unless LUMIVO_PREVIEW_SECONDS says otherwise (20 for a
// steady figure).
int PlaySeconds()
{
    const int s = qEnvironmentVariableIntValue("LUMIVO_PREVIEW_SECONDS");
    return s > 0 ? s : 3;
}

void BM_PreviewCpu(benchmark::State& state)
{
    StartQt();
    const int zoom = int(state.range(0)), columns = int(state.range(2)), rows = int(state.range(3));
    const bool dots = state.range(1) != 0, play = state.range(4) != 0;
    const std::vector<uint8_t> bytes = qvr::LoadContentResource(rows > 1 ? 326 : 314);
    auto content = std::make_unique<CContent>();
    if (bytes.empty() || content->Initialize(bytes.data(), bytes.size()) != 1) {
        state.SkipWithError("no content container (build qvr_content first)");
        return;
    }
    CLumivo item{};
    const char text[] = "Sale today";
    for (size_t i = 0; i + 1 < sizeof text; ++i)
        item.chars[i].code = uint16_t(text[i]);
    item.type = LUMIVO_TEXT;
    item.effectS = CEFF{100, 50};
    item.effectW = CEFF{92, 50};
    item.effectE = CEFF{97, 50};
    CLumivoViewer viewer;
    viewer.SetContent(content.get());
    viewer.SetModuleSize(unsigned(columns), unsigned(rows));
    viewer.SetZoom(zoom);
    viewer.SetLedDots(dots);
    viewer.resize(columns * 16 * zoom / 100 + 40, rows * 16 * zoom / 100 + 40);
    viewer.show();
    viewer.Play({item});
    auto run = [](int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    };
    if (!play) {
        run(100); // the first frame shown
        viewer.Stop();
    }
    for (auto _ : state) {
        const double wall = Seconds(CLOCK_MONOTONIC), cpu = Seconds(CLOCK_PROCESS_CPUTIME_ID);
        const unsigned long paints = viewer.PaintCount();
        run(PlaySeconds() * 1000);
        const double w = Seconds(CLOCK_MONOTONIC) - wall;
        state.counters["cpu_percent"] = 100.0 * (Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu) / w;
        state.counters["steps_per_s"] = double(viewer.PaintCount() - paints) / w;
    }
}
BENCHMARK(BM_PreviewCpu)
    ->ArgNames({"zoom", "dots", "cols", "rows", "play"})
    ->Args({200, 0, 6, 1, 1})
    ->Args({300, 1, 6, 1, 1})
    ->Args({300, 1, 20, 4, 1})
    ->Args({300, 1, 20, 4, 0})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

} // namespace
