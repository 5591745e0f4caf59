// SPDX-License-Identifier: GPL-2.0-or-later
// Text drawn into a user image at the board's tallest band, and a
// 12-megapixel photograph fitted and dithered into one.
#include "core/font_face.h"
#include "core/picture_convert.h"
#include "core/text_image.h"

#include <benchmark/benchmark.h>

namespace {

lumivo::TextRecipe Recipe(const char* text)
{
    lumivo::TextRecipe r;
    r.text = text;
    r.font = LUMIVO_BENCH_FONT;
    r.height = 64;
    r.color = 3;
    r.color2 = 6;
    return r;
}

// Font opened once, as the dialog keeps it while the user types.
void DrawText(benchmark::State& state, const char* text)
{
    lumivo::CFontFace face;
    if (!face.Open(LUMIVO_BENCH_FONT)) {
        state.SkipWithError("the font does not open");
        return;
    }
    const lumivo::TextRecipe recipe = Recipe(text);
    lumivo::TextPixels pixels;
    CRGX<8192> image;
    for (auto _ : state) {
        const lumivo::Result r = lumivo::RenderTextPixels(recipe, 64, face, nullptr, pixels);
        if (r)
            lumivo::MakeUserImage(pixels, image);
        benchmark::DoNotOptimize(image.data[0]);
    }
    state.counters["width"] = pixels.width;
}

// 254 × 64: the widest image of 64 rows a user image holds.
void BM_TextImageFitting(benchmark::State& state) { DrawText(state, "Sale 50%"); }
// About 320 × 64: drawn whole, then refused as above the per-image limit.
void BM_TextImage320x64(benchmark::State& state) { DrawText(state, "Sale 50% off"); }
BENCHMARK(BM_TextImageFitting)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextImage320x64)->Unit(benchmark::kMillisecond);

void BM_Dither12Megapixels(benchmark::State& state)
{
    lumivo::Rgb24Picture photo;
    photo.width = 4000;
    photo.height = 3000;
    photo.bgr.resize(size_t(photo.width) * size_t(photo.height) * 3);
    uint32_t seed = 1;
    for (size_t i = 0; i < photo.bgr.size(); ++i) {
        seed = seed * 1103515245u + 12345u;
        photo.bgr[i] = uint8_t((i / 3 % 4000) / 16 + (seed >> 27));
    }
    const auto conversion = lumivo::Conversion(state.range(0));
    int width = 0, height = 0;
    lumivo::DefaultPictureSize(photo.width, photo.height, 64, width, height);
    lumivo::Rgb24Picture fitted;
    CUserRGX image;
    for (auto _ : state) {
        lumivo::FitPicture(photo, width, height, lumivo::FitMode::Fill, fitted);
        lumivo::ConvertPicture(fitted, conversion, lumivo::kDefaultThresholds, image);
        benchmark::DoNotOptimize(image.data[0]);
    }
}
BENCHMARK(BM_Dither12Megapixels)->Arg(int(lumivo::Conversion::Ordered))->Arg(int(lumivo::Conversion::Diffusion))
    ->Unit(benchmark::kMillisecond);

} // namespace
