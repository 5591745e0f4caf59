// SPDX-License-Identifier: GPL-2.0-or-later
// The project file: what is written, what is accepted, what is dropped,
// repaired or refused, and that a refusal leaves the project as it was.
#include "test_support.h"

#include <qvr/content_resource.h>
#include <qvr/rgx.h>

#include <common/text.h>

#include <cstring>
#include <fstream>

using namespace coretest;
using lumivo::CProjectCore;

namespace {

class ProjectFile : public ::testing::Test {
protected:
    void SetUp() override { UseEnglish(); }
    TestContent content;
    std::unique_ptr<CProjectCore> project = MakeProject(content);
};

CRGX<8192> UserImage(uint8_t fill)
{
    CRGX<8192> image;
    image.header.type = CONTENT_IMAGE;
    image.header.width = 32;
    image.header.height = 16;
    image.header.frames = 1;
    image.header.phase = 7;
    image.header.delay = 50;
    std::memset(image.data, fill, 256);
    return image;
}

TEST_F(ProjectFile, WritesTheTabledFieldsAndReadsThemBackByteForByte)
{
    ASSERT_TRUE(project->SetBoard({2, 8, 'A', 2, 6}));
    CLumivo first = TextItem(u"Hello");
    first.effectS = CEFF(75, 13);
    first.skip = 1;
    first.reserved822 = 0xBEEF; // bytes nobody reads still survive
    ASSERT_TRUE(project->AppendPage({first, TextItem(u"World")}));
    ASSERT_TRUE(project->AppendPage({TextItem(u"Second page", 2)}));
    const CRGX<8192> image = UserImage(0x12);
    ASSERT_EQ(project->Content().InsertUserImage(&image), 1);

    const std::vector<uint8_t> bytes = project->Serialize();
    // Header: signature, the six values, N.
    ASSERT_GE(bytes.size(), 17u);
    EXPECT_EQ(0, std::memcmp(bytes.data(), "QVNDOC\0", 7));
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 7, bytes.begin() + 13),
              (std::vector<uint8_t>{2, 8, 'A', 2, 6, 2}));
    EXPECT_EQ(bytes[13], 3);
    // The first entry: page 0, its length, then LZO bytes of exactly 824.
    const uint32_t length = bytes[21] | bytes[22] << 8;
    uint8_t raw[qvr::kItemBytes + 1];
    EXPECT_EQ(qvr::lzo::Decompress(bytes.data() + 25, length, raw, sizeof raw), 824);
    uint8_t expected[qvr::kItemBytes];
    first.number = 0;
    qvr::StoreItem(first, expected);
    EXPECT_EQ(0, std::memcmp(raw, expected, sizeof expected));

    TestContent other;
    auto reread = MakeProject(other);
    const lumivo::Result r = reread->LoadBytes(bytes.data(), bytes.size());
    ASSERT_TRUE(r) << r.FirstError();
    EXPECT_TRUE(r.messages().empty()) << r.messages().front().text;
    EXPECT_EQ(reread->Serialize(), bytes);
    EXPECT_EQ(reread->PageCount(), 2u);
    EXPECT_EQ(reread->UserImageCount(), 1u);
    EXPECT_EQ(reread->Entries()[0].title, u"Hello");
    EXPECT_EQ(reread->Entries()[0].effectS, 75u);
    EXPECT_EQ(reread->Entries()[0].item.reserved822, 0xBEEF);
    EXPECT_EQ(reread->Entries()[2].page, 1u);
    EXPECT_EQ(reread->ContentResource(), 315);
}

