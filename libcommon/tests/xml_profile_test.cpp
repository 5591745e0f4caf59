// SPDX-License-Identifier: BSD-2-Clause
#include "common/text.h"
#include "common/xml_profile.h"

#include "test_util.h"

#include <gtest/gtest.h>

namespace {

std::string Utf8(const std::u16string& s)
{
    return common::Utf16ToUtf8(s);
}

} // namespace

TEST(XmlProfile, LoadCountsWhatItDrops)
{
    testutil::TempDir dir;
    testutil::WriteFile(dir / "p.xml",
                        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                        "<profile>\r\n"
                        "\t<section name=\"Serial\" readonly=\"1\">\r\n"
                        "\t\t<key name=\"Port\" value=\"3\"/>\r\n"
                        "\t\t<key name=\"port\" value=\"4\"/>\r\n"  // duplicate (names ignore case)
                        "\t\t<key name=\"Empty\" value=\"\"/>\r\n" // invalid
                        "\t\t<key value=\"no name\"/>\r\n"         // invalid
                        "\t\t<other name=\"x\" value=\"y\"/>\r\n"  // not a key element
                        "\t</section>\r\n"
                        "\t<section name=\"Dropped\"><key name=\"a\" value=\"\"/></section>\r\n"
                        "\t<section><key name=\"a\" value=\"1\"/></section>\r\n"
                        "\t<section name=\"View\"><key name=\"Zoom\" value=\"100\" readonly=\"1\"/></section>\r\n"
                        "\t<section name=\"dropped\"><key name=\"b\" value=\"2\"/></section>\r\n"
                        "\t<section name=\"SERIAL\"><key name=\"c\" value=\"3\"/></section>\r\n"
                        "\t<section name=\"Late\"><key name=\"d\" value=\"4\"/></section>\r\n"
                        "</profile>\r\n");
    CXmlProfile p;
    // A repeated section name fails the load and stops it there.
    EXPECT_EQ(p.Load(dir / "p.xml", CXmlParser::ENCODING_AUTO), 0);
    EXPECT_TRUE(p.HasDuplicateSection());
    EXPECT_EQ(p.GetDuplicateKeys(), 1u);
    EXPECT_EQ(p.GetInvalidKeys(), 3u);
    EXPECT_TRUE(p.IsFileOpen());
    EXPECT_FALSE(p.IsModified());
    CXmlProfileSectionEntry* sections = nullptr;
    ASSERT_EQ(p.GetSections(sections), 3u);
    // "Dropped" had no usable key, so a later "dropped" is not a repeat.
    EXPECT_EQ(Utf8(sections[0].m_strName), "Serial");
    EXPECT_EQ(sections[0].m_nReadOnly, 1);
    EXPECT_EQ(Utf8(sections[1].m_strName), "View");
    EXPECT_EQ(Utf8(sections[2].m_strName), "dropped");
    delete[] sections;
    EXPECT_EQ(p.GetProfileStringW(u"serial", u"PORT", u"?"), u"3");
    EXPECT_EQ(p.GetReadOnly(p.FindKey(u"View", u"Zoom")), 1);
    EXPECT_FALSE(p.IsSection(u"Late"));
    EXPECT_EQ(p.GetProfileIntW(u"View", u"Zoom", 7), 100u);
}

