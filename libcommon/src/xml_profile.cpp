// SPDX-License-Identifier: BSD-2-Clause
#include "common/xml_profile.h"

#include "common/ini.h"
#include "common/text.h"

#include <sys/stat.h>

using common::EqualsNoCase;

namespace {

std::u16string_view View(const char16_t* text)
{
    return text ? std::u16string_view(text) : std::u16string_view();
}

bool Empty(const char16_t* text)
{
    return !text || !*text;
}

// Names and values are written with &, ", < and > as entities, and with
// character references for what the reader would misread: "=" (the reader
// finds an attribute by the first "name=" in the whole tag, so a name or
// value holding "value=" would be taken for the attribute), control
// characters (the parser turns line breaks and tabs into blanks) and lone
// surrogates (no UTF-8 form). The reader's GetValue turns them all back.
std::u16string Escaped(std::u16string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    auto reference = [&out](unsigned code) {
        const std::string digits = std::to_string(code);
        out += u"&#";
        out.append(digits.begin(), digits.end());
        out += u';';
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        const bool paired = high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        if (paired) {
            out += c;
            out += text[++i];
            continue;
        }
        switch (c) {
        case u'&':
            out += u"&amp;";
            break;
        case u'"':
            out += u"&quot;";
            break;
        case u'<':
            out += u"&lt;";
            break;
        case u'>':
            out += u"&gt;";
            break;
        default:
            if (c < 0x20 || c == u'=' || (c >= 0xD800 && c <= 0xDFFF))
                reference(c);
            else
                out += c;
        }
    }
    return out;
}

} // namespace

void CXmlProfileKey::Init(const char16_t* name, const char16_t* value, int readOnly)
{
    m_strName = View(name);
    m_strValue = View(value);
    m_nReadOnly = readOnly;
}

CXmlProfileSection::~CXmlProfileSection()
{
    for (CXmlProfileKey* key : m_lstKeys)
        delete key;
}

CXmlProfile::CXmlProfile() = default;

CXmlProfile::CXmlProfile(const CXmlProfile& other)
    : m_lstSections(other.m_lstSections), m_strPath(other.m_strPath), m_nEncoding(other.m_nEncoding),
      m_nDuplicateKeys(other.m_nDuplicateKeys), m_nInvalidKeys(other.m_nInvalidKeys),
      m_bDuplicateSection(other.m_bDuplicateSection), m_bSkipDuplicateKeys(other.m_bSkipDuplicateKeys),
      m_nFileOpen(other.m_nFileOpen), m_bModified(other.m_bModified)
{
}

CXmlProfile& CXmlProfile::operator=(const CXmlProfile& other)
{
    if (this == &other)
        return *this;
    if (m_lstSections.GetRefCount() == 1)
        DeleteContents();
    m_lstSections = other.m_lstSections;
    m_strPath = other.m_strPath;
    m_nEncoding = other.m_nEncoding;
    m_nDuplicateKeys = other.m_nDuplicateKeys;
    m_nInvalidKeys = other.m_nInvalidKeys;
    m_bDuplicateSection = other.m_bDuplicateSection;
    m_bSkipDuplicateKeys = other.m_bSkipDuplicateKeys;
    m_nFileOpen = other.m_nFileOpen;
    m_bModified = other.m_bModified;
    return *this;
}

CXmlProfile::~CXmlProfile()
{
    // Only the last profile sharing the sections frees them.
    if (m_lstSections.GetRefCount() == 1)
        DeleteContents();
}

void CXmlProfile::DeleteContents()
{
    for (CXmlProfileSection* section : m_lstSections)
        delete section;
    m_lstSections.RemoveAll();
}

void CXmlProfile::BeginLoad(const std::filesystem::path& path)
{
    DeleteContents();
    m_nDuplicateKeys = 0;
    m_nInvalidKeys = 0;
    m_bDuplicateSection = 0;
    m_nEncoding = CXmlParser::ENCODING_AUTO;
    m_strPath = common::PathToU16(path);
}

