// SPDX-License-Identifier: GPL-2.0-or-later
// Feeds arbitrary text to the XML parser: as UTF-8 and as UTF-16LE, then
// walks the tree, reads attributes, writes the tree out and parses that text
// again. (The written text need not read back to the same tree: an element
// with a value and children loses its value, as the format's rules say.)
#include "common/text.h"
#include "common/xml_parser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

class Parser : public CXmlParser {
public:
    using CXmlParser::Generate;
};

void Walk(Parser& parser, CXmlElement* element)
{
    for (CXmlElement* child = parser.GetFirstChild(element); child; child = parser.GetNextSibling(element)) {
        (void)child->GetValue(u"name");
        (void)child->GetValue(u"");
        if (child->m_pParent != element)
            std::abort();
    }
    if (CXmlElement* first = element->m_lstChildren.GetFirst()->m_pData) {
        for (CXmlElement* e = parser.FindElement(element, first->m_strName.c_str()); e;
             e = parser.FindNextElement(element)) {
        }
    }
}

void Exercise(std::u16string_view text)
{
    Parser parser;
    parser.Parse(text);
    Walk(parser, parser.GetRootElement());
    const std::u16string written = parser.Generate(true);
    Parser again;
    again.Parse(written);
    Walk(again, again.GetRootElement());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Exercise(common::Utf8ToUtf16(bytes));
    Exercise(common::FromUtf16LeBytes(bytes));
    return 0;
}
