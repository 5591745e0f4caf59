// SPDX-License-Identifier: GPL-2.0-or-later
// The Ad list's rules that need no window: clipboard data from outside
// refused (the round trip is the window's copy and paste test) and the
// effect dialog's result.
#include "test_support.h"

#include "core/clipboard_items.h"
#include "core/effect_choice.h"
#include "core/item_text.h"

#include <common/text.h>
#include <qvr/effect.h>

using namespace coretest;
using lumivo::StoreClipboardItems;

namespace {

std::vector<uint8_t> Bytes824(const CLumivo& item)
{
    std::vector<uint8_t> b(qvr::kItemBytes);
    qvr::StoreItem(item, b.data());
    return b;
}

TEST(ClipboardItems, DataFromOutsideIsRefusedWithoutTouchingTheItems)
{
    UseEnglish();
    const std::vector<uint8_t> five = StoreClipboardItems(std::vector<CLumivo>(5, TextItem(u"x")));
    std::vector<uint8_t> unknownKind = StoreClipboardItems({TextItem(u"x")});
    unknownKind[1] = 13;
    std::vector<uint8_t> flat = StoreClipboardItems({TextItem(u"x")});
    flat[819] = 0x01; // blend bits only: no lines
    CLumivo image;
    image.type = LUMIVO_IMAGE;
    image.height = 2;
    image.chars[0].code = 208; // the library holds 200 images and 8 user images
    const std::vector<uint8_t> farImage = StoreClipboardItems({image});
    image.chars[0].code = 207;
    const std::vector<uint8_t> lastImage = StoreClipboardItems({image});
    const std::vector<uint8_t> tall = StoreClipboardItems({image, TextItem(u"x", 2), TextItem(u"y")});

    struct Case {
        const char* name;
        std::vector<uint8_t> data;
        const char* says;
    };
    const Case cases[] = {
        {"empty", {}, "no items"},
        {"one byte more", std::vector<uint8_t>(qvr::kItemBytes + 1), "not whole items"},
        {"five records", five, "more than the four of one Ad"},
        {"unknown kind", unknownKind, "Item 1 on the clipboard is of a kind this program does not know (13)"},
        {"no height", flat, "has no height"},
        {"picture past the library", farImage, "beyond this board's content library"},
        {"taller than the board", tall, "The Ad on the clipboard is 4 lines high; this board has 3"},
    };
    const std::vector<CLumivo> before = {TextItem(u"kept")};
    for (const Case& c : cases) {
        std::vector<CLumivo> items = before;
        const lumivo::Result r = lumivo::LoadClipboardItems(c.data.data(), c.data.size(), 3, items);
        EXPECT_FALSE(r) << c.name;
        EXPECT_TRUE(r.HasMessage(c.says)) << c.name << ": " << r.FirstError();
        EXPECT_TRUE(r.HasMessage(common::Utf16ToUtf8(CGlobalization::GetText("Error", "ErrClipboard")))) << c.name;
        ASSERT_EQ(items.size(), 1u);
        EXPECT_EQ(Bytes824(items[0]), Bytes824(before[0])) << c.name;
    }
    std::vector<CLumivo> items;
    EXPECT_TRUE(lumivo::LoadClipboardItems(lastImage.data(), lastImage.size(), 1, items));
    EXPECT_TRUE(lumivo::LoadClipboardItems(tall.data(), tall.size(), 4, items));
}

CEFF Effect(const CLumivo& item, int phase)
{
    return phase == 0 ? item.effectS : phase == 1 ? item.effectW : item.effectE;
}

TEST(EffectDialogRules, EveryTableCodeComesBackAsTheChoiceThatMakesIt)
{
    for (int phase = 0; phase < 3; ++phase)
        for (unsigned row = 1; row < lumivo::EffectRowCount(phase); ++row)
            for (unsigned index = 0; index < lumivo::EffectIndexCount(phase, row); ++index) {
                lumivo::EffectChoice c;
                c.phase = phase;
                c.row = row;
                c.index = index;
                const lumivo::EffectResult r = lumivo::DialogResult(c);
                EXPECT_EQ(unsigned(CEffect::GetEffect2Type(phase, r.effect.code)), row);
                EXPECT_EQ(lumivo::EffectFamily(phase, r.effect.code), lumivo::EffectRowFamily(phase, row));
                const lumivo::EffectChoice back =
                    lumivo::ChoiceFromItem(lumivo::ApplyEffectResult(TextItem(u"t"), phase, r), phase);
                EXPECT_EQ(back.row, row) << phase << " " << r.effect.code;
                EXPECT_EQ(back.index, index) << phase << " " << r.effect.code;
                EXPECT_EQ(back.delay, c.delay);
            }
    // Rows as the list names them: the wait table has no Flow row.
    EXPECT_EQ(lumivo::EffectIndexCount(1, 3), 7u); // Wave: 60..66
    EXPECT_EQ(lumivo::EffectRowFamily(1, 3), 4u);
    EXPECT_EQ(lumivo::EffectIndexCount(0, 7), 5u); // Twist start: 95..99
}

TEST(EffectDialogRules, DelayAutoTwistAndLoop)
{
    UseEnglish();
    lumivo::EffectChoice c;
    c.phase = 2;
    c.row = 5; // Zoom
    c.index = 2;
    c.delay = 1;
    EXPECT_EQ(lumivo::DialogResult(c).effect.param, 7);
    c.delay = 2;
    EXPECT_EQ(lumivo::DialogResult(c).effect.param, 10);
    c.delay = 30;
    EXPECT_EQ(lumivo::DialogResult(c).effect.param, 94);
    EXPECT_EQ(lumivo::DialogResult(c).effect.code, 78u);
    EXPECT_FALSE(lumivo::DialogResult(c).loop);

    // Delays outside 1..30 are not applied (a byte that wrapped would be).
    const CLumivo item = TextItem(u"sale");
    for (int delay : {0, 31, 100}) {
        c.delay = delay;
        const CLumivo after = lumivo::ApplyEffectResult(item, 2, lumivo::DialogResult(c));
        EXPECT_EQ(after.effectE, item.effectE) << delay;
    }

    c = {};
    c.row = 0; // Auto
    c.index = 3;
    EXPECT_EQ(lumivo::DialogResult(c).effect.code, CEFF::kAuto | 1u);
    EXPECT_EQ(lumivo::EffectCellText(0, lumivo::DialogResult(c).effect.code), u"Auto");

    // A Twist start ticks the loop box and stores the repeat count; the loop
    // keeps the Twist and sets the wait and end effects to None.
    c.row = 7;
    c.index = 3;
    c.delay = 4;
    c.repeat = 3;
    lumivo::EffectResult r = lumivo::DialogResult(c);
    EXPECT_EQ(r.effect.code, 98u);
    EXPECT_TRUE(r.loop);
    CLumivo twisted = lumivo::ApplyEffectResult(item, 0, r);
    EXPECT_EQ(twisted.option, 3);
    EXPECT_EQ(twisted.effectLoop, 1);
    EXPECT_EQ(twisted.effectS, CEFF(98, 16));
    EXPECT_EQ(twisted.effectW.code, 92);
    EXPECT_EQ(twisted.effectE.code, 97);
    EXPECT_EQ(twisted.effectW.param, item.effectW.param);

    // The end table's Twist codes (95, 96) are ribbons: no repeat count.
    c.phase = 2;
    c.row = 7;
    c.index = 0;
    r = lumivo::DialogResult(c);
    EXPECT_EQ(r.effect.code, 95u);
    EXPECT_FALSE(r.loop);
    EXPECT_EQ(lumivo::ApplyEffectResult(item, 2, r).option, item.option);

    // Loop ticked on any other start: the start becomes 59.
    c = {};
    c.row = 1;
    c.index = 4;
    c.loop = true;
    const CLumivo flowing = lumivo::ApplyEffectResult(item, 0, lumivo::DialogResult(c));
    EXPECT_EQ(flowing.effectS.code, 59);
    EXPECT_EQ(flowing.effectS.param, 3 * 14 + 7);
    EXPECT_EQ(flowing.effectW.code, 92);
    EXPECT_EQ(flowing.option, item.option);
    // Its wait and end cells no longer open the dialog; the start cell does.
    EXPECT_TRUE(lumivo::OpensEffectDialog(flowing, 0));
    EXPECT_FALSE(lumivo::OpensEffectDialog(flowing, 1));
    EXPECT_FALSE(lumivo::OpensEffectDialog(flowing, 2));
    CLumivo picture;
    picture.type = LUMIVO_IMAGE;
    EXPECT_FALSE(lumivo::OpensEffectDialog(picture, 0));
    EXPECT_TRUE(lumivo::OpensEffectDialog(item, 2));

    // Unticking the loop clears the flag and keeps the effects as they are.
    lumivo::EffectChoice again = lumivo::ChoiceFromItem(flowing, 0);
    EXPECT_TRUE(again.loop);
    again.loop = false;
    const CLumivo still = lumivo::ApplyEffectResult(flowing, 0, lumivo::DialogResult(again));
    EXPECT_EQ(still.effectLoop, 0);
    EXPECT_EQ(Effect(still, 1).code, 92);
}

} // namespace
