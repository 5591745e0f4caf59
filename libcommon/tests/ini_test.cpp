// SPDX-License-Identifier: BSD-2-Clause
#include "common/ini.h"
#include "common/text.h"

#include "test_util.h"

#include <gtest/gtest.h>

using common::IniFile;

TEST(IniReader, ProfileReaderRules)
{
    IniFile ini;
    ini.Parse(u"stray=before any section\r\n"
              u"; a comment line\r\n"
              u"  [ Format ]  \r\n"
              u"  fmtDate  =   yyyy-MM-dd   \r\n"
              u"FMTDATE=second copy loses\n"
              u"quoted=\"  kept blanks  \"\n"
              u"single='x'\n"
              u"unmatched=\"abc'\n"
              u"lonequote=\"\n"
              u"empty=\n"
              u"noequals\n"
              u"eq=a=b\r"
              u"[format]\n"
              u"fmtTime=from a repeated section\n"
              u"[Other]\n"
              u"fmtTime=hh:mm\n");
    ASSERT_EQ(ini.Sections().size(), 2u);
    EXPECT_EQ(ini.Sections()[0].name, u"Format");
    // Names are matched without regard to case and with blanks trimmed.
    EXPECT_EQ(ini.GetString(u"format", u"FmtDate"), u"yyyy-MM-dd");
    EXPECT_EQ(ini.GetString(u" FORMAT ", u" fmtdate "), u"yyyy-MM-dd");
    EXPECT_EQ(ini.GetString(u"Format", u"quoted"), u"  kept blanks  ");
    EXPECT_EQ(ini.GetString(u"Format", u"single"), u"x");
    EXPECT_EQ(ini.GetString(u"Format", u"unmatched"), u"\"abc'");
    EXPECT_EQ(ini.GetString(u"Format", u"lonequote"), u"\"");
    EXPECT_EQ(ini.GetString(u"Format", u"empty"), u"");
    EXPECT_EQ(ini.GetString(u"Format", u"eq"), u"a=b");
    // The first of a repeated section wins, like the first of a repeated key.
    EXPECT_FALSE(ini.GetString(u"Format", u"fmtTime").has_value());
    EXPECT_EQ(ini.GetString(u"Other", u"fmtTime"), u"hh:mm");
    EXPECT_FALSE(ini.GetString(u"Format", u"stray").has_value());
    EXPECT_FALSE(ini.GetString(u"Missing", u"fmtDate").has_value());
    // The entry list keeps raw values and marks lines without "=".
    const common::IniSection* s = ini.FindSection(u"FORMAT");
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->entries.size(), 8u);
    EXPECT_EQ(s->entries[2].value, u"'x'");
    EXPECT_FALSE(s->entries[6].hasEquals);
    EXPECT_EQ(s->entries[6].key, u"noequals");
}

TEST(IniReader, LongValuesAreCutTo1023Characters)
{
    IniFile ini;
    std::u16string value(1500, u'x');
    value[1022] = u'y';
    ini.Parse(u"[s]\nk=" + value + u"\nq=\"" + value + u"\"\n");
    const auto got = ini.GetString(u"s", u"k");
    ASSERT_TRUE(got.has_value());
    ASSERT_EQ(got->size(), 1023u);
    EXPECT_EQ(got->back(), u'y');
    EXPECT_EQ(ini.GetString(u"s", u"q")->size(), 1023u);
    EXPECT_EQ(ini.FindEntry(u"s", u"k")->value.size(), 1500u);
}

TEST(IniReader, FileEncodings)
{
    testutil::TempDir dir;
    const std::u16string text = u"[config]\r\nlanguage=cp949\r\n[Format]\r\nname=한국어 中文\r\n";
    const std::string utf8 = common::Utf16ToUtf8(text);
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"plain.lang", utf8},
        {"bom8.lang", "\xEF\xBB\xBF" + utf8},
        {"bom16.lang", "\xFF\xFE" + common::ToUtf16LeBytes(text)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testutil::WriteFile(dir / c.name, c.bytes);
        IniFile ini;
        ASSERT_TRUE(ini.Load(dir / c.name));
        EXPECT_EQ(ini.GetString(u"CONFIG", u"language"), u"cp949");
        EXPECT_EQ(ini.GetString(u"format", u"name"), u"한국어 中文");
    }
    IniFile ini;
    EXPECT_FALSE(ini.Load(dir / "missing.lang"));
    testutil::WriteFile(dir / "empty.lang", "");
    EXPECT_FALSE(ini.Load(dir / "empty.lang"));
    // Damaged UTF-8 still reads, the bad bytes replaced.
    ini.ParseBytes("[s]\nk=a\xFF\xC3z\n");
    EXPECT_EQ(ini.GetString(u"s", u"k"), u"a\uFFFD\uFFFDz");
}
