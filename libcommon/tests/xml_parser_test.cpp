// SPDX-License-Identifier: BSD-2-Clause
#include "common/text.h"
#include "common/xml_parser.h"

#include "test_util.h"

#include <gtest/gtest.h>

namespace {

// Opens the protected steps for the tests.
class Parser : public CXmlParser {
public:
    using CXmlParser::CreateTag;
    using CXmlParser::Generate;
    using CXmlParser::ValidateTag;
};

std::vector<std::u16string> ChildNames(CXmlElement* e)
{
    std::vector<std::u16string> names;
    for (CXmlElement* child : e->m_lstChildren)
        names.push_back(child->m_strName);
    return names;
}

} // namespace

TEST(LinkedList, SentinelWalkAndSharedCopies)
{
    int a = 1, b = 2, c = 3;
    CLinkedList<int> list;
    EXPECT_TRUE(list.GetFirst()->IsSentinel());
    list.AddTail(&b);
    list.AddHead(&a);
    auto* last = list.AddTail(&c);
    EXPECT_EQ(list.AddTail(nullptr), nullptr);
    {
        CLinkedList<int> copy = list;
        EXPECT_EQ(list.GetRefCount(), 2u);
        copy.Remove(copy.Find(&b));
    }
    EXPECT_EQ(list.GetRefCount(), 1u);
    std::vector<int> seen;
    for (auto* n = list.GetFirst(); n->m_pData; n = n->m_pNext)
        seen.push_back(*n->m_pData);
    EXPECT_EQ(seen, (std::vector<int>{1, 3}));
    EXPECT_EQ(list.GetLast(), last);
    EXPECT_EQ(list.Remove(list.GetSentinel()), nullptr);
    EXPECT_EQ(list.GetCount(), 2u);
}

TEST(XmlParser, TreeShapesAndValues)
{
    Parser p;
    p.Parse(u"<a><b x=\"1\"/><c>t</c></a>");
    CXmlElement* a = p.GetRootElement();
    EXPECT_EQ(a->m_strName, u"a");
    ASSERT_EQ(ChildNames(a), (std::vector<std::u16string>{u"b", u"c"}));
    CXmlElement* b = p.GetFirstChild(a);
    EXPECT_EQ(b->m_strAttributes, u"x=\"1\"");
    EXPECT_EQ(b->m_strValue, u"");
    CXmlElement* c = p.GetNextSibling(a);
    EXPECT_EQ(c->m_strValue, u"t");
    EXPECT_EQ(c->m_pParent, a);
    EXPECT_EQ(p.GetNextSibling(a), nullptr);
    EXPECT_EQ(p.GetNextSibling(a), nullptr);

    // Every "<" replaces the current element's value: y wins over x.
    p.Parse(u"<a> x <e/>\n\t y </a>");
    EXPECT_EQ(p.GetRootElement()->m_strValue, u"y");

    // A declaration (ignored) and the line break after it join the root's tag.
    p.Parse(u"<?xml version=\"1.0\"?>\r\n<root k=\"v\">\r\n\t<item/>\r\n</root>");
    EXPECT_EQ(p.GetRootElement()->m_strName, u"root");
    EXPECT_EQ(p.GetRootElement()->m_strAttributes, u"k=\"v\"");
    EXPECT_EQ(ChildNames(p.GetRootElement()), (std::vector<std::u16string>{u"item"}));

    // A wrong end tag name still closes the current element.
    p.Parse(u"<a><b><c/></wrong><d/></a>");
    EXPECT_EQ(ChildNames(p.GetRootElement()), (std::vector<std::u16string>{u"b", u"d"}));

    // A comment between children does not swallow the next element's name.
    p.Parse(u"<a>\n<!-- note -->\n<b/></a>");
    EXPECT_EQ(ChildNames(p.GetRootElement()), (std::vector<std::u16string>{u"b"}));
}