TEST_F(ProjectFile, SaveAndLoadThroughTheDisk)
{
    TempDir dir;
    ASSERT_TRUE(project->AppendPage({TextItem(u"A")}));
    ASSERT_TRUE(project->SaveFile(dir / "p.qvndoc"));
    EXPECT_FALSE(project->IsModified());
    TestContent other;
    auto reread = MakeProject(other);
    ASSERT_TRUE(reread->LoadFile(dir / "p.qvndoc"));
    EXPECT_EQ(reread->Name(), "p");
    EXPECT_EQ(reread->Folder(), dir.path.string());
    EXPECT_EQ(ReadAll(dir / "p.qvndoc"), reread->Serialize());
    // A file that cannot be read is named with the reason.
    const lumivo::Result missing = reread->LoadFile(dir / "missing.qvndoc");
    EXPECT_FALSE(missing);
    EXPECT_TRUE(missing.HasMessage((dir / "missing.qvndoc").string())) << missing.FirstError();
    EXPECT_TRUE(missing.HasMessage(common::Utf16ToUtf8(CGlobalization::GetText("Program", "NoFile"))));
}

TEST_F(ProjectFile, RefusedFilesLeaveTheProjectAsItWas)
{
    ASSERT_TRUE(project->SetBoard({1, 6, 'E', 1, 6}));
    ASSERT_TRUE(project->AppendPage({TextItem(u"keep me")}));
    const std::vector<uint8_t> before = project->Serialize();

    std::vector<std::vector<uint8_t>> refused;
    Bytes seventhNotZero;
    seventhNotZero.raw("QVNDOCX", 7).u8(1).u8(6).u8('E').u8(1).u8(6).u8(0).u32(0).u32(0).u32(0);
    refused.push_back(seventhNotZero.data);
    Bytes wrongName;
    wrongName.raw("QVNDOX", 7).u8(1).u8(6).u8('E').u8(1).u8(6).u8(0).u32(0).u32(0).u32(0);
    refused.push_back(wrongName.data);
    refused.push_back({'Q', 'V', 'N'});
    Bytes headerOnly; // signature and part of the values
    headerOnly.raw("QVNDOC", 7).u8(2).u8(6);
    refused.push_back(headerOnly.data);
    Bytes tooMany; // 51 good items: more than the controller holds
    tooMany.header(1, 6, 'E', 1, 6, 51, 51);
    for (uint32_t i = 0; i < 51; ++i)
        tooMany.entry(i, TextItem(u"x"));
    tooMany.u32(0).u32(0);
    refused.push_back(tooMany.data);

    // Each refusal says why, in the interface language.
    const char* const reasons[] = {"NotProject", "NotProject", "NotProject", "ShortHeader", "TooManyItems"};
    ASSERT_EQ(refused.size(), std::size(reasons));
    for (size_t i = 0; i < refused.size(); ++i) {
        const lumivo::Result r = project->LoadBytes(refused[i].data(), refused[i].size());
        EXPECT_FALSE(r);
        const std::string reason = common::Utf16ToUtf8(CGlobalization::GetText("Program", reasons[i]));
        ASSERT_FALSE(reason.empty());
        EXPECT_TRUE(r.HasMessage(reason.substr(0, reason.find('%')))) << r.FirstError();
        EXPECT_EQ(project->Serialize(), before);
    }
    EXPECT_FALSE(project->LoadBytes(nullptr, 0));
}

TEST_F(ProjectFile, ContentValuesAreNormalisedBeforeTheContainerIsChosen)
{
    struct Case {
        uint8_t language, row, column;
        uint8_t language2, row2, column2;
        int resource;
    } cases[] = {
        {'B', 2, 6, 'E', 2, 6, 326}, // another language letter: English
        {'A', 1, 2, 'A', 1, 6, 312}, // column 2 would be 310, never chosen
        {'A', 0, 3, 'A', 2, 3, 333}, // row 0: 32-dot
        {'E', 3, 3, 'E', 2, 3, 327}, // row above 2: 32-dot
        {'E', 1, 3, 'E', 1, 3, 316},
    };
    for (const Case& c : cases) {
        Bytes file;
        file.header(2, 6, c.language, c.row, c.column, 1, 1).entry(0, TextItem(u"a")).u32(0).u32(0);
        const lumivo::Result r = project->LoadBytes(file.data.data(), file.data.size());
        ASSERT_TRUE(r) << r.FirstError();
        const lumivo::BoardValues& b = project->Board();
        EXPECT_EQ(b.language, c.language2);
        EXPECT_EQ(b.lumivoRow, c.row2);
        EXPECT_EQ(b.lumivoColumn, c.column2);
        EXPECT_EQ(project->ContentResource(), c.resource);
        EXPECT_EQ(content.asked.back(), c.resource);
    }
}

