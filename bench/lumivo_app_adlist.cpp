// SPDX-License-Identifier: GPL-2.0-or-later
// The Ad list in the window, on Qt's offscreen platform unless another is
// chosen: a whole refill of a 50-item project (alone, and with the layout
// and paint that follow), one pasted Ad shown and taken back, and the share
// of a core the effect dialog's demonstration uses while it plays. The
// refill is the window's: the shown list with its thirteen page groups is
// filled anew in the English texts of the language files.
#include "lumivo_doc.h"
#include "qt_start.h"
#include "ui/effect_dlg.h"
#include "ui/lumivo_view.h"
#include "ui/lumivo_viewer.h"

#include "core/project.h"

#include <qvr/content_resource.h>

#include <benchmark/benchmark.h>

#include <QEventLoop>
#include <QTimer>
#include <QUndoStack>

#include <ctime>
#include <memory>
#include <string>

namespace {

CLumivo Item(int n)
{
    CLumivo item;
    const std::string text = "Item number " + std::to_string(n);
    for (size_t i = 0; i < text.size(); ++i)
        item.chars[i].code = static_cast<uint16_t>(text[i]);
    item.effectS = CEFF{static_cast<uint16_t>(1 + n % 90), 50};
    return item;
}

// A document without a content library, holding `items` items in pages of four.
struct Project {
    struct Qt {
        Qt() { StartQt(); }
    } qt; // first: the document and views need the application object
    CPrompts prompts;
    CLumivoDoc doc{prompts, [](int) { return std::optional<std::vector<uint8_t>>(); }};
    explicit Project(int items)
    {
        for (int n = 0; n < items; n += 4) {
            std::vector<CLumivo> page;
            for (int i = n; i < items && i < n + 4; ++i)
                page.push_back(Item(i));
            doc.AppendPage(page);
        }
    }
};

// The project in a shown list, laid out once.
struct ShownList : Project {
    CLumivoView view{doc};
    explicit ShownList(int items) : Project(items)
    {
        view.resize(900, 600);
        view.show();
        QCoreApplication::processEvents();
    }
};

void BM_AdListRefill50(benchmark::State& state)
{
    ShownList list(50);
    CLumivoView& view = list.view;
    const bool paint = state.range(0) != 0;
    for (auto _ : state) {
        view.Refill();
        if (paint)
            view.repaint();
    }
    state.counters["rows"] = view.RowCount();
}
BENCHMARK(BM_AdListRefill50)->Arg(0)->Arg(1)->ArgNames({"paint"})->Unit(benchmark::kMillisecond);

void BM_AdListPasteAndUndo(benchmark::State& state)
{
    ShownList list(46);
    const std::vector<CLumivo> page = {Item(1), Item(2), Item(3), Item(4)};
    for (auto _ : state) {
        list.doc.AppendPage(page);
        list.doc.UndoStack()->undo();
    }
}
BENCHMARK(BM_AdListPasteAndUndo)->Unit(benchmark::kMicrosecond);

double Seconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Three seconds of the dialog playing a start effect at the default speed:
// the process's CPU time over the wall time.
void BM_EffectDemoCpu(benchmark::State& state)
{
    StartQt();
    const std::vector<uint8_t> bytes = qvr::LoadContentResource(lumivo::ChooseContainer('E', 1, 6));
    auto content = std::make_unique<CContent>();
    if (bytes.empty() || content->Initialize(bytes.data(), bytes.size()) != 1) {
        state.SkipWithError("no content container (build qvr_content first)");
        return;
    }
    CLumivo item = Item(7);
    item.effectS = CEFF{static_cast<uint16_t>(state.range(0)), 50};
    CEffectDlg dlg(item, 0, content.get());
    dlg.show();
    for (auto _ : state) {
        const double wall = Seconds(CLOCK_MONOTONIC);
        const double cpu = Seconds(CLOCK_PROCESS_CPUTIME_ID);
        const unsigned long paints = dlg.Demo()->PaintCount();
        QEventLoop loop;
        QTimer::singleShot(3000, &loop, &QEventLoop::quit);
        loop.exec();
        const double w = Seconds(CLOCK_MONOTONIC) - wall;
        state.counters["cpu_percent"] = 100.0 * (Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu) / w;
        state.counters["paints_per_s"] = double(dlg.Demo()->PaintCount() - paints) / w;
    }
}
BENCHMARK(BM_EffectDemoCpu)->Arg(5)->Arg(60)->Arg(97)->ArgNames({"code"})->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace
