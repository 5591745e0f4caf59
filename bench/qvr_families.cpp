// One step of each effect family (text drawing, transform, frame write, under
// the engine lock) for a one-line text item on a 20 x 4 board (320 x 64).
#include "../libqvr/tests/container_writer.h"

#include "qvr/effect.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

struct FamilyBoard {
    std::unique_ptr<CContent> content = std::make_unique<CContent>();
    std::unique_ptr<CEffect> engine = std::make_unique<CEffect>();
    std::unique_ptr<PageInfo> page = std::make_unique<PageInfo>();

    FamilyBoard(int phase, uint16_t code)
    {
        const std::vector<uint8_t> qvr = qvrtest::MakeLibrary(qvrtest::LibraryShape{}).Build();
        content->Initialize(qvr.data(), qvr.size());
        engine->SetContent(content.get());
        engine->SetModuleSize(20, 4);

        CLumivo& item = page->item;
        const char16_t* text = u"Lumivo \uB8E8\uBBF8\uBCF4 2026";
        int n = 0;
        for (; text[n]; ++n)
            item.chars[n].code = static_cast<uint16_t>(text[n]);
        item.chars[n].code = 0;
        item.option = 1;

        qvr::DescribeDib32(page->bitmap, 320, 64);
        page->width = 320;
        page->height = 64;
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
void FamilyStep(benchmark::State& state)
{
    const int phase = static_cast<int>(state.range(0));
    FamilyBoard b(phase, static_cast<uint16_t>(state.range(1)));
    DWORD (CEffect::*step)() = phase == 0 ? &CEffect::GetEffectS
                               : phase == 1 ? &CEffect::GetEffectW
                                            : &CEffect::GetEffectE;
    for (auto _ : state) {
        if ((b.engine.get()->*step)() != 0)
            b.Arm(phase); // the phase is over: play it again
    }
}

} // namespace

// Animation, View, Scroll, Wave, Zoom, Color (copies, symbol), Twist (cylinder,
// circle, drum, flat drum) starts; the Twist end; a wait of each family.
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
    ->Args({2, 95})
    ->Args({1, 1})
    ->Args({1, 51})
    ->Args({1, 60})
    ->Args({1, 67})
    ->Args({1, 79})
    ->Args({1, 86})
    ->Args({1, 89})
    ->Unit(benchmark::kMicrosecond);
