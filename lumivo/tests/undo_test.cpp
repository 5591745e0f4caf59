// SPDX-License-Identifier: GPL-2.0-or-later
// Every change to a project is one undo step: for each kind of change, undo
// gives back the project as it was byte for byte and redo the changed one;
// a refused change is never pushed.
#include "gui_test_util.h"

#include "core/clipboard_items.h"
#include "core/effect_choice.h"
#include "lumivo_doc.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QUndoStack>

#include <functional>

namespace {

struct UndoCase {
    const char* name;
    std::function<bool(CLumivoDoc&)> change;
};

class UndoTest : public ::testing::TestWithParam<UndoCase> {
protected:
    UndoTest() : doc(prompts, [](int) { return std::optional<std::vector<uint8_t>>(); })
    {
        prompts.message = [this](CPrompts::Icon, const QString& text) { messages.append(text); };
    }
    void SetUp() override
    {
        // Four lines for the page of three; this document has no content
        // library to load, which does not matter to the board's height.
        const lumivo::BoardValues b = doc.Core().Board();
        doc.SetBoard(4, b.moduleColumn, b.language, b.lumivoRow, b.lumivoColumn);
        ASSERT_EQ(doc.ModuleRows(), 4u);
        messages.clear();
        ASSERT_TRUE(doc.AppendPage({TextItem(u"One"), TextItem(u"Two")}));
        ASSERT_TRUE(doc.AppendPage({TextItem(u"Three")}));
        ASSERT_TRUE(doc.AppendPage({TextItem(u"Four"), TextItem(u"Five"), TextItem(u"Six")}));
        doc.SetModifiedFlag(false);
    }

    CPrompts prompts;
    QStringList messages;
    CLumivoDoc doc;
};

CLumivo WithStart(CLumivo item, uint16_t code)
{
    item.effectS.code = code;
    return item;
}

TEST_P(UndoTest, UndoRestoresAndRedoReappliesByteForByte)
{
    const std::vector<uint8_t> before = doc.Core().Serialize();
    const int steps = doc.UndoStack()->count();
    QSignalSpy modified(&doc, &CLumivoDoc::modifiedChanged);
    ASSERT_TRUE(GetParam().change(doc)) << messages.join('\n').toStdString();
    const std::vector<uint8_t> after = doc.Core().Serialize();
    ASSERT_NE(before, after);
    EXPECT_EQ(doc.UndoStack()->count(), steps + 1);
    EXPECT_TRUE(doc.IsModified());
    ASSERT_FALSE(modified.isEmpty());
    EXPECT_TRUE(modified.last().at(0).toBool());

    doc.UndoStack()->undo();
    EXPECT_EQ(doc.Core().Serialize(), before);
    EXPECT_FALSE(doc.IsModified()); // back at the saved state
    doc.UndoStack()->redo();
    EXPECT_EQ(doc.Core().Serialize(), after);
    EXPECT_TRUE(doc.IsModified());
    doc.UndoStack()->undo();
    EXPECT_EQ(doc.Core().Serialize(), before);
}

INSTANTIATE_TEST_SUITE_P(
    EachChange, UndoTest,
    ::testing::Values(
        UndoCase{"AddPageAtTheEnd", [](CLumivoDoc& d) { return d.AppendPage({TextItem(u"New")}); }},
        UndoCase{"InsertPageInFront", [](CLumivoDoc& d) { return d.InsertPage(0, {TextItem(u"First")}); }},
        UndoCase{"DeleteMiddlePage", [](CLumivoDoc& d) { return d.DeletePage(1); }},
        UndoCase{"ReplacePage", [](CLumivoDoc& d) { return d.ReplacePage(2, {TextItem(u"Only")}); }},
        UndoCase{"ChangeItemEffect",
                 [](CLumivoDoc& d) { return d.ChangeItem(3, WithStart(d.Core().Entries()[3].item, 59)); }},
        UndoCase{"UncheckPage", [](CLumivoDoc& d) { return d.SetPageUsed(0, false); }},
        UndoCase{"DeleteLastPage", [](CLumivoDoc& d) { return d.DeletePage(2); }},
        UndoCase{"PasteCopiedPage",
                 [](CLumivoDoc& d) {
                     const std::vector<uint8_t> copied = lumivo::StoreClipboardItems(d.Core().PageItems(2));
                     std::vector<CLumivo> items;
                     return lumivo::LoadClipboardItems(copied.data(), copied.size(), d.ModuleRows(), items).ok() &&
                            d.AppendPage(items);
                 }},
        UndoCase{"EffectDialogTwistLoop",
                 [](CLumivoDoc& d) {
                     const CLumivo item = d.Core().Entries()[1].item;
                     lumivo::EffectChoice c = lumivo::ChoiceFromItem(item, 0);
                     c.row = 7;
                     c.index = 1;
                     c.repeat = 2;
                     return d.ChangeItem(1, lumivo::ApplyEffectResult(item, 0, lumivo::DialogResult(c)));
                 }},
        UndoCase{"ReplaceAdList",
                 [](CLumivoDoc& d) {
                     return d.ReplaceAdList({{TextItem(u"Board")}, {TextItem(u"Ads"), TextItem(u"Here")}});
                 }},
        UndoCase{"ReplaceUserImages",
                 [](CLumivoDoc& d) {
                     CRGX<8192> image;
                     image.header.width = 8;
                     image.header.height = 2;
                     image.header.frames = 1;
                     image.GetDataPtr()[0] = 0x12;
                     return d.ReplaceUserImages({image, image});
                 }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UndoTest, RefusedChangesLeaveProjectAndStackAlone)
{
    const std::vector<uint8_t> before = doc.Core().Serialize();
    const int steps = doc.UndoStack()->count();
    const std::vector<CLumivo> five(5, TextItem(u"X"));
    EXPECT_FALSE(doc.AppendPage(five));          // more than four items a page
    EXPECT_FALSE(doc.DeletePage(7));             // no such page
    EXPECT_FALSE(doc.ReplacePage(0, {}));        // an empty page
    EXPECT_FALSE(doc.ChangeItem(99, TextItem(u"Y")));
    EXPECT_FALSE(doc.ReplaceAdList(lumivo::AdPages(51, {TextItem(u"Z")})));
    EXPECT_EQ(doc.Core().Serialize(), before);
    EXPECT_EQ(doc.UndoStack()->count(), steps);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(messages.size(), 5);
}

TEST_F(UndoTest, SavedStateFollowsTheStack)
{
    ASSERT_TRUE(doc.DeletePage(0));
    doc.SetModifiedFlag(false); // saved here
    doc.UndoStack()->undo();
    EXPECT_TRUE(doc.IsModified());
    doc.UndoStack()->redo();
    EXPECT_FALSE(doc.IsModified());
    // A new project still to be saved counts as modified whatever is undone.
    doc.SetModifiedFlag(true);
    doc.UndoStack()->undo();
    doc.UndoStack()->redo();
    EXPECT_TRUE(doc.IsModified());
    ASSERT_TRUE(doc.OnNewDocument());
    EXPECT_EQ(doc.UndoStack()->count(), 0);
    EXPECT_FALSE(doc.IsModified());
}

} // namespace