TEST(XmlParser, ClassifiesTags)
{
    Parser p;
    std::u16string content;
    EXPECT_EQ(p.ValidateTag(u"", content), -1);
    EXPECT_EQ(p.ValidateTag(u"<!-- x -->", content), -1);
    EXPECT_EQ(p.ValidateTag(u"<?xml?>", content), -1);
    EXPECT_EQ(p.ValidateTag(u"<a b=\"1\">", content), 0);
    EXPECT_EQ(content, u"a b=\"1\"");
    EXPECT_EQ(p.ValidateTag(u"</a>", content), 1);
    EXPECT_EQ(content, u"a");
    EXPECT_EQ(p.ValidateTag(u"<a x=\"1\"/>", content), 2);
    EXPECT_EQ(content, u"a x=\"1\"");
    EXPECT_EQ(p.ValidateTag(u"</>", content), 2);
    EXPECT_EQ(content, u"");
}

TEST(XmlParser, AttributeValues)
{
    CXmlElement e;
    e.m_strAttributes = u"xid=\"1\" id=\"2\" t=\"a &amp;lt; &quot;q&quot; &lt;b&gt;\" open=\"tail";
    // The first match of the name and "=" anywhere in the text wins.
    EXPECT_EQ(e.GetValue(u"id"), u"1");
    // Entities are undone once: "&amp;lt;" is the text "&lt;".
    EXPECT_EQ(e.GetValue(u"t"), u"a &lt; \"q\" <b>");
    EXPECT_EQ(e.GetValue(u"open"), u"tail");
    EXPECT_EQ(e.GetValue(u"none"), u"");
    e.m_strAttributes = u"end=";
    EXPECT_EQ(e.GetValue(u"end"), u"");
    // Character references, decimal and hexadecimal, beyond the BMP too;
    // what is not one (no digits, no ";", 0, past Unicode) stays text.
    e.m_strAttributes = u"r=\"&#61;&#x3d;&#9;&#X1F600;|&#;&#12 &#0;&#x110000;&#xg;&amp;#10;\"";
    EXPECT_EQ(e.GetValue(u"r"), u"==\t\U0001F600|&#;&#12 &#0;&#x110000;&#xg;&#10;");
}

TEST(XmlParser, FindAndCursors)
{
    Parser p;
    p.Parse(u"<r><k n=\"1\"/><s/><k n=\"2\"/><K n=\"3\"/></r>");
    CXmlElement* r = p.GetRootElement();
    CXmlElement* k = p.FindElement(r, u"k");
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(k->GetValue(u"n"), u"1");
    k = p.FindNextElement(r);
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(k->GetValue(u"n"), u"2");
    EXPECT_EQ(p.FindNextElement(r), nullptr) << "names are compared with regard to case";
    EXPECT_EQ(p.FindNextElement(r), nullptr);
    EXPECT_EQ(p.FindElement(r, u"missing"), nullptr);
    EXPECT_EQ(p.FindElement(nullptr, u"k"), nullptr);
    EXPECT_EQ(p.GetNextSibling(p.FindElement(r, u"s")), nullptr); // s has no cursor
}