TEST_F(ProjectFile, DamagedRecordsAreDroppedAndTheRestLoads)
{
    CLumivo good = TextItem(u"good");
    uint8_t raw[qvr::kItemBytes];
    qvr::StoreItem(good, raw);
    const std::vector<uint8_t> shortItem = qvr::lzo::Compress(raw, 823);
    std::vector<uint8_t> longRaw(900, 7);
    const std::vector<uint8_t> longItem = qvr::lzo::Compress(longRaw.data(), longRaw.size());
    const std::vector<uint8_t> garbage = {0x11, 0x22, 0x33, 0x44, 0x55};

    Bytes file;
    file.header(2, 6, 'E', 2, 6, 1, 5);
    file.entry(0, good);
    file.u32(0).u32(static_cast<uint32_t>(shortItem.size())).raw(shortItem); // 823 bytes
    file.u32(0).u32(static_cast<uint32_t>(longItem.size())).raw(longItem);   // 900 bytes
    file.u32(0).u32(static_cast<uint32_t>(garbage.size())).raw(garbage);     // not LZO
    // Longer than the reader's buffer, though present in the file.
    file.u32(0).u32(lumivo::kMaxRecordBytes + 1).raw(std::vector<uint8_t>(lumivo::kMaxRecordBytes + 1, 0));
    file.u32(0).u32(0);
    const lumivo::Result r = project->LoadBytes(file.data.data(), file.data.size());
    ASSERT_TRUE(r) << r.FirstError();
    ASSERT_EQ(project->ItemCount(), 1u);
    EXPECT_EQ(project->Entries()[0].title, u"good");
    EXPECT_TRUE(r.HasMessage("4 damaged item(s) were dropped"));
    EXPECT_GT(project->LoadRepairs(), 0u);
}

TEST_F(ProjectFile, TruncatedFilesKeepWhatArrivedWithoutReadingPastTheEnd)
{
    const CRGX<8192> image = UserImage(0x34);
    ASSERT_EQ(project->Content().InsertUserImage(&image), 1);
    ASSERT_TRUE(project->AppendPage({TextItem(u"one"), TextItem(u"two")}));
    const std::vector<uint8_t> whole = project->Serialize();
    for (size_t cut = 17; cut < whole.size(); cut += 7) {
        // A copy of exactly the cut length, so a sanitizer sees any overrun.
        const std::vector<uint8_t> part(whole.begin(), whole.begin() + cut);
        TestContent other;
        auto p = MakeProject(other);
        const lumivo::Result r = p->LoadBytes(part.data(), part.size());
        ASSERT_TRUE(r) << cut;
        EXPECT_LE(p->ItemCount(), 2u);
        EXPECT_EQ(p->UserImageCount(), 0u);
        EXPECT_FALSE(r.messages().empty()) << cut;
    }
}

