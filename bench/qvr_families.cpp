// SPDX-License-Identifier: GPL-2.0-or-later
// One step of each effect family (text drawing, transform, frame write, under
// the engine lock) for a text item of 32-dot glyphs in a 64-row band of a
// 20 x 4 board (320 x 64), with the built content container, beside the
// floor: the same bytes cleared with memset and the frame written from the
// line buffer by one plain copy loop (each byte widened to a pixel). Each
// step reports its time as a multiple of the floor: x_whole against the
// whole 64 x 4800 line buffer, x_used against the rows and columns the board
// uses.
#include "qvr/content_resource.h"
#include "qvr/effect.h"
#include "qvr/rgx.h"

#include <common/named_mutex.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

namespace {

constexpr int kColumns = 20, kRows = 4;
constexpr int kWidth = kColumns * 16, kHeight = kRows * 16;
constexpr int kContainer = 315; // two module rows, six columns, Korean

// ---- The floor

unsigned char g_lb[CEffect::kLBRows][CEffect::kLBCols];
uint32_t g_frame[kHeight][kWidth];

// Clears `cols` columns of every row (all of them: one memset) and writes
// the frame from the line buffer.
void Floor(long cols)
{
    // Both buffers escape, so that no store counts as dead.
    benchmark::DoNotOptimize(g_lb);
    benchmark::DoNotOptimize(g_frame);
    if (cols == CEffect::kLBCols)
        std::memset(g_lb, 0, sizeof g_lb);
    else
        for (int y = 0; y < CEffect::kLBRows; ++y)
            std::memset(g_lb[y], 0, static_cast<size_t>(cols));
    benchmark::ClobberMemory();
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            g_frame[y][x] = g_lb[y][x];
    benchmark::ClobberMemory();
}

double ThreadSeconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// CPU seconds of one floor pass: the median of 31 batches of 200 passes.
double MeasureFloor(long cols)
{
    std::vector<double> batches;
    for (int b = 0; b < 31; ++b) {
        const double t0 = ThreadSeconds();
        for (int i = 0; i < 200; ++i)
            Floor(cols);
        batches.push_back((ThreadSeconds() - t0) / 200);
    }
    std::nth_element(batches.begin(), batches.begin() + 15, batches.end());
    return batches[15];
}

struct Floors {
    double whole = MeasureFloor(CEffect::kLBCols);
    double used = MeasureFloor(kWidth);
};

const Floors& MeasuredFloors()
{
    static const Floors f;
    return f;
}

// Reports the CPU time per iteration of the loop run by `body` as multiples
// of the two floors.
template <typename F>
void RunAgainstFloors(benchmark::State& state, F&& body)
{
    const Floors& floors = MeasuredFloors();
    const double t0 = ThreadSeconds();
    for (auto _ : state)
        body();
    const double each = (ThreadSeconds() - t0) / static_cast<double>(std::max<int64_t>(state.iterations(), 1));
    state.counters["x_whole"] = each / floors.whole;
    state.counters["x_used"] = each / floors.used;
}

// Args: 1 the whole line buffer, 0 the columns the board uses.
void FloorStep(benchmark::State& state)
{
    const long cols = state.range(0) ? CEffect::kLBCols : kWidth;
    RunAgainstFloors(state, [cols] { Floor(cols); });
}

// The engine's lock, taken and released once per step: part of every
// step's time.
void EffectLock(benchmark::State& state)
{
    common::NamedMutex lock("EffectMutex");
    RunAgainstFloors(state, [&] {
        lock.lock();
        lock.unlock();
    });
}

// ---- The family steps

struct FamilyBoard {
    std::unique_ptr<CContent> content = std::make_unique<CContent>();
    std::unique_ptr<CEffect> engine = std::make_unique<CEffect>();
    std::unique_ptr<PageInfo> page = std::make_unique<PageInfo>();
    bool ok = false;