int CXmlProfile::Load(const std::filesystem::path& path, ENCODING encoding)
{
    BeginLoad(path);

    CXmlParser parser;
    if (!parser.Load(path, encoding)) {
        m_bModified = 0;
        return 0;
    }
    m_nEncoding = encoding;
    CXmlElement* root = parser.GetRootElement();
    if (root->m_strName == m_szProfile) {
        for (CXmlElement* sectionElement : root->m_lstChildren) {
            if (sectionElement->m_strName != m_szSection)
                continue;
            const std::u16string sectionName = sectionElement->GetValue(m_szName);
            if (sectionName.empty())
                continue;
            const int sectionReadOnly = common::ParseLeadingInt(sectionElement->GetValue(m_szReadOnly));
            if (FindSection(sectionName.c_str())) {
                m_bDuplicateSection = 1;
                break;
            }
            CXmlProfileSection* section = nullptr;
            for (CXmlElement* keyElement : sectionElement->m_lstChildren) {
                if (keyElement->m_strName != m_szKey)
                    continue;
                const std::u16string name = keyElement->GetValue(m_szName);
                const std::u16string value = keyElement->GetValue(m_szValue);
                const int readOnly = common::ParseLeadingInt(keyElement->GetValue(m_szReadOnly));
                if (name.empty() || value.empty()) {
                    ++m_nInvalidKeys;
                    continue;
                }
                if (!section) {
                    section = new CXmlProfileSection(sectionName, sectionReadOnly);
                    m_lstSections.AddTail(section);
                }
                bool duplicate = false;
                for (CXmlProfileKey* key : section->m_lstKeys)
                    duplicate = duplicate || EqualsNoCase(key->m_strName, name);
                if (duplicate && m_bSkipDuplicateKeys) {
                    ++m_nDuplicateKeys;
                    continue;
                }
                section->m_lstKeys.AddTail(new CXmlProfileKey(name.c_str(), value.c_str(), readOnly));
            }
        }
    }
    m_nFileOpen = 1;
    m_bModified = 0;
    return m_bDuplicateSection ? 0 : 1;
}

int CXmlProfile::LoadIni(const std::filesystem::path& path, ENCODING encoding)
{
    BeginLoad(path);
    m_nEncoding = encoding;
    m_nFileOpen = 1;
    // The reader finds the encoding from the file's byte-order mark itself;
    // the encoding given is kept for saving.
    common::IniFile ini;
    if (path.empty() || GetProfileFileSize(path) == 0 || !ini.Load(path))
        return 0;
    for (const common::IniSection& section : ini.Sections()) {
        if (section.name.empty())
            continue;
        for (const common::IniEntry& entry : section.entries) {
            if (entry.hasEquals)
                SetKey(section.name.c_str(), entry.key.c_str(), entry.value.c_str(), 0);
        }
    }
    return 1;
}

int CXmlProfile::WriteString(std::FILE* file, std::u16string_view text, ENCODING encoding, int withMark)
{
    if (!file || text.empty())
        return 0;
    const std::string bytes = common::EncodeText(text, encoding, withMark != 0);
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() ? 1 : 0;
}

int CXmlProfile::Save(const std::filesystem::path& path, ENCODING encoding)
{
    if (path.empty())
        return 0;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    const bool narrow = encoding == CXmlParser::ENCODING_ANSI;
    // Every write must succeed for the save to count, not only the last.
    int ok = WriteString(file,
                         narrow ? u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                                : u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n",
                         encoding, 1);
    auto line = [&](const std::u16string& text) { ok &= WriteString(file, text, encoding, 0); };
    line(u"<" + std::u16string(m_szProfile) + u">\r\n");
    for (CXmlProfileSection* section : m_lstSections) {
        std::u16string head = u"\t<" + std::u16string(m_szSection) + u" " + m_szName + u"=\""
                              + Escaped(section->m_strName) + u"\"";
        if (section->m_nReadOnly)
            head += u" " + std::u16string(m_szReadOnly) + u"=\"1\"";
        line(head + u">\r\n");
        for (CXmlProfileKey* key : section->m_lstKeys) {
            if (key->m_strName.empty() || key->m_strValue.empty())
                continue;
            std::u16string text = u"\t\t<" + std::u16string(m_szKey) + u" " + m_szName + u"=\""
                                  + Escaped(key->m_strName) + u"\" " + m_szValue + u"=\""
                                  + Escaped(key->m_strValue) + u"\"";
            if (key->m_nReadOnly)
                text += u" " + std::u16string(m_szReadOnly) + u"=\"1\"";
            line(text + u"/>\r\n");
        }
        line(u"\t</" + std::u16string(m_szSection) + u">\r\n");
    }
    line(u"</" + std::u16string(m_szProfile) + u">\r\n");
    if (std::fclose(file) != 0)
        ok = 0;
    m_bModified = 0;
    return ok;
}

int CXmlProfile::Save(ENCODING encoding)
{
    return Save(common::U16ToPath(m_strPath), encoding);
}