TEST_F(ProjectFile, UserImagesComeBackAndADamagedBlockIsReported)
{
    const CRGX<8192> a = UserImage(0x21), b = UserImage(0x43);
    project->Content().InsertUserImage(&a);
    project->Content().InsertUserImage(&b);
    std::vector<uint8_t> bytes = project->Serialize();
    TestContent other;
    auto reread = MakeProject(other);
    ASSERT_TRUE(reread->LoadBytes(bytes.data(), bytes.size()));
    ASSERT_EQ(reread->UserImageCount(), 2u);
    EXPECT_EQ(reread->Content().GetUserImage(1)->data[0], 0x43);
    EXPECT_EQ(0, std::memcmp(&reread->Content().GetUserImage(1)->header, &b.header, sizeof b.header));

    // Damage the end mark of the second image's compressed bytes (the last
    // bytes of the file): the first image stays.
    for (size_t i = 1; i <= 3; ++i)
        bytes[bytes.size() - i] = 0xFF;
    const lumivo::Result r = reread->LoadBytes(bytes.data(), bytes.size());
    ASSERT_TRUE(r);
    EXPECT_EQ(reread->UserImageCount(), 1u);
    EXPECT_TRUE(r.HasMessage("user-image blob is damaged"));
    EXPECT_EQ(reread->LoadRepairs(), 1u);

    // A damaged blob from the controller changes nothing: the two images of
    // a sound blob stay as they were.
    std::vector<uint8_t> blob(static_cast<size_t>(project->Content().GetUserImageLZO(nullptr, 0)));
    ASSERT_EQ(project->Content().GetUserImageLZO(blob.data(), blob.size()), long(blob.size()));
    ASSERT_TRUE(reread->LoadUserImages(blob.data(), blob.size()));
    ASSERT_EQ(reread->UserImageCount(), 2u);
    std::vector<uint8_t> damaged = blob;
    for (size_t i = 1; i <= 3; ++i)
        damaged[damaged.size() - i] = 0xFF;
    EXPECT_FALSE(reread->LoadUserImages(damaged.data(), damaged.size()));
    ASSERT_EQ(reread->UserImageCount(), 2u);
    EXPECT_EQ(reread->Content().GetUserImage(1)->data[0], 0x43);

    // A file without user images clears those of the previous project.
    Bytes plain;
    plain.header(2, 6, 'E', 2, 6, 0, 0).u32(0).u32(0);
    ASSERT_TRUE(reread->LoadBytes(plain.data.data(), plain.data.size()));
    EXPECT_EQ(reread->UserImageCount(), 0u);
    EXPECT_EQ(reread->LoadRepairs(), 0u);
}

TEST_F(ProjectFile, MissingOrBrokenContainerStillLoadsTheAds)
{
    content.containers.erase(326);
    content.containers[315] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    Bytes missing;
    missing.header(2, 6, 'E', 2, 6, 1, 1).entry(0, TextItem(u"ad")).u32(0).u32(0);
    lumivo::Result r = project->LoadBytes(missing.data.data(), missing.data.size());
    ASSERT_TRUE(r);
    EXPECT_TRUE(r.HasMessage(lumivo::kMsgNoResource));
    EXPECT_EQ(project->ItemCount(), 1u);
    EXPECT_EQ(project->ContentResource(), 0);
    EXPECT_EQ(project->LoadRepairs(), 0u); // the file itself is sound

    Bytes broken;
    broken.header(2, 6, 'A', 2, 6, 1, 1).entry(0, TextItem(u"ad")).u32(0).u32(0);
    r = project->LoadBytes(broken.data.data(), broken.data.size());
    ASSERT_TRUE(r);
    EXPECT_TRUE(r.HasMessage(lumivo::kMsgContent));
    EXPECT_EQ(project->LoadRepairs(), 0u);
    EXPECT_EQ(project->ContentResource(), 0);
    EXPECT_EQ(project->Content().GetHeaderWord(), 0u); // no half-filled library
}

TEST_F(ProjectFile, PagesThatTheControllerCannotHoldAreRepaired)
{
    // Pages 7, 7, 60 (gaps, beyond 49), then 3 out of order, then six items of page 80.
    Bytes file;
    file.header(2, 6, 'E', 2, 6, 9, 10);
    const char16_t* names[] = {u"a", u"b", u"c", u"d", u"e1", u"e2", u"e3", u"e4", u"e5", u"e6"};
    const uint32_t pages[] = {7, 7, 60, 3, 80, 80, 80, 80, 80, 80};
    for (int i = 0; i < 10; ++i)
        file.entry(pages[i], TextItem(names[i]));
    file.u32(0).u32(0);
    const lumivo::Result r = project->LoadBytes(file.data.data(), file.data.size());
    ASSERT_TRUE(r) << r.FirstError();
    std::vector<std::pair<uint32_t, std::u16string>> got;
    for (const lumivo::CAdEntry& e : project->Entries())
        got.emplace_back(e.page, e.title);
    const std::vector<std::pair<uint32_t, std::u16string>> expected = {
        {0, u"d"},  {1, u"a"},  {1, u"b"},  {2, u"c"},  {3, u"e1"},
        {3, u"e2"}, {3, u"e3"}, {3, u"e4"}, {4, u"e5"}, {4, u"e6"}};
    EXPECT_EQ(got, expected);
    EXPECT_EQ(project->PageCount(), 5u);
    EXPECT_TRUE(r.HasMessage("regrouped"));
    EXPECT_TRUE(r.HasMessage("split"));
    EXPECT_TRUE(r.HasMessage("page count 9 was corrected to 5"));
    std::vector<uint8_t> blob;
    EXPECT_TRUE(project->PackAdBlob(blob));
}

} // namespace