TEST(XmlProfile, WritesRemovesAndRespectsReadOnly)
{
    CXmlProfile p;
    EXPECT_EQ(p.WriteProfileStringW(u"S", u"k", u"v"), 1);
    EXPECT_EQ(p.WriteProfileStringW(u"S", u"k2", u"v2"), 1);
    EXPECT_TRUE(p.IsModified());
    EXPECT_EQ(p.GetNumKeys(u"s"), 2u);
    // A null value removes the key (and reports 0); a missing key stays missing.
    EXPECT_EQ(p.WriteProfileStringW(u"S", u"k", nullptr), 0);
    EXPECT_FALSE(p.IsKey(u"S", u"k"));
    EXPECT_EQ(p.WriteProfileStringW(u"S", u"never", nullptr), 0);
    EXPECT_FALSE(p.IsKey(u"S", u"never"));
    EXPECT_EQ(p.WriteProfileStringW(u"Nowhere", u"k", nullptr), 0);
    EXPECT_FALSE(p.IsSection(u"Nowhere"));
    // A null key removes the section.
    EXPECT_EQ(p.WriteProfileStringW(u"S", nullptr, nullptr), 0);
    EXPECT_FALSE(p.IsSection(u"S"));
    EXPECT_EQ(p.WriteProfileStringW(nullptr, u"k", u"v"), 0);
    EXPECT_EQ(p.SetKey(u"", u"k", u"v"), nullptr);

    // Read-only keys and sections ignore every write.
    p.SetKey(u"R", u"fixed", u"1", 1);
    p.SetKey(u"R", u"free", u"2", 0);
    EXPECT_EQ(p.WriteProfileStringW(u"R", u"fixed", u"changed"), 0);
    EXPECT_EQ(p.WriteProfileStringW(u"R", u"fixed", nullptr), 0);
    EXPECT_EQ(p.GetKey(u"R", u"fixed", nullptr), u"1");
    p.SetReadOnly(p.FindSection(u"R"), 1);
    EXPECT_EQ(p.WriteProfileStringW(u"R", u"free", u"changed"), 0);
    EXPECT_EQ(p.WriteProfileStringW(u"R", nullptr, nullptr), 0);
    EXPECT_EQ(p.WriteProfileStringW(u"R", u"new", u"x"), 0);
    EXPECT_EQ(p.GetNumKeys(u"R"), 2u);
    EXPECT_EQ(p.GetReadOnly(static_cast<CXmlProfile::SectionNode*>(nullptr)), 0);

    // Numbers, defaults and key lists.
    EXPECT_EQ(p.WriteProfileInt(u"N", u"neg", -12), 1);
    EXPECT_EQ(static_cast<int>(p.GetProfileIntW(u"N", u"neg", 0)), -12);
    EXPECT_EQ(p.GetProfileIntW(u"N", u"none", 42), 42u);
    EXPECT_EQ(p.WriteProfileInt(u"N", nullptr, 1), 0);
    EXPECT_EQ(p.GetProfileStringW(u"N", nullptr, u"def"), u"def");
    const CXmlProfileKey keys[] = {{u"a", u"1", 0}, {u"b", u"2", 1}};
    EXPECT_EQ(p.SetKeys(u"K", keys, 2), 1);
    EXPECT_EQ(p.SetKeys(u"K", keys, 0), 0);
    CXmlProfileKey* got = nullptr;
    ASSERT_EQ(p.GetKeys(u"K", got), 2u);
    EXPECT_EQ(got[1].m_strName, u"b");
    EXPECT_EQ(got[1].m_nReadOnly, 1);
    delete[] got;
    EXPECT_EQ(p.GetKeys(u"missing", got), 0u);
    EXPECT_EQ(got, nullptr);
    EXPECT_EQ(p.Validate(), 1);
}

TEST(XmlProfile, BinaryValues)
{
    CXmlProfile p;
    const BYTE data[] = {0x01, 0xFF};
    ASSERT_EQ(p.WriteProfileBinary(u"B", u"blob", data, 2), 1);
    EXPECT_EQ(p.GetKey(u"B", u"blob", nullptr), u"BAPP");
    BYTE* out = nullptr;
    unsigned size = 99;
    ASSERT_EQ(p.GetProfileBinary(u"B", u"blob", &out, &size), 1);
    ASSERT_EQ(size, 2u);
    EXPECT_EQ(out[0], 0x01);
    EXPECT_EQ(out[1], 0xFF);
    delete[] out;
    std::vector<BYTE> all(256);
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<BYTE>(i);
    ASSERT_EQ(p.WriteProfileBinary(u"B", u"all", all.data(), 256), 1);
    ASSERT_EQ(p.GetProfileBinary(u"B", u"all", &out, &size), 1);
    EXPECT_EQ(std::vector<BYTE>(out, out + size), all);
    delete[] out;
    EXPECT_EQ(p.WriteProfileBinary(u"B", u"none", data, 0), 0);
    EXPECT_EQ(p.GetProfileBinary(u"B", u"none", &out, &size), 0);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(size, 0u);
    // An odd text length drops the last character; foreign letters stay in range.
    p.WriteProfileStringW(u"B", u"odd", u"PPz");
    ASSERT_EQ(p.GetProfileBinary(u"B", u"odd", &out, &size), 1);
    EXPECT_EQ(size, 1u);
    EXPECT_EQ(out[0], 0xFF);
    delete[] out;
}

