// SPDX-License-Identifier: BSD-2-Clause
#include "common/xml_parser.h"

#include "common/text.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

using common::Trim;
using common::TrimView;

namespace {

void ReplaceAll(std::u16string& text, std::u16string_view from, std::u16string_view to)
{
    std::u16string out;
    std::size_t pos = 0;
    while (true) {
        const std::size_t hit = text.find(from, pos);
        if (hit == std::u16string::npos)
            break;
        out.append(text, pos, hit - pos);
        out.append(to);
        pos = hit + from.size();
    }
    if (pos == 0)
        return;
    out.append(text, pos, std::u16string::npos);
    text = std::move(out);
}

// Splits tag content into the name (up to the first blank) and the trimmed rest.
void SplitTag(std::u16string_view content, CXmlElement& element)
{
    content = TrimView(content);
    const std::size_t blank = content.find(u' ');
    element.m_strName = std::u16string(content.substr(0, blank));
    element.m_strAttributes = blank == std::u16string_view::npos ? std::u16string()
                                                                 : Trim(content.substr(blank + 1));
}

// A character reference "&#N;" or "&#xH;" at pos: appends the character,
// moves pos past it and returns true. Anything else (no digits, no ";", a
// code of 0 or beyond Unicode) is not a reference and stays as it is.
bool TakeCharacterReference(std::u16string_view raw, std::size_t& pos, std::u16string& out)
{
    if (raw.substr(pos, 2) != u"&#")
        return false;
    std::size_t i = pos + 2;
    const bool hex = i < raw.size() && (raw[i] == u'x' || raw[i] == u'X');
    if (hex)
        ++i;
    const std::size_t digitsStart = i;
    char32_t code = 0;
    for (; i < raw.size() && i - digitsStart < 8; ++i) {
        const char16_t c = raw[i];
        unsigned digit = 0;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (hex && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (hex && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            break;
        code = code * (hex ? 16 : 10) + digit;
    }
    if (i == digitsStart || i >= raw.size() || raw[i] != u';' || code == 0 || code > 0x10FFFF)
        return false;
    if (code > 0xFFFF) {
        code -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (code >> 10));
        out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
        out += static_cast<char16_t>(code);
    }
    pos = i + 1;
    return true;
}

} // namespace

CXmlElement::~CXmlElement()
{
    // Free the subtree with an explicit stack: a deeply nested file must not
    // run the destructor chain off the end of the thread's stack.
    std::vector<CXmlElement*> pending;
    for (CXmlElement* child : m_lstChildren)
        pending.push_back(child);
    m_lstChildren.RemoveAll();
    while (!pending.empty()) {
        CXmlElement* e = pending.back();
        pending.pop_back();
        for (CXmlElement* child : e->m_lstChildren)
            pending.push_back(child);
        e->m_lstChildren.RemoveAll();
        delete e;
    }
}

std::u16string CXmlElement::GetValue(std::u16string_view attribute) const
{
    std::u16string pattern(attribute);
    pattern += u'=';
    const std::size_t hit = m_strAttributes.find(pattern);
    if (hit == std::u16string::npos)
        return {};
    const std::size_t start = hit + pattern.size() + 1; // past the opening quote
    if (start >= m_strAttributes.size())
        return {};
    const std::size_t end = m_strAttributes.find(u'"', start);
    const std::u16string_view raw = std::u16string_view(m_strAttributes).substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
    // One pass over the text: an entity that an earlier replacement would
    // form ("&amp;lt;" read as "<") stays the literal text it stood for.
    static constexpr std::pair<std::u16string_view, char16_t> kEntities[] = {
        {u"&amp;", u'&'}, {u"&quot;", u'"'}, {u"&lt;", u'<'}, {u"&gt;", u'>'}};
    std::u16string value;
    for (std::size_t i = 0; i < raw.size();) {
        bool replaced = false;
        for (const auto& [entity, c] : kEntities) {
            if (raw.substr(i, entity.size()) == entity) {
                value += c;
                i += entity.size();
                replaced = true;
                break;
            }
        }
        if (!replaced)
            replaced = TakeCharacterReference(raw, i, value);
        if (!replaced)
            value += raw[i++];
    }
    return value;
}

CXmlParser::CXmlParser() : m_pCurrent(&m_root) {}

CXmlParser::~CXmlParser() = default;

void CXmlParser::DeleteContents()
{
    for (CXmlElement* child : m_root.m_lstChildren)
        delete child;
    m_root.m_lstChildren.RemoveAll();
    m_root.m_strName.clear();
    m_root.m_strAttributes.clear();
    m_root.m_strValue.clear();
    m_root.m_strFindName.clear();
    m_root.m_posCursor = nullptr;
    m_pCurrent = &m_root;
}

int CXmlParser::Load(const std::filesystem::path& path, ENCODING encoding)
{
    std::string bytes;
    if (path.empty()) {
        m_strError = "no file name";
        return 0;
    }
    if (!common::ReadFileBounded(path, common::kMaxTextFileBytes, bytes, &m_strError))
        return 0;
    if (bytes.empty()) {
        m_strError = path.string() + ": empty file";
        return 0;
    }
    const bool mark = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF
                      && static_cast<unsigned char>(bytes[1]) == 0xFE;
    const bool utf16 = encoding == ENCODING_UTF16 || (encoding == ENCODING_AUTO && mark);
    std::u16string text;
    if (utf16) {
        // An odd last byte still makes a character, as the zero-padded
        // buffer of the desktop reader does.
        if (bytes.size() % 2)
            bytes.push_back('\0');
        text = common::FromUtf16LeBytes(bytes);
    } else {
        std::string_view narrow(bytes);
        if (mark)
            narrow.remove_prefix(2);
        narrow = narrow.substr(0, narrow.find('\0'));
        text = common::Utf8ToUtf16(narrow);
    }
    // The text ends at its first zero, as a C string does.
    text.resize(std::min(text.size(), text.find(u'\0')));
    if (!text.empty() && text.front() == 0xFEFF)
        text.erase(0, 1);
    if (text.empty()) {
        m_strError = path.string() + ": no text";
        return 0;
    }
    m_strError.clear();
    return Parse(text);
}

namespace common {

std::string EncodeText(std::u16string_view text, CXmlParser::ENCODING encoding, bool mark)
{
    if (encoding == CXmlParser::ENCODING_ANSI)
        return Utf16ToUtf8(text);
    std::string out = mark ? std::string("\xFF\xFE") : std::string();
    return out + ToUtf16LeBytes(text);
}

bool WriteWholeFile(const std::filesystem::path& path, std::string_view bytes, std::string* error)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (error)
            *error = path.string() + ": " + std::strerror(errno);
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0) {
            if (error)
                *error = path.string() + ": " + std::strerror(errno);
            ::close(fd);
            return false;
        }
        done += static_cast<std::size_t>(w);
    }
    if (::close(fd) != 0) {
        if (error)
            *error = path.string() + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace common

int CXmlParser::Save(const std::filesystem::path& path, ENCODING encoding)
{
    const bool narrow = encoding == ENCODING_ANSI;
    const std::string bytes = common::EncodeText(Generate(!narrow), encoding, !narrow);
    if (path.empty()) {
        m_strError = "no file name";
        return 0;
    }
    return common::WriteWholeFile(path, bytes, &m_strError) ? 1 : 0;
}

int CXmlParser::Parse(std::u16string_view text)
{
    DeleteContents();
    m_strXml.assign(text);
    for (char16_t& c : m_strXml) {
        if (c == u'\n' || c == u'\r' || c == u'\t')
            c = u' ';
    }
    std::u16string tag;
    std::u16string textBuffer;
    std::u16string content;
    bool inTag = false;
    for (const char16_t c : m_strXml) {
        if (c == u'<') {
            tag.push_back(c);
            m_pCurrent->m_strValue = Trim(textBuffer);
            textBuffer.clear();
            inTag = true;
        } else if (c == u'>') {
            tag.push_back(c);
            const int kind = ValidateTag(tag, content);
            tag.clear();
            if (kind == 0 || kind == 2) {
                if (m_root.m_strName.empty()) {
                    SplitTag(content, m_root);
                } else {
                    auto* element = new CXmlElement;
                    element->m_pParent = m_pCurrent;
                    SplitTag(content, *element);
                    m_pCurrent->m_lstChildren.AddTail(element);
                    m_pCurrent = element;
                }
            }
            if ((kind == 1 || kind == 2) && m_pCurrent->m_pParent)
                m_pCurrent = m_pCurrent->m_pParent;
            if (kind != -1)
                inTag = false;
        } else if (inTag) {
            tag.push_back(c);
        } else {
            textBuffer.push_back(c);
        }
    }
    return 1;
}

int CXmlParser::ValidateTag(std::u16string_view tag, std::u16string& content)
{
    content.clear();
    if (tag.empty())
        return -1;
    int kind = 0;
    char16_t previous = u'0';
    for (const char16_t c : tag) {
        if (previous == u'<') {
            if (c == u'!' || c == u'?')
                return -1;
            if (c == u'/')
                kind = 1;
            else if (c != u'<' && c != u'>')
                content.push_back(c);
        } else if (previous == u'/' && c == u'>') {
            if (!content.empty())
                content.pop_back();
            kind = 2;
        } else if (c != u'<' && c != u'>') {
            content.push_back(c);
        }
        previous = c;
    }
    return kind;
}

std::u16string CXmlParser::Generate(bool utf16)
{
    std::u16string out = utf16 ? u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
                               : u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
    m_nLevel = -1;
    CreateTag(&m_root, out);
    return out;
}

int CXmlParser::CreateTag(CXmlElement* element, std::u16string& out)
{
    if (!element || element->m_strName.empty())
        return 0;
    auto indent = [&] { out.append(m_nLevel > 0 ? static_cast<std::size_t>(m_nLevel) : 0, u'\t'); };
    // Writes the start of an element; true when its content and end tag follow.
    auto open = [&](CXmlElement* e) {
        ++m_nLevel;
        indent();
        out += u'<';
        out += e->m_strName;
        if (!e->m_strAttributes.empty()) {
            out += u' ';
            out += e->m_strAttributes;
        }
        if (e->m_lstChildren.IsEmpty() && e->m_strValue.empty()) {
            out += u"/>\r\n";
            --m_nLevel;
            return false;
        }
        out += u'>';
        out += e->m_strValue.empty() ? std::u16string(u"\r\n") : e->m_strValue;
        return true;
    };
    auto close = [&](CXmlElement* e) {
        if (e->m_strValue.empty())
            indent();
        out += u"</";
        out += e->m_strName;
        out += u">\r\n";
        --m_nLevel;
    };
    // Depth first with an explicit stack, for the same reason as the destructor.
    struct Frame {
        CXmlElement* element;
        CLinkedListElement<CXmlElement>* next;
    };
    std::vector<Frame> stack;
    if (open(element))
        stack.push_back({element, element->m_lstChildren.GetFirst()});
    while (!stack.empty()) {
        Frame& top = stack.back();
        CXmlElement* child = top.next->m_pData;
        if (!child) {
            CXmlElement* done = top.element;
            stack.pop_back();
            close(done);
            continue;
        }
        top.next = top.next->m_pNext;
        if (!child->m_strName.empty() && open(child))
            stack.push_back({child, child->m_lstChildren.GetFirst()});
    }
    return 1;
}

CXmlElement* CXmlParser::AddElement(CXmlElement* parent, const char16_t* name, const char16_t* attributes,
                                    const char16_t* value)
{
    if (!parent)
        return nullptr;
    auto* element = new CXmlElement;
    element->m_pParent = parent;
    if (name)
        element->m_strName = Trim(name);
    if (attributes)
        element->m_strAttributes = attributes;
    if (value) {
        std::u16string escaped = value;
        ReplaceAll(escaped, u"&", u"&amp;");
        ReplaceAll(escaped, u"<", u"&lt;");
        ReplaceAll(escaped, u">", u"&gt;");
        element->m_strValue = std::move(escaped);
    }
    parent->m_lstChildren.AddTail(element);
    return element;
}

CXmlElement* CXmlParser::GetFirstChild(CXmlElement* element)
{
    if (!element)
        return nullptr;
    element->m_posCursor = element->m_lstChildren.GetFirst();
    return element->m_posCursor->m_pData;
}

CXmlElement* CXmlParser::GetNextSibling(CXmlElement* element)
{
    if (!element || !element->m_posCursor || !element->m_posCursor->m_pData)
        return nullptr;
    element->m_posCursor = element->m_posCursor->m_pNext;
    return element->m_posCursor->m_pData;
}

namespace {

CXmlElement* FindFrom(CXmlElement* parent, CLinkedListElement<CXmlElement>* from)
{
    for (auto* node = from; node->m_pData; node = node->m_pNext) {
        if (node->m_pData->m_strName == parent->m_strFindName) {
            parent->m_posCursor = node;
            return node->m_pData;
        }
    }
    parent->m_posCursor = parent->m_lstChildren.GetSentinel();
    return nullptr;
}

} // namespace

CXmlElement* CXmlParser::FindElement(CXmlElement* parent, const char16_t* name)
{
    if (!parent || !name)
        return nullptr;
    parent->m_strFindName = name;
    return FindFrom(parent, parent->m_lstChildren.GetFirst());
}

CXmlElement* CXmlParser::FindNextElement(CXmlElement* parent)
{
    if (!parent || !parent->m_posCursor || !parent->m_posCursor->m_pData)
        return nullptr;
    return FindFrom(parent, parent->m_posCursor->m_pNext);
}