    FamilyBoard(int phase, uint16_t code, uint8_t fit = 0, bool still = false)
    {
        const std::vector<uint8_t> bytes = qvr::LoadContentResource(kContainer);
        ok = !bytes.empty() && content->Initialize(bytes.data(), bytes.size()) == 1;
        engine->SetContent(content.get());
        engine->SetModuleSize(kColumns, kRows);

        // "Open 영업 <icon> 24h" in 32-dot glyphs, with a shadow, a changing
        // colour and an animated attribute: 240 of the 320 columns.
        struct Run {
            const char16_t* text;
            uint32_t word;
        };
        const Run runs[] = {{u"Open ", 0x01810600},
                            {u"\uC601\uC5C5", 0x01810D00},
                            {u"\x0002", 0x01850000},
                            {u" 24h", 0x01810304}};
        // The same width of text in one plain shadowed colour and no icon:
        // nothing in it changes from frame to frame.
        const Run stillRuns[] = {{u"Open ", 0x01810600},
                                 {u"\uC601\uC5C5", 0x01810600},
                                 {u"*", 0x01810600},
                                 {u" 24h", 0x01810600}};
        CLumivo& item = page->item;
        int n = 0;
        for (const Run& r : still ? stillRuns : runs)
            for (const char16_t* c = r.text; *c; ++c, ++n) {
                item.chars[n].code = static_cast<uint16_t>(*c);
                item.chars[n].attr = QVXF::FromWord(r.word);
            }
        item.option = 1;
        item.fit = fit;

        qvr::DescribeDib32(page->bitmap, kWidth, kHeight);
        page->width = kWidth;
        page->height = kHeight;
        engine->SetPageInfo(page.get());
        CEFF s(phase == 0 ? code : 100, 50), w(phase == 1 ? code : 92, 50),
            e(phase == 2 ? code : 97, 50);
        engine->SetEffectS(s);
        engine->SetEffectW(w);
        engine->SetEffectE(e);
        Arm(phase);
    }
    void Arm(int phase)
    {
        if (phase == 0)
            engine->_init_effs(0);
        else if (phase == 1)
            engine->_init_effw(0);
        else
            engine->_init_effe(0);
    }
};

// Args: phase (0 start, 1 wait, 2 end), effect code.
void Steps(benchmark::State& state, uint8_t fit, bool still = false)
{
    const int phase = static_cast<int>(state.range(0));
    FamilyBoard b(phase, static_cast<uint16_t>(state.range(1)), fit, still);
    if (!b.ok) {
        state.SkipWithError("no content container (build the target qvr_content)");
        return;
    }
    DWORD (CEffect::*step)() = phase == 0 ? &CEffect::GetEffectS
                               : phase == 1 ? &CEffect::GetEffectW
                                            : &CEffect::GetEffectE;
    RunAgainstFloors(state, [&] {
        ++b.page->animCounter;
        if ((b.engine.get()->*step)() != 0)
            b.Arm(phase); // the phase is over: play it again
    });
}

void FamilyStep(benchmark::State& state) { Steps(state, 0); }
// The item laid out to the board width: every band row is squeezed in the
// line buffer before the family step.
void FitStep(benchmark::State& state) { Steps(state, 1); }
// A text whose glyphs do not change: what most steps draw is already in the
// line buffer.
void StillStep(benchmark::State& state) { Steps(state, 0, true); }

} // namespace

BENCHMARK(FloorStep)->ArgName("whole")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(EffectLock)->Unit(benchmark::kMicrosecond);

// A start, wait and end of every family; for the families whose codes work
// differently, one code of each kind (Scroll: sliding and combing; Color:
// mixing copies, sweeping symbol, blinking; Twist: cylinder, circle, drum,
// flat drum, ribbon).
BENCHMARK(FamilyStep)
    ->ArgNames({"phase", "code"})
    ->Args({0, 1})
    ->Args({0, 51})
    ->Args({0, 59})
    ->Args({0, 67})
    ->Args({0, 69})
    ->Args({0, 76})
    ->Args({0, 88})
    ->Args({0, 92})
    ->Args({0, 95})
    ->Args({0, 96})
    ->Args({0, 98})
    ->Args({0, 99})
    ->Args({0, 100})
    ->Args({1, 1})
    ->Args({1, 51})
    ->Args({1, 59})
    ->Args({1, 60})
    ->Args({1, 67})
    ->Args({1, 79})
    ->Args({1, 86})
    ->Args({1, 89})
    ->Args({1, 92})
    ->Args({2, 1})
    ->Args({2, 51})
    ->Args({2, 59})
    ->Args({2, 68})
    ->Args({2, 69})
    ->Args({2, 77})
    ->Args({2, 88})
    ->Args({2, 92})
    ->Args({2, 95})
    ->Args({2, 97})
    ->Unit(benchmark::kMicrosecond);

BENCHMARK(FitStep)->ArgNames({"phase", "code"})->Args({0, 100})->Args({0, 51})->Unit(benchmark::kMicrosecond);
BENCHMARK(StillStep)
    ->ArgNames({"phase", "code"})
    ->Args({0, 1})
    ->Args({0, 51})
    ->Args({0, 95})
    ->Args({0, 100})
    ->Args({1, 1})
    ->Args({1, 92})
    ->Args({2, 1})
    ->Args({2, 69})
    ->Unit(benchmark::kMicrosecond);
