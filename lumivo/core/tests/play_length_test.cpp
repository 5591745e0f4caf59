// SPDX-License-Identifier: GPL-2.0-or-later
// An Ad's play length, as the board's twin moves from Ad to Ad: measured by
// playing it, so the hold, the effects' own steps and the slowest item count.
#include "../../../libqvr/tests/container_writer.h"

#include "core/play_length.h"
#include "core/player.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A text item whose start, wait and end effects take one tick a step,
// holding `hold` seconds after its start effect.
CLumivo QuickText(const char* text, unsigned hold)
{
    CLumivo item;
    for (size_t i = 0; text[i] && i < 49; ++i)
        item.chars[i].code = static_cast<uint16_t>(text[i]);
    item.height = 2;
    item.option = static_cast<uint8_t>(hold);
    item.effectS = CEFF{59, 0};
    item.effectW = CEFF{92, 0};
    item.effectE = CEFF{59, 0};
    return item;
}

TEST(PlayLength, TheAdEndsWhenItsSlowestItemHasRunItsEffectsOnce)
{
    auto content = std::make_unique<CContent>(); // megabytes: not on the stack
    const std::vector<uint8_t> library = qvrtest::MakeLibrary(qvrtest::LibraryShape{}).Build();
    ASSERT_EQ(content->Initialize(library.data(), library.size()), 1);
    const SYSTEMTIME noon{2026, 12, 3, 9, 12, 0, 0, 0};
    auto length = [&](std::vector<CLumivo> items) {
        return lumivo::AdPlayLengthMs(*content, 2, 1, items, noon, 600000);
    };

    const uint64_t one = length({QuickText("AB", 1)});
    const uint64_t three = length({QuickText("AB", 3)});
    ASSERT_GT(one, 1000u);
    ASSERT_LT(one, 600000u);
    // The hold runs after the start effect and again as the None wait, each
    // held second the hold's 201 ticks of 5 ms.
    EXPECT_NEAR(double(three - one), 2 * 2.0 * lumivo::kHoldTicksPerSecond * lumivo::kTickMs, 2 * lumivo::kTickMs);
    // A wider text scrolls longer; the Ad lasts as long as its slowest item.
    const uint64_t wide = length({QuickText("ABCDEFGHIJKL", 1)});
    EXPECT_GT(wide, one);
    EXPECT_NEAR(double(length({QuickText("ABCDEFGHIJKL", 1), QuickText("AB", 3)})), double(std::max(wide, three)),
                2 * lumivo::kTickMs);

    // Items that never end on their own give no length; an Ad longer than
    // the limit gets the limit.
    CLumivo looping = QuickText("AB", 1);
    looping.effectLoop = 1;
    EXPECT_EQ(length({looping}), 0u);
    CLumivo picture;
    picture.type = LUMIVO_IMAGE;
    picture.chars[0].code = 1;
    picture.height = 2;
    EXPECT_EQ(length({picture}), 0u);
    EXPECT_EQ(length({}), 0u);
    EXPECT_EQ(lumivo::AdPlayLengthMs(*content, 2, 1, {QuickText("AB", 200)}, noon, 5000), 5000u);
}

} // namespace
