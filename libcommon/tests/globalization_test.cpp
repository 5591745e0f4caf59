// SPDX-License-Identifier: BSD-2-Clause
#include "common/globalization.h"
#include "common/text.h"

#include "test_util.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

class Globalization : public ::testing::Test {
protected:
    void SetUp() override
    {
        testutil::WriteFile(dir / "English.lang",
                            "[config]\nlanguage=cp1252\n[Format]\nfmtDate=MM/dd/yyyy\n"
                            "[DialogCommon]\nbtnOk=OK\nbtnCancel=\"Cancel\"\n");
        testutil::WriteFile(dir / "Korean.lang",
                            "\xEF\xBB\xBF[config]\nlanguage=cp949\n[DialogCommon]\nbtnOk=확인\n");
        testutil::WriteFile(dir / "notes.txt", "[config]\nlanguage=cp1\n");
        std::filesystem::create_directory(dir / "Folder.lang");
        CGlobalization::SetLangDir(dir.path());
    }
    void TearDown() override { CGlobalization::SetLangDir(std::filesystem::path()); }

    testutil::TempDir dir;
};

} // namespace

TEST_F(Globalization, ListsAndSelectsLanguages)
{
    ASSERT_EQ(CGlobalization::GetLanguageCount(), 2u);
    const auto names = CGlobalization::GetLangList();
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], u"English");
    EXPECT_EQ(names[1], u"Korean");
    // A language added later is not seen: the list is made once.
    testutil::WriteFile(dir / "Chinese.lang", "[config]\nlanguage=cp936\n");
    EXPECT_EQ(CGlobalization::GetLanguageCount(), 2u);

    EXPECT_EQ(CGlobalization::GetLangFile(), u"");
    EXPECT_EQ(CGlobalization::GetText(u"DialogCommon", u"btnOk"), u"");
    EXPECT_EQ(CGlobalization::SelectLanguage(u"Korean"), 0u);
    EXPECT_EQ(CGlobalization::GetLangFile(), common::PathToU16(dir / "Korean.lang"));
    EXPECT_EQ(CGlobalization::GetText(u"DialogCommon", u"btnOk"), u"확인");
    EXPECT_EQ(CGlobalization::GetCodePage(), 949u);
    // An empty name keeps the selection.
    EXPECT_EQ(CGlobalization::SelectLanguage(u""), 1u);
    EXPECT_EQ(CGlobalization::GetText("dialogcommon", "BTNOK"), u"확인");

    CGlobalization::SelectLanguage(u"English");
    EXPECT_EQ(CGlobalization::GetText(u"DialogCommon", u"btnCancel"), u"Cancel");
    EXPECT_EQ(CGlobalization::GetText(u"Format", u"fmtDate"), u"MM/dd/yyyy");
    EXPECT_EQ(CGlobalization::GetCodePage(), 1252u);
    // Missing keys, sections and files read as empty.
    EXPECT_EQ(CGlobalization::GetText(u"Format", u"fmtTime"), u"");
    EXPECT_EQ(CGlobalization::GetText(u"NoSuch", u"btnOk"), u"");
    EXPECT_EQ(CGlobalization::SelectLanguage(u"Klingon"), 0u);
    EXPECT_EQ(CGlobalization::GetText(u"DialogCommon", u"btnOk"), u"");
    EXPECT_EQ(CGlobalization::GetCodePage(), 0u);
}

TEST_F(Globalization, CodePageNeedsTheCpPrefix)
{
    const std::pair<const char*, unsigned> cases[] = {
        {"cp936", 936}, {"cp 949", 949}, {"949", 0}, {"CP949", 0}, {"cp", 0}, {"cpx", 0}, {"utf-8", 0},
    };
    for (const auto& [value, expected] : cases) {
        SCOPED_TRACE(value);
        testutil::WriteFile(dir / "Test.lang", std::string("[config]\nlanguage=") + value + "\n");
        CGlobalization::SelectLanguage(u"Test");
        EXPECT_EQ(CGlobalization::GetCodePage(), expected);
    }
}

TEST_F(Globalization, EditedFileIsReadAgain)
{
    CGlobalization::SelectLanguage(u"Edit");
    testutil::WriteFile(dir / "Edit.lang", "[s]\nk=one\n");
    EXPECT_EQ(CGlobalization::GetText(u"s", u"k"), u"one");
    testutil::WriteFile(dir / "Edit.lang", "[s]\nk=second text\n");
    EXPECT_EQ(CGlobalization::GetText(u"s", u"k"), u"second text");
}

// A read that fails for a moment (here: no file descriptor left) gives no
// text then, and the text again once the file can be read; the unchanged
// file on disk must not keep the failed read's empty table.
TEST_F(Globalization, AFailedReadIsNotKept)
{
    CGlobalization::SelectLanguage(u"English");
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    const int probe = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(probe, 0);
    ::close(probe);
    rlimit none = saved;
    none.rlim_cur = static_cast<rlim_t>(probe); // every further open fails
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &none), 0);
    const std::u16string during = CGlobalization::GetText(u"DialogCommon", u"btnOk");
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);
    EXPECT_EQ(during, u"");
    EXPECT_EQ(CGlobalization::GetText(u"DialogCommon", u"btnOk"), u"OK");
}

TEST_F(Globalization, RecordsTheKeysAskedFor)
{
    CGlobalization::SelectLanguage(u"English");
    CGlobalization::RecordRequests(true);
    CGlobalization::GetText(u"DialogCommon", u"btnOk");
    CGlobalization::GetText(u"Format", u"fmtDate");
    CGlobalization::GetText(u"DialogCommon", u"btnOk");
    CGlobalization::RecordRequests(false);
    CGlobalization::GetText(u"Error", u"ErrTitle");
    const auto asked = CGlobalization::RecordedRequests();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0], std::make_pair(std::u16string(u"DialogCommon"), std::u16string(u"btnOk")));
    EXPECT_EQ(asked[1], std::make_pair(std::u16string(u"Format"), std::u16string(u"fmtDate")));
}

TEST(GlobalizationFolder, MissingFolderGivesNoLanguages)
{
    testutil::TempDir dir;
    CGlobalization::SetLangDir(dir / "absent");
    EXPECT_EQ(CGlobalization::GetLanguageCount(), 0u);
    EXPECT_TRUE(CGlobalization::GetLangList().empty());
    CGlobalization::SetLangDir(std::filesystem::path());
}

TEST(GlobalizationFolder, EnvironmentThenExecutableFolder)
{
    testutil::TempDir dir;
    testutil::WriteFile(dir / "Chinese.lang", "[config]\nlanguage=cp936\n");
    ::setenv("LUMIVO_LANG_DIR", dir.path().c_str(), 1);
    CGlobalization::SetLangDir(std::filesystem::path());
    EXPECT_EQ(CGlobalization::GetLanguageCount(), 1u);
    EXPECT_EQ(CGlobalization::GetLangDir(), common::PathToU16(dir.path()));
    ::unsetenv("LUMIVO_LANG_DIR");
    CGlobalization::SetLangDir(std::filesystem::path());
    CGlobalization::InitLanguageList();
    const auto exeDir = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    const std::u16string found = CGlobalization::GetLangDir();
    EXPECT_TRUE(found == common::PathToU16(exeDir / "Lang")
                || found == common::PathToU16((exeDir / "../share/lumivo/Lang").lexically_normal()))
        << common::Utf16ToUtf8(found);
}
