// SPDX-License-Identifier: GPL-2.0-or-later
// The companion file beside a project: written with every save, read on
// open, damage reported and kept aside, sections it does not know kept;
// the schedule's page references following the Ads.
#include "test_support.h"

#include <fstream>

using namespace coretest;
using lumivo::CProjectCore;

namespace {

lumivo::ScheduleEntry Entry(std::string name, std::vector<unsigned> pages)
{
    lumivo::ScheduleEntry e;
    e.name = std::move(name);
    e.pages = std::move(pages);
    e.start = 6 * 60;
    e.end = 11 * 60;
    e.days = lumivo::kWeekdays;
    return e;
}

std::string Text(const std::filesystem::path& p)
{
    const std::vector<uint8_t> b = ReadAll(p);
    return std::string(b.begin(), b.end());
}

void Write(const std::filesystem::path& p, const std::string& text) { std::ofstream(p) << text; }

class Companion : public ::testing::Test {
protected:
    void SetUp() override
    {
        UseEnglish();
        for (const char16_t* t : {u"zero", u"one", u"two", u"three"})
            ASSERT_TRUE(project->AppendPage({TextItem(t)}));
    }
    std::unique_ptr<CProjectCore> Reopen(const std::filesystem::path& path, lumivo::Result* out = nullptr)
    {
        auto p = MakeProject(content);
        lumivo::Result r = p->LoadFile(path);
        EXPECT_TRUE(r) << r.FirstError();
        if (out)
            *out = r;
        return p;
    }
    // The first title of each page an entry names.
    std::vector<std::u16string> Shown(const CProjectCore& p, size_t entry) const
    {
        std::vector<std::u16string> out;
        for (unsigned page : p.GetSchedule().entries.at(entry).pages)
            for (const lumivo::CAdEntry& e : p.Entries())
                if (e.page == page) {
                    out.push_back(e.title);
                    break;
                }
        return out;
    }
    TempDir dir;
    TestContent content;
    std::unique_ptr<CProjectCore> project = MakeProject(content);
};

TEST_F(Companion, IsWrittenWithEverySaveReadOnOpenAndKeepsWhatItDoesNotKnow)
{
    const auto path = dir / "shop.qvndoc", companion = dir / "shop.lumivo.json";
    ASSERT_TRUE(project->SaveFile(path));
    EXPECT_FALSE(std::filesystem::exists(companion)) << "no schedule, no companion";
    EXPECT_TRUE(Reopen(path)->GetSchedule().empty()) << "a missing companion is no schedule";

    lumivo::Schedule s;
    s.entries = {Entry("Breakfast", {1, 3})};
    s.entries[0].except = {lumivo::Date{2026, 12, 25}};
    ASSERT_TRUE(project->SetSchedule(s));
    ASSERT_TRUE(project->SetCompanionSection("notes", {{"recipes", {1, 2}}}));
    lumivo::TextRecipe recipe;
    recipe.text = "OPEN";
    recipe.font = "DejaVu Sans";
    recipe.height = 24;
    recipe.color2 = 3;
    project->TextRecipes().bySlot[1] = recipe;
    ASSERT_TRUE(project->SaveFile(path));
    const nlohmann::json written = nlohmann::json::parse(Text(companion));
    EXPECT_EQ(written["format"], "lumivo-companion");
    EXPECT_EQ(written["version"], 1);
    EXPECT_EQ(written["schedule"]["entries"][0]["pages"], nlohmann::json({2, 4})) << "pages as the list numbers them";
    EXPECT_EQ(written["schedule"]["entries"][0]["days"], nlohmann::json({"Mon", "Tue", "Wed", "Thu", "Fri"}));

    // A key of a later program survives a rewrite.
    nlohmann::json later = written;
    later["agent"] = {{"board", "left"}};
    Write(companion, later.dump());
    auto again = Reopen(path);
    EXPECT_EQ(again->GetSchedule(), s);
    EXPECT_EQ(again->CompanionSection("notes"), nlohmann::json({{"recipes", {1, 2}}}));
    ASSERT_EQ(again->TextRecipes().bySlot.count(1), 1u) << "the text images' recipes come back with the project";
    EXPECT_EQ(again->TextRecipes().bySlot.at(1), recipe);
    EXPECT_FALSE(again->SetCompanionSection("schedule", 1)) << "the schedule has its own interface";
    const auto copy = dir / "copy.qvndoc";
    ASSERT_TRUE(again->SaveFile(copy)); // Save As
    EXPECT_EQ(nlohmann::json::parse(Text(dir / "copy.lumivo.json"))["agent"]["board"], "left");
    EXPECT_EQ(Reopen(copy)->GetSchedule(), s);
}

TEST_F(Companion, DamageIsReportedWithItsPlaceTheProjectOpensAndTheFileIsKeptAside)
{
    const auto path = dir / "shop.qvndoc", companion = dir / "shop.lumivo.json";
    ASSERT_TRUE(project->SaveFile(path));
    const std::string broken = "{\n  \"format\": \"lumivo-companion\",\n  \"version\": 1,,\n}\n";
    Write(companion, broken);
    lumivo::Result r;
    auto opened = Reopen(path, &r);
    EXPECT_TRUE(r.HasMessage("shop.lumivo.json is damaged: parse error at line 3, column 16")) << r.FirstError();
    EXPECT_EQ(opened->PageCount(), 4u) << "the project opens";
    EXPECT_TRUE(opened->GetSchedule().empty());
    EXPECT_EQ(Text(companion), broken) << "opening changes nothing";

    ASSERT_TRUE(opened->SetSchedule({{Entry("Lunch", {0})}, ""}));
    r = opened->SaveFile(path);
    ASSERT_TRUE(r) << r.FirstError();
    EXPECT_TRUE(r.HasMessage("kept as")) << r.FirstError();
    EXPECT_EQ(Text(dir / "shop.lumivo.json.damaged"), broken);
    EXPECT_EQ(Reopen(path)->GetSchedule().entries.at(0).name, "Lunch");

    // A sound JSON file with a bad value names the key and the value.
    Write(companion, R"({"format":"lumivo-companion","version":1,"schedule":{"entries":[
        {"name":"Lunch","pages":[1],"start":"25:00","end":"14:00","days":["Mon"]}]}})");
    Reopen(path, &r);
    EXPECT_TRUE(r.HasMessage("schedule.entries[0].start: \"25:00\" is not a time")) << r.FirstError();
    Write(companion, R"({"format":"lumivo-companion","version":7})");
    Reopen(path, &r);
    EXPECT_TRUE(r.HasMessage("newer Lumivo")) << r.FirstError();
}

