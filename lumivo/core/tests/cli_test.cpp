// SPDX-License-Identifier: GPL-2.0-or-later
// lumivo-cli end to end: the built program beside this test binary.
#include "test_support.h"

#include <sys/stat.h>

#include <tuple>

using namespace coretest;

namespace {

class Cli : public ::testing::Test {
protected:
    Outcome Call(std::vector<std::string> args) { return RunProgram("lumivo-cli", std::move(args), dir.path); }
    void SetUp() override
    {
        // The tool takes its containers from here: tiny ones for the
        // default new board (E, 1 row, 6 columns) and for A, 2 rows, 6
        // columns; none for the others.
        setenv("LUMIVO_CONTENT_DIR", (dir / "content").c_str(), 1);
        std::filesystem::create_directory(dir / "content");
        ASSERT_TRUE(lumivo::WriteFileAtomic(dir / "content" / "314.qvr", TinyContainer()));
        ASSERT_TRUE(lumivo::WriteFileAtomic(dir / "content" / "315.qvr", TinyContainer()));
    }
    void TearDown() override { unsetenv("LUMIVO_CONTENT_DIR"); }
    std::string File(const char* name) { return (dir / name).string(); }
    static bool OneLine(const std::string& err)
    {
        return !err.empty() && err.find('\n') == err.size() - 1;
    }
    TempDir dir;
};

TEST_F(Cli, NewAddInfoAndLimits)
{
    const std::string p = File("p.qvndoc");
    Outcome r = Call({"new", p});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, ""); // container 314 is there
    EXPECT_EQ(Call({"new", p}).status, 1); // exists
    r = Call({"add", p, "--type", "text", "--text", "Hé \"quoted\"", "--start", "75", "--speed", "20"});
    ASSERT_EQ(r.status, 0) << r.err;
    // A 16-dot board has one line: a second item does not fit on page 0.
    r = Call({"add", p, "--type", "time", "--page", "0"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(OneLine(r.err)) << r.err;
    ASSERT_EQ(Call({"add", p, "--type", "image", "--index", "3"}).status, 0);

    r = Call({"info", p, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string json = r.out;
    for (const char* key : {"\"moduleRows\":1", "\"moduleColumns\":6", "\"language\":\"E\"",
                            "\"lumivoRows\":1", "\"lumivoColumns\":6", "\"pageCount\":2",
                            "\"userImages\":0", "\"contentLoaded\":true",
                            "\"title\":\"Hé \\\"quoted\\\"\"", "\"effectS\":75", "\"familyS\":\"Wave\"",
                            "\"effectW\":92", "\"familyW\":\"None\"", "\"typeName\":\"Image\"",
                            "\"title\":\"Image No. 4\"", "\"effectS\":104", "\"option\":5",
                            "\"lines\":1", "\"fit\":0", "\"page\":1"})
        EXPECT_NE(json.find(key), std::string::npos) << key << " in " << json;
    r = Call({"info", p});
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Wave 7"), std::string::npos) << r.out;

    // Four items a page on a four-row board; 50 items a project.
    const std::string q = File("q.qvndoc");
    ASSERT_EQ(Call({"new", q, "--module-rows", "4", "--module-cols", "12", "--language", "A"}).status, 0);
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(Call({"add", q, "--type", "eng2line", "--text", "a", "--text2", "b", "--page", "0"}).status, 0);
    r = Call({"add", q, "--type", "text", "--text", "fifth", "--page", "0"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(OneLine(r.err)) << r.err;
    EXPECT_NE(r.err.find("four items"), std::string::npos) << r.err;
    EXPECT_EQ(Call({"add", q, "--type", "text", "--page", "5"}).status, 1); // no such page
}

TEST_F(Cli, TheFiftyFirstItemIsRefused)
{
    // Build 50 items through the core, then ask the tool for one more.
    TestContent content;
    auto project = MakeProject(content);
    for (int i = 0; i < 25; ++i)
        ASSERT_TRUE(project->AppendPage({TextItem(u"a"), TextItem(u"b")}));
    ASSERT_TRUE(project->SetBoard({4, 6, 'E', 2, 6}));
    ASSERT_TRUE(project->SaveFile(dir / "full.qvndoc"));
    const std::vector<uint8_t> before = ReadAll(dir / "full.qvndoc");
    const Outcome r = Call({"add", File("full.qvndoc"), "--type", "text", "--text", "51"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("at most 50 items"), std::string::npos) << r.err;
    EXPECT_EQ(ReadAll(dir / "full.qvndoc"), before);
}

TEST_F(Cli, BlobPackAndUnpack)
{
    const std::string p = File("p.qvndoc");
    ASSERT_EQ(Call({"new", p, "--module-rows", "2", "--content-rows", "1"}).status, 0);
    ASSERT_EQ(Call({"add", p, "--type", "text", "--text", "one"}).status, 0);
    ASSERT_EQ(Call({"add", p, "--type", "analog", "--page", "0"}).status, 0);
    ASSERT_EQ(Call({"add", p, "--type", "date", "--format", "2"}).status, 0);
    Outcome r = Call({"blob", "pack", p, File("ads.bin")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<uint8_t> blob = ReadAll(dir / "ads.bin");
    ASSERT_GT(blob.size(), 12u);
    EXPECT_EQ(std::string(blob.begin(), blob.begin() + 4), "LZO ");

    // Into a new file, and over an existing one (whose board stays).
    r = Call({"blob", "unpack", File("ads.bin"), File("n.qvndoc"), "--module-rows", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string info = Call({"info", File("n.qvndoc"), "--json"}).out;
    EXPECT_NE(info.find("\"pageCount\":2"), std::string::npos) << info;
    EXPECT_NE(info.find("\"title\":\"one\""), std::string::npos) << info;
    EXPECT_NE(info.find("\"typeName\":\"Analog\""), std::string::npos) << info;
    ASSERT_EQ(Call({"blob", "unpack", File("ads.bin"), p}).status, 0);
    EXPECT_NE(Call({"info", p, "--json"}).out.find("\"lumivoRows\":1"), std::string::npos);
    EXPECT_EQ(Call({"blob", "unpack", File("ads.bin"), p, "--module-rows", "3"}).status, 2);

    // RLE blobs and damaged ones are refused with one line.
    std::vector<uint8_t> rle = blob;
    std::copy_n("RLE ", 4, rle.begin());
    ASSERT_TRUE(lumivo::WriteFileAtomic(dir / "rle.bin", rle));
    r = Call({"blob", "unpack", File("rle.bin"), p});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(OneLine(r.err));
    EXPECT_NE(r.err.find("RLE"), std::string::npos);
}

// Without --strict a damaged file is shown with warnings and exit 0, as
// before; with it, a file that needed repairs gives 3 and a sound one 0.
TEST_F(Cli, InfoStrictTellsADamagedFileFromASoundOne)
{
    const std::string p = File("s.qvndoc");
    ASSERT_EQ(Call({"new", p}).status, 0);
    ASSERT_EQ(Call({"add", p, "--type", "text", "--text", "one"}).status, 0);
    ASSERT_EQ(Call({"add", p, "--type", "text", "--text", "two"}).status, 0);
    EXPECT_EQ(Call({"info", p, "--strict"}).status, 0);
    EXPECT_EQ(Call({"info", p, "--strict", "--json"}).status, 0);

    std::vector<uint8_t> bytes = ReadAll(p);
    bytes.resize(bytes.size() - 12); // inside the second item
    ASSERT_TRUE(lumivo::WriteFileAtomic(File("cut.qvndoc"), bytes));
    const Outcome lenient = Call({"info", File("cut.qvndoc")});
    EXPECT_EQ(lenient.status, 0);
    EXPECT_NE(lenient.err.find("warning: the file is truncated"), std::string::npos) << lenient.err;
    const Outcome strict = Call({"info", File("cut.qvndoc"), "--json", "--strict"});
    EXPECT_EQ(strict.status, 3);
    EXPECT_NE(strict.out.find("\"pageCount\":1"), std::string::npos) << strict.out; // what could be read
    EXPECT_NE(strict.err.find("is damaged"), std::string::npos) << strict.err;

    // A header claiming a board the program never makes is repaired to the
    // nearest one it makes; bytes after the user images are reported.
    std::vector<uint8_t> sound = ReadAll(p);
    for (const auto& [at, value, text] : {std::tuple{7, 0, "board: 1 x 6 modules"},
                                          std::tuple{7, 127, "board: 4 x 6 modules"},
                                          std::tuple{8, 1, "board: 1 x 2 modules"},
                                          std::tuple{8, 200, "board: 1 x 20 modules"}}) {
        std::vector<uint8_t> odd = sound;
        odd[size_t(at)] = uint8_t(value);
        ASSERT_TRUE(lumivo::WriteFileAtomic(File("odd.qvndoc"), odd));
        const Outcome r = Call({"info", File("odd.qvndoc"), "--strict"});
        EXPECT_EQ(r.status, 3) << value;
        EXPECT_NE(r.out.find(text), std::string::npos) << r.out;
        EXPECT_NE(r.err.find("is outside"), std::string::npos) << r.err;
    }
    sound.insert(sound.end(), {1, 2, 3});
    ASSERT_TRUE(lumivo::WriteFileAtomic(File("tail.qvndoc"), sound));
    const Outcome tail = Call({"info", File("tail.qvndoc"), "--strict"});
    EXPECT_EQ(tail.status, 3);
    EXPECT_NE(tail.err.find("3 byte(s) after the user images"), std::string::npos) << tail.err;
    // The same report in the interface language.
    for (const auto& [language, words] : {std::pair{"Korean", "사용자 이미지 뒤의 3바이트를 무시했습니다"},
                                          std::pair{"Chinese", "已忽略用户图像之后的 3 个字节"}}) {
        setenv("LUMIVO_LANGUAGE", language, 1);
        const Outcome translated = Call({"info", File("tail.qvndoc"), "--strict"});
        unsetenv("LUMIVO_LANGUAGE");
        EXPECT_NE(translated.err.find(words), std::string::npos) << language << ": " << translated.err;
    }

    // A FIFO under a project's name is refused at once, not waited on.
    ASSERT_EQ(::mkfifo(File("x.qvndoc").c_str(), 0600), 0);
    const Outcome fifo = Call({"info", File("x.qvndoc")});
    EXPECT_EQ(fifo.status, 1);
    EXPECT_NE(fifo.err.find("a folder or a device, not a file"), std::string::npos) << fifo.err;
}

TEST_F(Cli, HelpUsageErrorsAndRefusedFiles)
{
    for (std::vector<std::string> verb : std::vector<std::vector<std::string>>{
             {"new"}, {"add"}, {"info"}, {"blob", "pack"}, {"blob", "unpack"}}) {
        verb.push_back("--help");
        const Outcome r = Call(verb);
        EXPECT_EQ(r.status, 0) << verb[0];
        EXPECT_EQ(r.out.rfind("usage: lumivo-cli " + verb[0], 0), 0u) << r.out;
    }
    EXPECT_EQ(Call({"--help"}).status, 0);
    EXPECT_EQ(Call({}).status, 2);
    EXPECT_EQ(Call({"frobnicate"}).status, 2);
    EXPECT_EQ(Call({"new"}).status, 2);
    EXPECT_EQ(Call({"new", File("x.qvndoc"), "--module-rows", "9"}).status, 2);
    EXPECT_EQ(Call({"new", File("x.qvndoc"), "--language", "K"}).status, 2);
    EXPECT_EQ(Call({"info", File("x.qvndoc"), "--bogus"}).status, 2);
    EXPECT_EQ(Call({"add", File("x.qvndoc"), "--type", "humidity"}).status, 2);

    ASSERT_TRUE(lumivo::WriteFileAtomic(dir / "bad.qvndoc", {'Q', 'V', 'N', 'D', 'O', 'C', 'X', 1}));
    const Outcome r = Call({"info", File("bad.qvndoc")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(OneLine(r.err)) << r.err;
    EXPECT_NE(r.err.find("bad.qvndoc"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("QVNDOC"), std::string::npos) << r.err;
    EXPECT_EQ(Call({"info", File("missing.qvndoc")}).status, 1);
}

} // namespace

TEST_F(Cli, AMissingLanguageIsAWarningNamingWhereItLooked)
{
    const std::string p = File("p.qvndoc");
    ASSERT_EQ(Call({"new", p}).status, 0);
    EXPECT_EQ(Call({"info", p}).err, ""); // English, beside the program

    setenv("LUMIVO_LANGUAGE", "Klingon", 1);
    Outcome r = Call({"info", p});
    unsetenv("LUMIVO_LANGUAGE");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(OneLine(r.err)) << r.err;
    EXPECT_NE(r.err.find("warning: no language \"Klingon\""), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Korean"), std::string::npos) << r.err; // what there is

    std::filesystem::create_directory(dir / "nolang");
    setenv("LUMIVO_LANG_DIR", (dir / "nolang").c_str(), 1);
    r = Call({"info", p});
    unsetenv("LUMIVO_LANG_DIR");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("warning: no language files in " + (dir / "nolang").string()), std::string::npos) << r.err;
}