TEST(XmlProfile, RoundTripsInBothEncodings)
{
    testutil::TempDir dir;
    CXmlProfile p;
    p.SetKey(u"Settings", u"Title", u"한국어 中文 \"quoted\" <b> & more", 0);
    p.SetKey(u"Settings", u"Locked", u"1", 1);
    p.SetKey(u"Empty", u"k", u"", 0); // skipped on save: no value
    p.SetReadOnly(p.FindSection(u"Settings"), 1);
    p.SetKey(u"Other", u"n", u"5", 0);
    for (auto encoding : {CXmlParser::ENCODING_AUTO, CXmlParser::ENCODING_ANSI, CXmlParser::ENCODING_UTF16}) {
        SCOPED_TRACE(encoding);
        const auto file = dir / "p.xml";
        ASSERT_EQ(p.Save(file, encoding), 1);
        EXPECT_FALSE(p.IsModified());
        const std::string bytes = testutil::ReadFile(file);
        EXPECT_EQ(bytes.compare(0, 2, "\xFF\xFE") == 0, encoding != CXmlParser::ENCODING_ANSI);
        if (encoding == CXmlParser::ENCODING_ANSI) {
            EXPECT_NE(bytes.find("\t<section name=\"Settings\" readonly=\"1\">\r\n"
                                 "\t\t<key name=\"Title\" value=\"한국어 中文 &quot;quoted&quot; &lt;b&gt; &amp; more\"/>\r\n"
                                 "\t\t<key name=\"Locked\" value=\"1\" readonly=\"1\"/>\r\n"
                                 "\t</section>\r\n"
                                 "\t<section name=\"Empty\">\r\n"
                                 "\t</section>\r\n"),
                      std::string::npos)
                << bytes;
        }
        CXmlProfile q;
        ASSERT_EQ(q.Load(file, CXmlParser::ENCODING_AUTO), 1);
        EXPECT_EQ(q.GetKey(u"Settings", u"Title", nullptr), u"한국어 中文 \"quoted\" <b> & more");
        EXPECT_EQ(q.GetReadOnly(q.FindSection(u"Settings")), 1);
        EXPECT_EQ(q.GetReadOnly(q.FindKey(u"Settings", u"Locked")), 1);
        EXPECT_FALSE(q.IsSection(u"Empty"));
        EXPECT_EQ(q.GetKey(u"Other", u"n", nullptr), u"5");
    }
    // A hand-written file with a bare quote inside a value reads up to it.
    testutil::WriteFile(dir / "hand.xml",
                        "<profile><section name=\"S\"><key name=\"k\" value=\"say \"hi\"\"/></section></profile>");
    CXmlProfile h;
    ASSERT_EQ(h.Load(dir / "hand.xml", CXmlParser::ENCODING_ANSI), 1);
    EXPECT_EQ(h.GetKey(u"S", u"k", nullptr), u"say ");
    EXPECT_EQ(h.Save(std::filesystem::path()), 0);
    EXPECT_EQ(h.Save(dir / "no/folder/p.xml"), 0);
}

