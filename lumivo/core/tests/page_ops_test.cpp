// SPDX-License-Identifier: GPL-2.0-or-later
// The Ad list's page operations and limits, the board values and settings,
// titles and the items the editor builds.
#include "test_support.h"

#include "core/item_builder.h"
#include "core/item_text.h"

#include <common/datetime.h>

#include <ctime>

using namespace coretest;
using lumivo::CProjectCore;

namespace {

class PageOps : public ::testing::Test {
protected:
    void SetUp() override { UseEnglish(); }
    std::vector<uint32_t> Pages() const
    {
        std::vector<uint32_t> pages;
        for (const lumivo::CAdEntry& e : project->Entries())
            pages.push_back(e.page);
        return pages;
    }
    std::u16string Titles() const
    {
        std::u16string all;
        for (const lumivo::CAdEntry& e : project->Entries())
            all += e.title;
        return all;
    }
    TestContent content;
    std::unique_ptr<CProjectCore> project = MakeProject(content);
};

TEST_F(PageOps, AppendInsertReplaceDeleteKeepTheListGroupedByPage)
{
    ASSERT_TRUE(project->AppendPage({TextItem(u"a")}));
    ASSERT_TRUE(project->AppendPage({TextItem(u"b"), TextItem(u"c")}));
    ASSERT_TRUE(project->AppendPage({TextItem(u"d")}));
    EXPECT_EQ(Pages(), (std::vector<uint32_t>{0, 1, 1, 2}));
    EXPECT_EQ(project->CountPageItems(1), 2u);
    EXPECT_EQ(project->CountPageItems(7), 0u);

    ASSERT_TRUE(project->DeletePage(1));
    EXPECT_EQ(Pages(), (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(Titles(), u"ad");
    EXPECT_EQ(project->PageCount(), 2u);

    ASSERT_TRUE(project->InsertPage(1, {TextItem(u"x"), TextItem(u"y")}));
    EXPECT_EQ(Pages(), (std::vector<uint32_t>{0, 1, 1, 2}));
    EXPECT_EQ(Titles(), u"axyd");
    ASSERT_TRUE(project->InsertPage(0, {TextItem(u"z")}));
    EXPECT_EQ(Titles(), u"zaxyd");
    ASSERT_TRUE(project->InsertPage(4, {TextItem(u"e")})); // at the end
    EXPECT_EQ(Pages(), (std::vector<uint32_t>{0, 1, 2, 2, 3, 4}));

    ASSERT_TRUE(project->ReplacePage(2, {TextItem(u"q")}));
    EXPECT_EQ(Titles(), u"zaqde");
    EXPECT_EQ(project->PageItems(2).size(), 1u);
    EXPECT_EQ(project->PageCount(), 5u);

    // Pages that do not exist are refused and nothing changes.
    EXPECT_FALSE(project->DeletePage(5));
    EXPECT_FALSE(project->InsertPage(6, {TextItem(u"n")}));
    EXPECT_FALSE(project->ReplacePage(5, {TextItem(u"n")}));
    EXPECT_EQ(Titles(), u"zaqde");

    project->SetModified(false);
    ASSERT_TRUE(project->SetPageUsed(1, false));
    EXPECT_EQ(project->Entries()[1].item.skip, 1);
    EXPECT_TRUE(project->IsModified());

    project->NewDocument();
    EXPECT_EQ(project->ItemCount(), 0u);
    EXPECT_EQ(project->PageCount(), 0u);
}

TEST_F(PageOps, FourItemsAPageAndFiftyAProject)
{
    const CLumivo item = TextItem(u"i");
    EXPECT_FALSE(project->AppendPage({}));
    const lumivo::Result five = project->AppendPage(std::vector<CLumivo>(5, item));
    EXPECT_FALSE(five);
    EXPECT_TRUE(five.HasMessage("There is no room for this item")); // the ErrMaxAdvt text
    for (int i = 0; i < 12; ++i)
        ASSERT_TRUE(project->AppendPage(std::vector<CLumivo>(4, item)));
    ASSERT_TRUE(project->AppendPage({item})); // 49 items
    EXPECT_FALSE(project->AppendPage({item, item}));
    EXPECT_FALSE(project->ReplacePage(12, {item, item, item}));
    ASSERT_TRUE(project->AppendPage({item})); // 50
    EXPECT_FALSE(project->AppendPage({item}));
    EXPECT_FALSE(project->InsertPage(0, {item}));
    EXPECT_EQ(project->ItemCount(), 50u);
    EXPECT_EQ(project->PageCount(), 14u);
}

TEST_F(PageOps, SetBoardClampsTheColumnAndReloadsTheLibrary)
{
    ASSERT_TRUE(project->SetBoard({2, 4, 'A', 2, 4}));
    EXPECT_EQ(project->Board().lumivoColumn, 3);
    EXPECT_EQ(project->ContentResource(), 333);
    ASSERT_TRUE(project->SetBoard({1, 12, 'E', 1, 9}));
    EXPECT_EQ(project->Board().lumivoColumn, 6);
    EXPECT_EQ(project->ContentResource(), 314);

    // User images survive a change of library.
    CRGX<8192> image;
    image.header.type = CONTENT_IMAGE;
    image.data[5] = 0x77;
    ASSERT_EQ(project->Content().InsertUserImage(&image), 1);
    ASSERT_TRUE(project->SetBoard({1, 12, 'E', 2, 6}));
    ASSERT_EQ(project->UserImageCount(), 1u);
    EXPECT_EQ(project->Content().GetUserImage(0)->data[5], 0x77);

    content.containers.erase(316);
    const lumivo::Result r = project->SetBoard({1, 3, 'E', 1, 3});
    EXPECT_FALSE(r);
    EXPECT_TRUE(r.HasMessage(lumivo::kMsgNoResource));
    EXPECT_EQ(project->Board().moduleColumn, 3); // stored all the same
}

TEST(ContainerChoice, TableAndNormalisation)
{
    EXPECT_EQ(lumivo::ChooseContainer('A', 1, 2), 310);
    EXPECT_EQ(lumivo::ChooseContainer('A', 1, 3), 311);
    EXPECT_EQ(lumivo::ChooseContainer('E', 2, 3), 327);
    EXPECT_EQ(lumivo::ChooseContainer('K', 2, 3), 0);
    const lumivo::BoardValues n = lumivo::NormaliseContent({4, 20, 'B', 0, 2});
    EXPECT_EQ(n, (lumivo::BoardValues{4, 20, 'E', 2, 6}));
    EXPECT_EQ(lumivo::ChooseContainer(n), 326);
}

TEST(Settings, DefaultsAndWriteBack)
{
    common::CMemoryProfile profile;
    TestContent content;
    auto project = MakeProject(content);
    ASSERT_TRUE(project->Start(profile));
    EXPECT_EQ(project->Board(), (lumivo::BoardValues{2, 6, 'A', 2, 6}));
    EXPECT_EQ(project->ContentResource(), 315);
    EXPECT_EQ(lumivo::NewProjectBoard(profile), (lumivo::BoardValues{1, 6, 'E', 1, 6}));

    profile.WriteProfileInt("Settings", "Lumivo Column", 5);
    profile.WriteProfileInt("Settings", "Module Row", 3);
    EXPECT_EQ(lumivo::NewProjectBoard(profile), (lumivo::BoardValues{3, 6, 'E', 3, 3}));

    project->SetProject("/some/folder", "Lumivo7");
    EXPECT_EQ(project->Path(), std::filesystem::path("/some/folder/Lumivo7.qvndoc"));
    EXPECT_TRUE(project->IsModified());
    ASSERT_TRUE(project->SetBoard({4, 20, 'E', 2, 3}));
    common::CMemoryProfile saved;
    project->WriteSaveSettings(saved);
    EXPECT_EQ(saved.GetProfileString("Settings", "Project Path", ""), "/some/folder");
    EXPECT_EQ(saved.GetProfileInt("Settings", "Module Row", 0), 4);
    EXPECT_EQ(saved.GetProfileInt("Settings", "Module Column", 0), 20);
    EXPECT_EQ(saved.GetProfileInt("Settings", "Language", 0), 'E');
    EXPECT_EQ(saved.GetProfileInt("Settings", "Lumivo Row", 0), 2);
    EXPECT_EQ(saved.GetProfileInt("Settings", "Lumivo Column", 0), 3);
}

TEST_F(PageOps, TitlesFollowTheItemKind)
{
    auto title = [&](const lumivo::ItemChoices& choices) {
        CLumivo item;
        const lumivo::Result r = lumivo::BuildItem(choices, item);
        EXPECT_TRUE(r) << r.FirstError();
        return lumivo::ItemTitle(item, false);
    };
    lumivo::ItemChoices s;
    s.text = u"Welcome";
    EXPECT_EQ(title(s), u"Welcome");
    s.type = LUMIVO_ENG2LINE;
    s.text = u"Top";
    s.text2 = u"Bottom";
    EXPECT_EQ(title(s), u"TopBottom");
    s = {};
    s.type = LUMIVO_MOVIE;
    s.index = 4;
    EXPECT_EQ(title(s), u"Movie No. 5");
    s = {};
    s.type = LUMIVO_TIME;
    s.format = 2;
    // Live items show what the board shows now, in the library's language,
    // never their picture.
    const auto now = [] {
        const std::time_t t = std::time(nullptr);
        std::tm local{};
        localtime_r(&t, &local);
        return common::SystemTimeFromTm(local);
    };
    EXPECT_EQ(title(s), u"Time (" + common::FormatTime(common::kLangEnglish, now(), u"HH:mm") + u")");
    s.type = LUMIVO_DATE;
    s.format = 1;
    CLumivo date;
    ASSERT_TRUE(lumivo::BuildItem(s, date));
    EXPECT_EQ(lumivo::ItemTitle(date, false), u"Date (" + common::FormatDate(common::kLangEnglish, now(), u"ddd MM/dd") + u")");
    const std::u16string korean = lumivo::ItemTitle(date, true);
    EXPECT_EQ(korean, u"Date (" + common::FormatDate(common::kLangKorean, now(), u"M'월' d'일' (ddd)") + u")");
    EXPECT_EQ(korean.find(u'\''), std::u16string::npos);
    s = {};
    s.type = LUMIVO_ANALOG;
    EXPECT_EQ(title(s), u"Analog clock");
    s.type = LUMIVO_TEMPERATURE;
    EXPECT_EQ(title(s), u"Temperature");
}

TEST(ItemBuilder, EachKindAsTheEditorBuildsIt)
{
    lumivo::ItemChoices s;
    CLumivo item;
    s.type = LUMIVO_IMAGE;
    s.index = 7;
    s.delay = 2;
    ASSERT_TRUE(lumivo::BuildItem(s, item));
    EXPECT_EQ(item.chars[0].code, 7);
    EXPECT_EQ(item.chars[0].attr.kind, 2u);
    EXPECT_EQ(item.effectS, CEFF(104, 11));
    EXPECT_EQ(item.effectW, CEFF(96, 11));
    EXPECT_EQ(item.effectE, CEFF(101, 11));
    s.type = LUMIVO_ANIMATION;
    ASSERT_TRUE(lumivo::BuildItem(s, item));
    EXPECT_EQ(item.chars[0].attr.kind, 3u);
    EXPECT_EQ(item.effectS.code, 103);

    s = {};
    s.type = LUMIVO_ANALOG;
    s.lines = 2;
    s.fit = true;
    ASSERT_TRUE(lumivo::BuildItem(s, item));
    EXPECT_EQ(item.effectS.code, 101);
    EXPECT_EQ(item.effectW.code, 93);
    EXPECT_EQ(item.effectE.code, 98);
    EXPECT_EQ(item.option, 1);
    EXPECT_EQ(item.fit, 0); // the analog page has no fit box
    EXPECT_EQ(lumivo::ItemLines(item), 2u);
    EXPECT_EQ(item.blend, 1); // byte 819's other bits untouched

    s = {};
    s.text = u"Hi";
    s.color = 4;
    s.face = 2;
    s.width = 1;
    s.size = 4;
    s.fit = true;
    s.effectS = 0x8000;
    s.speed = 7;
    ASSERT_TRUE(lumivo::BuildItem(s, item));
    EXPECT_EQ(item.chars[1].code, u'i');
    EXPECT_EQ(item.chars[1].attr.color, 4u);
    EXPECT_EQ(item.chars[1].attr.face, 2u);
    EXPECT_EQ(item.chars[1].attr.widthIndex, 2u);
    EXPECT_EQ(item.chars[1].attr.size, 4u);
    EXPECT_EQ(item.chars[1].attr.kind, 1u);
    EXPECT_EQ(item.chars[2].code, 0);
    EXPECT_EQ(item.chars[2].attr.color, 0u);
    EXPECT_EQ(item.fit, 1);
    EXPECT_EQ(item.effectS, CEFF(0x8000, 7));
    EXPECT_EQ(item.effectW, CEFF(92, 7));

    s = {};
    s.type = LUMIVO_ENG2LINE;
    s.text = std::u16string(50, u'a');
    s.text2 = u"b";
    ASSERT_TRUE(lumivo::BuildItem(s, item));
    EXPECT_EQ(item.chars[49].lines, 1);
    EXPECT_EQ(item.chars[49].attr.kind, 7u);
    EXPECT_EQ(item.chars[50].code, u'b');
    s.text += u"a"; // 51 on a line
    EXPECT_FALSE(lumivo::BuildItem(s, item));

    s = {};
    s.text = std::u16string(101, u'x');
    const lumivo::Result longText = lumivo::BuildItem(s, item);
    EXPECT_FALSE(longText);
    s.text = u"two\nlines";
    EXPECT_FALSE(lumivo::BuildItem(s, item));
    s = {};
    s.type = LUMIVO_DATE;
    s.format = 5;
    EXPECT_FALSE(lumivo::BuildItem(s, item));
    s.type = LUMIVO_HUMIDITY;
    s.format = 0;
    EXPECT_FALSE(lumivo::BuildItem(s, item));
}

TEST(EffectNames, RowsIndexesAndCellTexts)
{
    UseEnglish();
    EXPECT_EQ(lumivo::EffectRow(0, 75), 4u);
    EXPECT_EQ(lumivo::EffectIndex(0, 75), 6);
    EXPECT_EQ(lumivo::EffectIndex(1, 60), 0);
    EXPECT_EQ(lumivo::EffectRow(2, 0x8003), 0u);
    EXPECT_EQ(lumivo::EffectFamily(1, 92), 8u); // wait None
    EXPECT_EQ(lumivo::EffectFamily(1, 62), 4u); // wait Wave
    EXPECT_EQ(lumivo::EffectRow(0, 104), 9u);
    EXPECT_STREQ(lumivo::EffectFamilyName(9), "");
    EXPECT_EQ(lumivo::EffectCellText(0, 0x8005), u"Auto");
    EXPECT_EQ(lumivo::EffectCellText(0, 75), u"Wave  7");
    EXPECT_EQ(lumivo::EffectCellText(2, 97), u"None");
    EXPECT_EQ(lumivo::EffectCellText(0, 104), u"");
    // Wait codes are named by their family although the wait table has no Scroll row.
    EXPECT_EQ(lumivo::EffectCellText(1, 92), u"None");
    EXPECT_EQ(lumivo::EffectCellText(1, 61), u"Wave  2");
    EXPECT_EQ(lumivo::EffectCellText(1, 67), u"Zoom  1");
    EXPECT_EQ(lumivo::EffectCellText(1, 89), u"3D Effect  1");
    EXPECT_EQ(lumivo::FormatText(u"%s %2d|%02d|%%|%-4s|", {u"Zoom", 3LL, 7LL, u"ab"}), u"Zoom  3|07|%|ab  |");
    EXPECT_EQ(lumivo::FormatText(u"%s %d", {u"only"}), u"only ");
}

} // namespace