int CXmlProfile::SaveIni(const std::filesystem::path& path, ENCODING encoding)
{
    if (path.empty())
        return 0;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    int result = 0;
    bool first = true;
    bool allWritten = true;
    for (CXmlProfileSection* section : m_lstSections) {
        bool headerWritten = false;
        for (CXmlProfileKey* key : section->m_lstKeys) {
            if (key->m_strName.empty() || key->m_strValue.empty())
                continue;
            if (!headerWritten) {
                const std::u16string head = (first ? u"" : u"\r\n") + (u"[" + section->m_strName + u"]\r\n");
                allWritten &= WriteString(file, head, encoding, first ? 1 : 0) == 1;
                first = false;
                headerWritten = true;
            }
            result = WriteString(file, key->m_strName + u"=" + key->m_strValue + u"\r\n", encoding, 0);
            allWritten &= result == 1;
        }
    }
    if (std::fclose(file) != 0)
        allWritten = false;
    return allWritten ? result : 0;
}

void CXmlProfile::Close(int save)
{
    if (m_bModified && save)
        Save(m_nEncoding);
    m_nFileOpen = 0;
}

int CXmlProfile::Validate() const
{
    for (CXmlProfileSection* section : m_lstSections) {
        if (section->m_strName.empty())
            return 0;
        for (CXmlProfileKey* key : section->m_lstKeys) {
            if (key->m_strName.empty() || key->m_strValue.empty())
                return 0;
        }
    }
    return 1;
}

CXmlProfile::SectionNode* CXmlProfile::FindSection(const char16_t* name) const
{
    if (Empty(name))
        return nullptr;
    for (SectionNode* node = m_lstSections.GetFirst(); node->m_pData; node = node->m_pNext) {
        if (EqualsNoCase(node->m_pData->m_strName, name))
            return node;
    }
    return nullptr;
}

CXmlProfile::KeyNode* CXmlProfile::FindKey(const char16_t* section, const char16_t* key) const
{
    if (Empty(section) || Empty(key))
        return nullptr;
    return FindKey(FindSection(section), key);
}

CXmlProfile::KeyNode* CXmlProfile::FindKey(SectionNode* section, const char16_t* key) const
{
    if (!section || !section->m_pData || Empty(key))
        return nullptr;
    CLinkedList<CXmlProfileKey>& keys = section->m_pData->m_lstKeys;
    for (KeyNode* node = keys.GetFirst(); node->m_pData; node = node->m_pNext) {
        if (EqualsNoCase(node->m_pData->m_strName, key))
            return node;
    }
    return nullptr;
}

std::u16string CXmlProfile::GetKey(const char16_t* section, const char16_t* key, const char16_t* def) const
{
    const KeyNode* node = FindKey(section, key);
    return node ? node->m_pData->m_strValue : std::u16string(View(def));
}

bool CXmlProfile::RemoveSection(SectionNode* section)
{
    delete m_lstSections.Remove(section);
    m_bModified = 1;
    return true;
}

CXmlProfile::KeyNode* CXmlProfile::SetKey(const char16_t* section, const char16_t* key, const char16_t* value,
                                          int readOnly)
{
    if (Empty(section))
        return nullptr;
    SectionNode* node = FindSection(section);
    if (!node) {
        // Removing from a section that does not exist changes nothing.
        if (!key || !value)
            return nullptr;
        node = m_lstSections.AddTail(new CXmlProfileSection(section, 0));
        m_bModified = 1;
    }
    return SetKey(node, key, value, readOnly);
}

CXmlProfile::KeyNode* CXmlProfile::SetKey(SectionNode* section, const char16_t* key, const char16_t* value,
                                          int readOnly)
{
    if (!section || !section->m_pData || section->m_pData->m_nReadOnly)
        return nullptr;
    if (!key) {
        RemoveSection(section);
        return nullptr;
    }
    CLinkedList<CXmlProfileKey>& keys = section->m_pData->m_lstKeys;
    KeyNode* found = FindKey(section, key);
    if (!found) {
        // A null value removes; with no key to remove there is nothing to do
        // (making an empty key would report a removal as a write).
        if (!value)
            return nullptr;
        m_bModified = 1;
        return keys.AddTail(new CXmlProfileKey(key, value, readOnly));
    }
    if (found->m_pData->m_nReadOnly)
        return nullptr;
    m_bModified = 1;
    if (value) {
        found->m_pData->m_strValue = value;
        return found;
    }
    for (KeyNode* node = keys.GetFirst(); node->m_pData;) {
        KeyNode* next = node->m_pNext;
        if (EqualsNoCase(node->m_pData->m_strName, key))
            delete keys.Remove(node);
        node = next;
    }
    return nullptr;
}

unsigned CXmlProfile::GetNumSections() const
{
    return static_cast<unsigned>(m_lstSections.GetCount());
}