TEST(XmlProfile, CloseSavesWhenAskedAndModified)
{
    testutil::TempDir dir;
    const auto file = dir / "c.xml";
    {
        CXmlProfile p;
        p.SetKey(u"S", u"k", u"v", 0);
        ASSERT_EQ(p.Save(file, CXmlParser::ENCODING_ANSI), 1);
    }
    CXmlProfile p;
    ASSERT_EQ(p.Load(file, CXmlParser::ENCODING_ANSI), 1);
    p.SetKey(u"S", u"k", u"changed", 0);
    p.Close(0);
    EXPECT_FALSE(p.IsFileOpen());
    CXmlProfile check;
    check.Load(file);
    EXPECT_EQ(check.GetKey(u"S", u"k", nullptr), u"v");
    p.Close(1);
    check.Load(file);
    EXPECT_EQ(check.GetKey(u"S", u"k", nullptr), u"changed");
    EXPECT_EQ(testutil::ReadFile(file).substr(0, 5), "<?xml") << "saved with the encoding it was loaded with";
    EXPECT_EQ(check.Load(dir / "missing.xml"), 0);
    EXPECT_EQ(check.GetNumSections(), 0u);
}

TEST(XmlProfile, IniLoadAndSave)
{
    testutil::TempDir dir;
    testutil::WriteFile(dir / "in.ini",
                        "[Serial Setup]\r\n Port = 3 \r\nBaudrate=115200\r\nport=9\r\nnoequals\r\n"
                        "Quoted=\"a b\"\r\n[]\r\nlost=1\r\n[Empty]\r\n[serial setup]\r\nDataBits=8\r\n"
                        "[Format]\r\nfmtDate=yyyy-MM-dd\r\n");
    CXmlProfile p;
    ASSERT_EQ(p.LoadIni(dir / "in.ini", CXmlParser::ENCODING_ANSI), 1);
    EXPECT_TRUE(p.IsFileOpen());
    EXPECT_EQ(p.GetNumSections(), 2u);
    EXPECT_EQ(p.GetKey(u"SERIAL SETUP", u"port", nullptr), u"3");
    EXPECT_EQ(p.GetKey(u"Serial Setup", u"Quoted", nullptr), u"\"a b\"");
    EXPECT_FALSE(p.IsKey(u"Serial Setup", u"noequals"));
    EXPECT_FALSE(p.IsKey(u"Serial Setup", u"DataBits"));

    for (auto encoding : {CXmlParser::ENCODING_ANSI, CXmlParser::ENCODING_UTF16}) {
        SCOPED_TRACE(encoding);
        const auto out = dir / "out.ini";
        ASSERT_EQ(p.SaveIni(out, encoding), 1);
        const std::string expected =
            "[Serial Setup]\r\nPort=3\r\nBaudrate=115200\r\nQuoted=\"a b\"\r\n\r\n[Format]\r\nfmtDate=yyyy-MM-dd\r\n";
        const std::string bytes = testutil::ReadFile(out);
        if (encoding == CXmlParser::ENCODING_ANSI)
            EXPECT_EQ(bytes, expected);
        else
            EXPECT_EQ(bytes, "\xFF\xFE" + common::ToUtf16LeBytes(common::Utf8ToUtf16(expected)));
        CXmlProfile q;
        ASSERT_EQ(q.LoadIni(out), 1);
        EXPECT_EQ(q.GetKey(u"Format", u"fmtDate", nullptr), u"yyyy-MM-dd");
        EXPECT_EQ(q.GetNumKeys(u"Serial Setup"), 3u);
    }
    CXmlProfile empty;
    EXPECT_EQ(empty.SaveIni(dir / "none.ini"), 0);
    EXPECT_EQ(empty.LoadIni(dir / "missing.ini"), 0);
    EXPECT_TRUE(empty.IsFileOpen());
}

TEST(XmlProfile, CopiesShareSections)
{
    auto* original = new CXmlProfile;
    original->SetKey(u"S", u"k", u"v", 0);
    CXmlProfile copy(*original);
    copy.SetKey(u"S", u"k2", u"v2", 0);
    EXPECT_EQ(original->GetKey(u"S", u"k2", nullptr), u"v2");
    delete original; // the copy still holds the sections
    EXPECT_EQ(copy.GetKey(u"S", u"k", nullptr), u"v");
    CXmlProfile other;
    other.SetKey(u"T", u"x", u"1", 0);
    other = copy;
    EXPECT_FALSE(other.IsSection(u"T"));
    EXPECT_TRUE(other.IsKey(u"S", u"k2"));
}

