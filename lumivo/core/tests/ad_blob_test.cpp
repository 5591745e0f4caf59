// SPDX-License-Identifier: GPL-2.0-or-later
// The Ad blob: its layout when packed, and what loading takes from it.
#include "test_support.h"

#include <cstring>

using namespace coretest;
using lumivo::CProjectCore;

namespace {

struct Unpacked {
    std::vector<CLumivo> items;
    std::vector<CLumiCPage> pages;
};

Unpacked Unpack(const std::vector<uint8_t>& blob)
{
    Unpacked u;
    EXPECT_EQ(0, std::memcmp(blob.data(), "LZO ", 4));
    const uint32_t l1 = qvrtest::ContainerWriter::Get32(blob, 4);
    const uint32_t l2 = qvrtest::ContainerWriter::Get32(blob, 8 + l1);
    EXPECT_EQ(blob.size(), 12u + l1 + l2);
    std::vector<uint8_t> items(41200), pages(500);
    EXPECT_EQ(qvr::lzo::Decompress(blob.data() + 8, l1, items.data(), items.size()), 41200);
    EXPECT_EQ(qvr::lzo::Decompress(blob.data() + 12 + l1, l2, pages.data(), pages.size()), 500);
    for (int i = 0; i < 50; ++i) {
        CLumivo item;
        qvr::LoadItem(items.data() + i * 824, item);
        u.items.push_back(item);
        CLumiCPage page;
        qvr::LoadPage(pages.data() + i * 10, page);
        u.pages.push_back(page);
    }
    return u;
}

// A blob laid out by hand from 50 items and 50 pages.
std::vector<uint8_t> MakeBlob(const std::vector<CLumivo>& items, const std::vector<CLumiCPage>& pages,
                              const char* tag = "LZO ")
{
    std::vector<uint8_t> rawItems(41200), rawPages(500);
    for (int i = 0; i < 50; ++i) {
        qvr::StoreItem(i < static_cast<int>(items.size()) ? items[i] : CLumivo(), rawItems.data() + i * 824);
        qvr::StorePage(i < static_cast<int>(pages.size()) ? pages[i] : CLumiCPage(), rawPages.data() + i * 10);
    }
    Bytes b;
    const auto pi = qvr::lzo::Compress(rawItems.data(), rawItems.size());
    const auto pp = qvr::lzo::Compress(rawPages.data(), rawPages.size());
    b.raw(tag, 4).u32(static_cast<uint32_t>(pi.size())).raw(pi).u32(static_cast<uint32_t>(pp.size())).raw(pp);
    return b.data;
}

std::vector<CLumivo> Numbered(int n)
{
    std::vector<CLumivo> items;
    for (int i = 0; i < n; ++i)
        items.push_back(TextItem(u"item " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26))));
    return items;
}

CLumiCPage Page(std::initializer_list<uint16_t> ads)
{
    CLumiCPage p;
    int k = 0;
    for (uint16_t a : ads)
        p.ads[k++] = a;
    return p;
}

class AdBlob : public ::testing::Test {
protected:
    void SetUp() override { UseEnglish(); }
    TestContent content;
    std::unique_ptr<CProjectCore> project = MakeProject(content);
};

TEST_F(AdBlob, PackingNumbersTheItemsAndListsThemPerPage)
{
    const auto items = Numbered(5);
    ASSERT_TRUE(project->AppendPage({items[0], items[1]}));
    ASSERT_TRUE(project->AppendPage({items[2], items[3], items[4]}));
    std::vector<uint8_t> blob;
    ASSERT_TRUE(project->PackAdBlob(blob));
    const Unpacked u = Unpack(blob);
    EXPECT_EQ(u.pages[0].ads[0], 1);
    EXPECT_EQ(u.pages[0].ads[1], 2);
    EXPECT_EQ(u.pages[0].ads[2], 0);
    EXPECT_EQ(u.pages[0].count, 2);
    EXPECT_EQ(u.pages[1].ads[0], 3);
    EXPECT_EQ(u.pages[1].ads[1], 4);
    EXPECT_EQ(u.pages[1].ads[2], 5);
    EXPECT_EQ(u.pages[1].count, 3);
    EXPECT_EQ(u.pages[2].count, 0);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(u.items[i].number, i + 1);
        EXPECT_EQ(project->Entries()[i].item.number, i + 1); // the project's items carry it too
        CLumivo expected = items[i];
        expected.number = static_cast<uint8_t>(i + 1);
        EXPECT_EQ(u.items[i] == expected, 1);
    }
    EXPECT_EQ(u.items[5] == CLumivo(), 1); // unused slots hold default items

    // And back: the same list.
    TestContent other;
    auto reread = MakeProject(other);
    ASSERT_TRUE(reread->LoadAdBlob(blob.data(), blob.size()));
    ASSERT_EQ(reread->ItemCount(), 5u);
    EXPECT_EQ(reread->PageCount(), 2u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(reread->Entries()[i].page, project->Entries()[i].page);
        EXPECT_EQ(reread->Entries()[i].item == project->Entries()[i].item, 1);
    }
}

