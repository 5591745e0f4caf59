// SPDX-License-Identifier: GPL-2.0-or-later
// The Ad editor's character editor full of text: 100 cells of 32-dot glyphs
// (Latin and Chinese) redrawn as its frame timer does, every cell painted
// again and the widget drawn (target: under 2 ms). Offscreen platform.
#include "qt_start.h"
#include "ui/editor/char_editor.h"

#include <qvr/content_resource.h>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <memory>

namespace {

void BM_CharEditorRedraw100CellsAtSize4(benchmark::State& state)
{
    StartQt();
    // The two-row library for English boards: 32-dot Latin and GB2312 glyphs.
    const std::vector<uint8_t> bytes = qvr::LoadContentResource(326);
    if (bytes.empty()) {
        state.SkipWithError("the program's containers are not built");
        return;
    }
    auto content = std::make_unique<CContent>();
    content->Initialize(bytes.data(), bytes.size());

    CCharEditor editor(lumivo::CCellText::Mode::Text);
    editor.SetContent(content.get());
    editor.SetLines(2);
    QVXF big;
    big.size = 4;
    editor.SetCurrent(big);
    const std::u16string sample = u"OPEN 24H 营业中 ";
    std::vector<CLumiChar> cells;
    for (size_t i = 0; i < 100; ++i) {
        CLumiChar c;
        c.code = sample[i % sample.size()];
        c.attr = big;
        c.attr.color = static_cast<uint32_t>(i % 23); // animated colours among them
        cells.push_back(c);
    }
    editor.InsertCells(cells);
    editor.resize(1280, editor.sizeHint().height());
    QImage screen(editor.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        editor.NextFrame();
        QPainter p(&screen);
        editor.Render(p);
    }
    state.counters["cells"] = double(editor.Text().Size());
}
BENCHMARK(BM_CharEditorRedraw100CellsAtSize4)->Unit(benchmark::kMicrosecond);

} // namespace