TEST(XmlProfile, EveryNameAndValueSurvivesSaveAndLoad)
{
    // Texts the reader could take for markup: attribute names followed by
    // "=", line breaks and tabs (blanks to the parser), entity lookalikes,
    // a lone surrogate (no UTF-8 form of its own).
    const std::u16string tricky[] = {u"value=\"7\"",  u"readonly=1",      u"name=",  u"a\r\nb\nc\rd\te",
                                     u" edges\t ",     u"&#10;&amp;&#x41;", u"<k/>",  u"한국어=中文",
                                     std::u16string(1, char16_t(0xD800)) + u"x"};
    CXmlProfile p;
    for (const std::u16string& t : tricky) {
        const std::u16string section = u"S " + t;
        p.SetKey(section.c_str(), t.c_str(), (t + u"|value").c_str(), 0);
        p.SetKey(section.c_str(), u"plain", t.c_str(), 0);
    }
    p.SetKey(u"Locked readonly=0", u"name=\"x\" readonly=\"0\"", u"1", 1);
    p.SetReadOnly(p.FindSection(u"Locked readonly=0"), 1);
    testutil::TempDir dir;
    for (auto encoding : {CXmlParser::ENCODING_ANSI, CXmlParser::ENCODING_UTF16}) {
        SCOPED_TRACE(encoding);
        ASSERT_EQ(p.Save(dir / "p.xml", encoding), 1);
        CXmlProfile q;
        ASSERT_EQ(q.Load(dir / "p.xml"), 1);
        CXmlProfileSectionEntry* sections = nullptr;
        ASSERT_EQ(q.GetSections(sections), std::size(tricky) + 1);
        for (std::size_t i = 0; i < std::size(tricky); ++i) {
            SCOPED_TRACE(Utf8(tricky[i]));
            EXPECT_EQ(sections[i].m_strName, u"S " + tricky[i]);
            EXPECT_EQ(sections[i].m_nReadOnly, 0);
            CXmlProfileKey* keys = nullptr;
            ASSERT_EQ(q.GetKeys(sections[i].m_strName.c_str(), keys), 2u);
            EXPECT_EQ(keys[0].m_strName, tricky[i]);
            EXPECT_EQ(keys[0].m_strValue, tricky[i] + u"|value");
            EXPECT_EQ(keys[1].m_strValue, tricky[i]);
            EXPECT_EQ(keys[0].m_nReadOnly + keys[1].m_nReadOnly, 0);
            delete[] keys;
        }
        EXPECT_EQ(sections[std::size(tricky)].m_nReadOnly, 1);
        delete[] sections;
        EXPECT_EQ(q.GetReadOnly(q.FindKey(u"Locked readonly=0", u"name=\"x\" readonly=\"0\"")), 1);
    }
}

TEST(XmlProfile, FilesOfTheEarlierWriterReadAsBefore)
{
    // Only &, ", < and > were written as entities; "=" and line breaks were
    // written as they are, and a line break read back as a blank.
    testutil::TempDir dir;
    testutil::WriteFile(dir / "old.xml",
                        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                        "<profile>\r\n"
                        "\t<section name=\"Old\">\r\n"
                        "\t\t<key name=\"Expr\" value=\"a=b &amp;#10; &quot;q&quot; &lt;t&gt;\"/>\r\n"
                        "\t\t<key name=\"Lines\" value=\"one\r\ntwo\tthree\" readonly=\"1\"/>\r\n"
                        "\t</section>\r\n"
                        "</profile>\r\n");
    CXmlProfile p;
    ASSERT_EQ(p.Load(dir / "old.xml"), 1);
    EXPECT_EQ(p.GetKey(u"Old", u"Expr", nullptr), u"a=b &#10; \"q\" <t>");
    EXPECT_EQ(p.GetKey(u"Old", u"Lines", nullptr), u"one  two three");
    EXPECT_EQ(p.GetReadOnly(p.FindKey(u"Old", u"Lines")), 1);
}