namespace {

TEST(ProgramContainers, TheSampleProjectOpensWithTheLibraryItsBoardChooses)
{
    UseEnglish();
    const std::filesystem::path sample =
        std::filesystem::path(std::getenv("LUMIVO_SOURCE_DIR")) / "examples" / "welcome.qvndoc";
    const lumivo::ContentLoader loader = lumivo::DefaultContentLoader();
    EXPECT_FALSE(loader(999).has_value()); // no such resource
    const std::optional<std::vector<uint8_t>> container = loader(314);
    if (!container)
        GTEST_SKIP() << "the program's containers are not built";
    EXPECT_FALSE(container->empty());

    CProjectCore project; // the program's own loader
    const lumivo::Result r = project.LoadFile(sample);
    ASSERT_TRUE(r) << r.FirstError();
    EXPECT_TRUE(r.messages().empty()) << r.messages().front().text;
    EXPECT_EQ(project.ContentResource(), 314);
    EXPECT_EQ(project.Content().GetContentRow(), 1u);
    EXPECT_GE(project.PageCount(), 3u);
    EXPECT_EQ(project.Entries()[0].title, u"Welcome!");
    EXPECT_EQ(project.Serialize(), ReadAll(sample)); // the committed file is what the core writes
}

// The program's own files are mapped, not read: one cut short or empty is
// not loadable (never a half-filled library or a read past its end, which
// the sanitizer build would catch), and a sound one in the same place loads.
TEST(ProgramContainers, AFileCutShortOrEmptyIsNotLoadableAndASoundOneLoads)
{
    UseEnglish();
    const std::vector<uint8_t> sound = qvr::LoadContentResource(314);
    if (sound.empty())
        GTEST_SKIP() << "the program's containers are not built";
    TempDir dir;
    const char* before = std::getenv("LUMIVO_CONTENT_DIR");
    const std::optional<std::string> previous = before ? std::optional<std::string>(before) : std::nullopt;
    setenv("LUMIVO_CONTENT_DIR", dir.path.c_str(), 1);
    auto load = [&](const std::vector<uint8_t>* bytes) {
        std::ofstream(dir / "314.qvr", std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes->data()), std::streamsize(bytes->size()));
        CProjectCore project;
        lumivo::BoardValues board;
        board.moduleRow = board.lumivoRow = 1;
        board.moduleColumn = 6;
        board.language = 'E';
        board.lumivoColumn = 6;
        const lumivo::Result r = project.SetBoard(board);
        return std::make_pair(r.HasMessage(lumivo::kMsgContent) ? 'd' : r.HasMessage(lumivo::kMsgNoResource) ? 'm' : 'l',
                              project.Content().GetHeaderWord() != 0);
    };
    for (const size_t keep : {size_t(0), size_t(11), size_t(200), sound.size() / 2, sound.size() - 1}) {
        const std::vector<uint8_t> cut(sound.begin(), sound.begin() + std::ptrdiff_t(keep));
        EXPECT_EQ(load(&cut), std::make_pair('d', false)) << keep << " bytes";
    }
    EXPECT_EQ(load(&sound), std::make_pair('l', true));
    if (previous)
        setenv("LUMIVO_CONTENT_DIR", previous->c_str(), 1);
    else
        unsetenv("LUMIVO_CONTENT_DIR");
}

} // namespace