TEST_F(Companion, IsNotWrittenWhenTheProjectSaveFails)
{
    const auto path = dir / "shop.qvndoc", companion = dir / "shop.lumivo.json";
    ASSERT_TRUE(project->SetSchedule({{Entry("Lunch", {0})}, ""}));
    ASSERT_TRUE(project->SaveFile(path));
    const std::string before = Text(companion);
    ASSERT_TRUE(project->SetSchedule({{Entry("Dinner", {1})}, ""}));
    struct FailingSync : lumivo::IFileOps {
        int Fsync(int) override
        {
            errno = EIO;
            return -1;
        }
    } failing;
    EXPECT_FALSE(project->SaveFile(path, &failing));
    EXPECT_EQ(Text(companion), before);
    EXPECT_TRUE(project->IsModified());
}

TEST_F(Companion, PageReferencesFollowTheirAdsThroughInsertDeletePasteAndUndo)
{
    ASSERT_TRUE(project->SetSchedule({{Entry("Breakfast", {1, 3}), Entry("Lunch", {2})}, ""}));
    const std::vector<std::u16string> breakfast{u"one", u"three"}, lunch{u"two"};

    ASSERT_TRUE(project->InsertPage(0, {TextItem(u"new")}));
    EXPECT_EQ(Shown(*project, 0), breakfast);
    EXPECT_EQ(Shown(*project, 1), lunch);
    ASSERT_TRUE(project->AppendPage({TextItem(u"pasted")}));
    EXPECT_EQ(Shown(*project, 0), breakfast);

    // Delete "one" (now page 2), then put it back as an undo does.
    const auto naming = lumivo::EntriesNaming(project->GetSchedule(), 2);
    EXPECT_EQ(naming, (std::vector<size_t>{0}));
    const auto items = project->PageItems(2);
    ASSERT_TRUE(project->DeletePage(2));
    EXPECT_EQ(Shown(*project, 0), (std::vector<std::u16string>{u"three"}));
    EXPECT_EQ(Shown(*project, 1), lunch);
    ASSERT_TRUE(project->InsertPage(2, items, naming));
    EXPECT_EQ(Shown(*project, 0), breakfast);
    EXPECT_EQ(Shown(*project, 1), lunch);

    // A move, and the move back an undo makes.
    auto titles = [&] {
        std::vector<std::u16string> out;
        for (const lumivo::CAdEntry& e : project->Entries())
            out.push_back(e.title);
        return out;
    };
    std::vector<std::u16string> before = titles();
    ASSERT_TRUE(project->MovePage(3, 0));
    EXPECT_EQ(Shown(*project, 0), breakfast);
    EXPECT_EQ(Shown(*project, 1), lunch);
    EXPECT_EQ(titles().front(), before[3]);
    ASSERT_TRUE(project->MovePage(0, 3));
    EXPECT_EQ(titles(), before);
    EXPECT_EQ(Shown(*project, 0), breakfast);
    EXPECT_FALSE(project->MovePage(0, project->PageCount()));

    // An entry whose only Ad goes keeps its place, naming nothing, to be flagged.
    ASSERT_TRUE(project->DeletePage(3));
    EXPECT_TRUE(project->GetSchedule().entries[1].pages.empty());
}

} // namespace
