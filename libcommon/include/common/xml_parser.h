// SPDX-License-Identifier: BSD-2-Clause
// A reader and writer for a small, regular subset of XML: element names, the
// raw attribute text of each element and one text value per element.
// Declarations, comments and processing instructions are skipped; end tags
// are not checked against their start tags.
//
// Element names are compared with regard to case, as XML does.
// Files are UTF-16 little-endian with a byte-order mark, or the narrow
// "system code page", which is UTF-8 here.
#pragma once

#include "common/linked_list.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

class CXmlElement {
public:
    CXmlElement() = default;
    CXmlElement(const CXmlElement&) = delete;
    CXmlElement& operator=(const CXmlElement&) = delete;
    // Destroys the whole subtree (without recursion, so depth is no limit).
    virtual ~CXmlElement();

    // The value of one attribute of the raw attribute text: the text between
    // the first `attribute=` and the next double quote, skipping the opening
    // quote, with &amp; &quot; &lt; &gt; and character references (&#61;,
    // &#x3D;) undone. Empty when absent.
    std::u16string GetValue(std::u16string_view attribute) const;

    std::u16string m_strName;
    std::u16string m_strAttributes; // raw, trimmed
    std::u16string m_strValue;      // trimmed text content
    std::u16string m_strFindName;   // the name last given to FindElement
    CLinkedList<CXmlElement> m_lstChildren; // owned
    CLinkedListElement<CXmlElement>* m_posCursor = nullptr; // last child handed out
    CXmlElement* m_pParent = nullptr;
};

class CXmlParser {
public:
    enum ENCODING {
        ENCODING_AUTO = 0, // load: UTF-16 when the file starts with its BOM; save: UTF-16
        ENCODING_ANSI = 1, // the system code page (UTF-8)
        ENCODING_UTF16 = 2 // UTF-16 little-endian
    };

    CXmlParser();
    CXmlParser(const CXmlParser&) = delete;
    CXmlParser& operator=(const CXmlParser&) = delete;
    virtual ~CXmlParser();

    // 0 for a missing, unreadable, empty or too large file (over
    // kMaxTextFileBytes) and for empty text; the tree is then unchanged.
    int Load(const std::filesystem::path& path, ENCODING encoding = ENCODING_AUTO);
    // 0 when the file cannot be created or written.
    int Save(const std::filesystem::path& path, ENCODING encoding = ENCODING_AUTO);
    int Parse(std::u16string_view text);
    void DeleteContents();

    CXmlElement* GetRootElement() { return &m_root; }
    // Null name, attributes or value leave the field empty; a null parent
    // adds nothing.
    CXmlElement* AddElement(CXmlElement* parent, const char16_t* name, const char16_t* attributes,
                            const char16_t* value);
    CXmlElement* GetFirstChild(CXmlElement* element);
    // The child after element's cursor; null at the end or before any
    // GetFirstChild / FindElement on element.
    CXmlElement* GetNextSibling(CXmlElement* element);
    CXmlElement* FindElement(CXmlElement* parent, const char16_t* name);
    CXmlElement* FindNextElement(CXmlElement* parent);

    // Why the last Load or Save failed.
    const std::string& GetLastError() const { return m_strError; }

protected:
    std::u16string Generate(bool utf16);
    int CreateTag(CXmlElement* element, std::u16string& out);
    // -1 ignored, 0 opening, 1 closing, 2 self-closing; content gets the tag
    // text without its brackets and slashes.
    int ValidateTag(std::u16string_view tag, std::u16string& content);

    int m_nLevel = -1;
    std::u16string m_strXml;
    CXmlElement m_root;
    CXmlElement* m_pCurrent;
    std::string m_strError;
};

namespace common {
// The bytes of a file in an encoding of CXmlParser: UTF-16LE after its BOM
// (when mark is set), else UTF-8 without a mark.
std::string EncodeText(std::u16string_view text, CXmlParser::ENCODING encoding, bool mark);
// Creates or truncates a file and writes all the bytes; false on failure.
bool WriteWholeFile(const std::filesystem::path& path, std::string_view bytes, std::string* error);
} // namespace common