unsigned CXmlProfile::GetNumKeys(const char16_t* section) const
{
    const SectionNode* node = FindSection(section);
    return node ? static_cast<unsigned>(node->m_pData->m_lstKeys.GetCount()) : 0;
}

unsigned CXmlProfile::GetSections(CXmlProfileSectionEntry*& sections) const
{
    sections = nullptr;
    const unsigned count = GetNumSections();
    if (count == 0)
        return 0;
    sections = new CXmlProfileSectionEntry[count];
    unsigned i = 0;
    for (CXmlProfileSection* section : m_lstSections)
        sections[i++] = {section->m_strName, section->m_nReadOnly};
    return count;
}

unsigned CXmlProfile::GetKeys(const char16_t* section, CXmlProfileKey*& keys) const
{
    keys = nullptr;
    const SectionNode* node = FindSection(section);
    const unsigned count = node ? static_cast<unsigned>(node->m_pData->m_lstKeys.GetCount()) : 0;
    if (count == 0)
        return 0;
    keys = new CXmlProfileKey[count];
    unsigned i = 0;
    for (CXmlProfileKey* key : node->m_pData->m_lstKeys)
        keys[i++] = *key;
    return count;
}

int CXmlProfile::SetKeys(const char16_t* section, const CXmlProfileKey* keys, unsigned count)
{
    if (Empty(section) || !keys || count == 0)
        return 0;
    int any = 0;
    for (unsigned i = 0; i < count; ++i) {
        if (SetKey(section, keys[i].m_strName.c_str(), keys[i].m_strValue.c_str(), keys[i].m_nReadOnly))
            any = 1;
    }
    return any;
}

void CXmlProfile::SetReadOnly(SectionNode* section, int readOnly)
{
    if (section && section->m_pData) {
        section->m_pData->m_nReadOnly = readOnly;
        m_bModified = 1;
    }
}

void CXmlProfile::SetReadOnly(KeyNode* key, int readOnly)
{
    if (key && key->m_pData) {
        key->m_pData->m_nReadOnly = readOnly;
        m_bModified = 1;
    }
}

std::u16string CXmlProfile::GetProfileStringW(const char16_t* section, const char16_t* key,
                                              const char16_t* def) const
{
    if (section && key)
        return GetKey(section, key, def);
    return std::u16string(View(def));
}

int CXmlProfile::WriteProfileStringW(const char16_t* section, const char16_t* key, const char16_t* value)
{
    if (!section)
        return 0;
    return SetKey(section, key, value, 0) ? 1 : 0;
}

unsigned CXmlProfile::GetProfileIntW(const char16_t* section, const char16_t* key, int def) const
{
    const std::u16string text = GetProfileStringW(section, key, nullptr);
    return static_cast<unsigned>(text.empty() ? def : common::ParseLeadingInt(text));
}

int CXmlProfile::WriteProfileInt(const char16_t* section, const char16_t* key, int value)
{
    if (!section || !key)
        return 0;
    const std::string digits = std::to_string(value);
    return SetKey(section, key, std::u16string(digits.begin(), digits.end()).c_str(), 0) ? 1 : 0;
}

int CXmlProfile::GetProfileBinary(const char16_t* section, const char16_t* key, BYTE** data,
                                  unsigned* size) const
{
    if (!section || !key || !data || !size)
        return 0;
    *data = nullptr;
    *size = 0;
    const std::u16string text = GetProfileStringW(section, key, nullptr);
    if (text.empty())
        return 0;
    const unsigned length = static_cast<unsigned>(text.size() / 2);
    *data = new BYTE[length ? length : 1];
    for (unsigned i = 0; i < length; ++i) {
        *(*data + i) = static_cast<BYTE>((text[2 * i] - u'A') + 16 * (text[2 * i + 1] - u'A'));
    }
    *size = length;
    return 1;
}

int CXmlProfile::WriteProfileBinary(const char16_t* section, const char16_t* key, const BYTE* data,
                                    unsigned length)
{
    if (!section || !key || !data || length == 0)
        return 0;
    std::u16string text;
    text.reserve(2 * static_cast<std::size_t>(length));
    for (unsigned i = 0; i < length; ++i) {
        text.push_back(static_cast<char16_t>(u'A' + (data[i] & 0x0F)));
        text.push_back(static_cast<char16_t>(u'A' + (data[i] >> 4)));
    }
    return SetKey(section, key, text.c_str(), 0) ? 1 : 0;
}

unsigned long CXmlProfile::GetProfileFileSize(const std::filesystem::path& path)
{
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    return static_cast<unsigned long>(st.st_size);
}