TEST_F(AdBlob, LoadingStopsAPageAtZeroAndPastFifty)
{
    const auto items = Numbered(50);
    // Page 0 lists 1, 2, 0, 7; page 1 lists 50 then 51; page 2 starts past 50.
    const auto blob = MakeBlob(items, {Page({1, 2, 0, 7}), Page({50, 51, 3}), Page({51, 4})});
    const lumivo::Result r = project->LoadAdBlob(blob.data(), blob.size());
    ASSERT_TRUE(r) << r.FirstError();
    ASSERT_EQ(project->ItemCount(), 3u);
    EXPECT_EQ(project->Entries()[0].item == items[0], 1);
    EXPECT_EQ(project->Entries()[1].item == items[1], 1);
    EXPECT_EQ(project->Entries()[2].item == items[49], 1);
    EXPECT_EQ(project->Entries()[2].page, 1u);
    // The page of no items is not counted.
    EXPECT_EQ(project->PageCount(), 2u);
    EXPECT_TRUE(project->IsModified());
}

TEST_F(AdBlob, PagesLeftEmptyAreClosedUp)
{
    std::vector<CLumiCPage> pages(50);
    pages[3] = Page({1});
    pages[40] = Page({2, 3});
    const auto blob = MakeBlob(Numbered(3), pages);
    const lumivo::Result r = project->LoadAdBlob(blob.data(), blob.size());
    ASSERT_TRUE(r);
    ASSERT_EQ(project->ItemCount(), 3u);
    EXPECT_EQ(project->Entries()[0].page, 0u);
    EXPECT_EQ(project->Entries()[2].page, 1u);
    EXPECT_EQ(project->PageCount(), 2u);
    // A later page appended goes after them.
    ASSERT_TRUE(project->AppendPage({TextItem(u"new")}));
    EXPECT_EQ(project->Entries().back().page, 2u);
}

TEST_F(AdBlob, RefusedBlobsLeaveTheListAsItWas)
{
    ASSERT_TRUE(project->AppendPage({TextItem(u"stays")}));
    const auto good = MakeBlob(Numbered(2), {Page({1, 2})});
    std::vector<std::pair<std::string, std::vector<uint8_t>>> bad;
    bad.emplace_back("RLE", MakeBlob(Numbered(2), {Page({1, 2})}, "RLE "));
    bad.emplace_back("unknown tag", MakeBlob(Numbered(2), {Page({1, 2})}, "ZIP "));
    bad.emplace_back("no items", Bytes().raw("LZO ", 4).u32(0).u32(0).data);
    for (size_t cut : {size_t(3), size_t(7), size_t(20), good.size() - 1})
        bad.emplace_back("cut " + std::to_string(cut), std::vector<uint8_t>(good.begin(), good.begin() + cut));
    std::vector<uint8_t> damaged = good;
    // The item array's end mark spoilt.
    const size_t end = 8 + qvrtest::ContainerWriter::Get32(good, 4);
    for (size_t i = 1; i <= 3; ++i)
        damaged[end - i] = 0xFF;
    bad.emplace_back("damaged", damaged);
    // 50 pages of four references each: 200 items, more than the project holds.
    std::vector<CLumiCPage> full(50, Page({1, 1, 1, 1}));
    bad.emplace_back("too many", MakeBlob(Numbered(1), full));

    const std::vector<uint8_t> before = project->Serialize();
    for (const auto& [name, blob] : bad) {
        const lumivo::Result r = project->LoadAdBlob(blob.data(), blob.size());
        EXPECT_FALSE(r) << name;
        EXPECT_FALSE(r.FirstError().empty()) << name;
        EXPECT_EQ(project->Serialize(), before) << name;
    }
    EXPECT_TRUE(project->LoadAdBlob(bad[0].second.data(), bad[0].second.size()).HasMessage("RLE"));
    EXPECT_FALSE(project->LoadAdBlob(nullptr, 10));
    EXPECT_TRUE(project->LoadAdBlob(good.data(), good.size()));
    EXPECT_EQ(project->ItemCount(), 2u);
}

} // namespace