TEST(XmlParser, GeneratesIndentedText)
{
    Parser p;
    CXmlElement* root = p.GetRootElement();
    // An empty-named root writes only the declaration.
    EXPECT_EQ(p.Generate(false), u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n");
    root->m_strName = u"a";
    CXmlElement* b = p.AddElement(root, u"  b ", u"x=\"1\"", nullptr);
    p.AddElement(b, u"c", nullptr, u"1 < 2 & 3 > 0");
    p.AddElement(root, nullptr, nullptr, u"skipped: no name");
    CXmlElement* v = p.AddElement(root, u"v", nullptr, u"text");
    p.AddElement(v, u"w", nullptr, nullptr);
    EXPECT_EQ(p.AddElement(nullptr, u"x", nullptr, nullptr), nullptr);
    EXPECT_EQ(p.Generate(true),
              u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
              u"<a>\r\n"
              u"\t<b x=\"1\">\r\n"
              u"\t\t<c>1 &lt; 2 &amp; 3 &gt; 0</c>\r\n"
              u"\t</b>\r\n"
              // Value and children: the value, then the children, and an
              // end tag without indent.
              u"\t<v>text\t\t<w/>\r\n"
              u"</v>\r\n"
              u"</a>\r\n");
    std::u16string out;
    EXPECT_EQ(p.CreateTag(nullptr, out), 0);
    EXPECT_EQ(p.CreateTag(root->m_lstChildren.GetLast()->m_pData->m_lstChildren.GetFirst()->m_pData, out), 1);
}

TEST(XmlParser, FilesInBothEncodings)
{
    testutil::TempDir dir;
    Parser p;
    p.Parse(u"<profile><section name=\"한국어 中文\"><key name=\"k\" value=\"v\"/></section></profile>");
    const std::u16string expected = p.Generate(true).substr(40);
    for (auto encoding : {CXmlParser::ENCODING_AUTO, CXmlParser::ENCODING_UTF16, CXmlParser::ENCODING_ANSI}) {
        SCOPED_TRACE(encoding);
        const auto file = dir / "t.xml";
        ASSERT_EQ(p.Save(file, encoding), 1);
        const std::string bytes = testutil::ReadFile(file);
        if (encoding == CXmlParser::ENCODING_ANSI) {
            EXPECT_EQ(bytes.substr(0, 5), "<?xml");
            EXPECT_NE(bytes.find("한국어 中文"), std::string::npos);
        } else {
            EXPECT_EQ(bytes.substr(0, 4), std::string("\xFF\xFE<\0", 4));
        }
        Parser q;
        ASSERT_EQ(q.Load(file, CXmlParser::ENCODING_AUTO), 1);
        EXPECT_EQ(q.Generate(true).substr(40), expected);
        EXPECT_EQ(q.GetRootElement()->m_lstChildren.GetFirst()->m_pData->GetValue(u"name"), u"한국어 中文");
    }
    // A UTF-8 file with its byte-order mark, and forced encodings.
    testutil::WriteFile(dir / "bom8.xml", "\xEF\xBB\xBF<a><b/></a>");
    Parser q;
    ASSERT_EQ(q.Load(dir / "bom8.xml", CXmlParser::ENCODING_ANSI), 1);
    EXPECT_EQ(q.GetRootElement()->m_strName, u"a");
    testutil::WriteFile(dir / "nobom16.xml", common::ToUtf16LeBytes(u"<z/>"));
    ASSERT_EQ(q.Load(dir / "nobom16.xml", CXmlParser::ENCODING_UTF16), 1);
    EXPECT_EQ(q.GetRootElement()->m_strName, u"z");
}

TEST(XmlParser, LoadFailuresKeepTheTree)
{
    testutil::TempDir dir;
    Parser p;
    p.Parse(u"<keep/>");
    EXPECT_EQ(p.Load(dir / "missing.xml"), 0);
    testutil::WriteFile(dir / "empty.xml", "");
    EXPECT_EQ(p.Load(dir / "empty.xml"), 0);
    testutil::WriteFile(dir / "bomonly.xml", "\xFF\xFE");
    EXPECT_EQ(p.Load(dir / "bomonly.xml"), 0);
    testutil::WriteFile(dir / "zero.xml", std::string("\0<a/>", 5));
    EXPECT_EQ(p.Load(dir / "zero.xml"), 0);
    // Larger than the bound: refused without reading it.
    {
        std::ofstream big(dir / "big.xml", std::ios::binary);
        big.seekp(static_cast<std::streamoff>(common::kMaxTextFileBytes));
        big.put('>');
    }
    EXPECT_EQ(p.Load(dir / "big.xml"), 0);
    EXPECT_NE(p.GetLastError().find("larger"), std::string::npos) << p.GetLastError();
    EXPECT_EQ(p.GetRootElement()->m_strName, u"keep");
    EXPECT_EQ(p.Save(dir / "no/such/folder.xml"), 0);
}

TEST(XmlParser, DeepNestingNeedsNoDeepStack)
{
    Parser p;
    std::u16string text;
    for (int i = 0; i < 300000; ++i)
        text += u"<e>";
    p.Parse(text); // and the next Parse frees the whole chain
    text.clear();
    for (int i = 0; i < 3000; ++i)
        text += u"<e>";
    p.Parse(text);
    // Each level is one line indented by its depth.
    const std::u16string out = p.Generate(false);
    EXPECT_EQ(std::count(out.begin(), out.end(), u'\n'), 1 + 2 * 2999 + 1);
    EXPECT_EQ(static_cast<std::size_t>(std::count(out.begin(), out.end(), u'\t')), 2u * (2998u * 2999 / 2) + 2999);
}
