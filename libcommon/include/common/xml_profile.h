// SPDX-License-Identifier: BSD-2-Clause
// An in-memory settings store of named sections of named string keys with
// the familiar profile calls, kept in an XML profile file (or an INI file).
//
// Section and key names are compared without regard to case, like the
// desktop profile calls this store stands in for (and like the INI reader
// LoadIni uses); the element names of the file are compared exactly.
// Text arguments that may be null are pointers: a null key or value means
// "remove", as in the desktop calls.
#pragma once

#include "common/linked_list.h"
#include "common/platform.h"
#include "common/xml_parser.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

class CXmlProfileKey {
public:
    CXmlProfileKey() = default;
    CXmlProfileKey(const char16_t* name, const char16_t* value, int readOnly) { Init(name, value, readOnly); }
    void Init(const char16_t* name, const char16_t* value, int readOnly);

    std::u16string m_strName;
    std::u16string m_strValue;
    int m_nReadOnly = 0;
};

class CXmlProfileSection {
public:
    CXmlProfileSection(std::u16string name, int readOnly) : m_strName(std::move(name)), m_nReadOnly(readOnly) {}
    CXmlProfileSection(const CXmlProfileSection&) = delete;
    CXmlProfileSection& operator=(const CXmlProfileSection&) = delete;
    ~CXmlProfileSection();

    std::u16string m_strName;
    int m_nReadOnly = 0;
    CLinkedList<CXmlProfileKey> m_lstKeys; // owned, in insertion order
};

struct CXmlProfileSectionEntry {
    std::u16string m_strName;
    int m_nReadOnly = 0;
};

class CXmlProfile {
public:
    using ENCODING = CXmlParser::ENCODING;
    using SectionNode = CLinkedListElement<CXmlProfileSection>;
    using KeyNode = CLinkedListElement<CXmlProfileKey>;

    CXmlProfile();
    // Copies share the sections; the last copy to go frees them.
    CXmlProfile(const CXmlProfile& other);
    CXmlProfile& operator=(const CXmlProfile& other);
    virtual ~CXmlProfile();

    int Load(const std::filesystem::path& path, ENCODING encoding = CXmlParser::ENCODING_AUTO);
    int LoadIni(const std::filesystem::path& path, ENCODING encoding = CXmlParser::ENCODING_AUTO);
    int Save(const std::filesystem::path& path, ENCODING encoding = CXmlParser::ENCODING_AUTO);
    int Save(ENCODING encoding = CXmlParser::ENCODING_AUTO);
    int SaveIni(const std::filesystem::path& path, ENCODING encoding = CXmlParser::ENCODING_AUTO);
    void Close(int save);
    int IsFileOpen() const { return m_nFileOpen; }
    void DeleteContents();
    int Validate() const;

    SectionNode* FindSection(const char16_t* name) const;
    KeyNode* FindKey(const char16_t* section, const char16_t* key) const;
    KeyNode* FindKey(SectionNode* section, const char16_t* key) const;
    int IsSection(const char16_t* name) const { return FindSection(name) ? 1 : 0; }
    int IsKey(const char16_t* section, const char16_t* key) const { return FindKey(section, key) ? 1 : 0; }
    std::u16string GetKey(const char16_t* section, const char16_t* key, const char16_t* def) const;
    KeyNode* SetKey(const char16_t* section, const char16_t* key, const char16_t* value, int readOnly = 0);
    KeyNode* SetKey(SectionNode* section, const char16_t* key, const char16_t* value, int readOnly = 0);

    unsigned GetNumSections() const;
    unsigned GetNumKeys(const char16_t* section) const;
    // New arrays (free with delete[]); 0 and a null array when there is nothing.
    unsigned GetSections(CXmlProfileSectionEntry*& sections) const;
    unsigned GetKeys(const char16_t* section, CXmlProfileKey*& keys) const;
    int SetKeys(const char16_t* section, const CXmlProfileKey* keys, unsigned count);

    int GetReadOnly(SectionNode* section) const { return section && section->m_pData ? section->m_pData->m_nReadOnly : 0; }
    int GetReadOnly(KeyNode* key) const { return key && key->m_pData ? key->m_pData->m_nReadOnly : 0; }
    void SetReadOnly(SectionNode* section, int readOnly);
    void SetReadOnly(KeyNode* key, int readOnly);

    std::u16string GetProfileStringW(const char16_t* section, const char16_t* key, const char16_t* def) const;
    int WriteProfileStringW(const char16_t* section, const char16_t* key, const char16_t* value);
    unsigned GetProfileIntW(const char16_t* section, const char16_t* key, int def) const;
    int WriteProfileInt(const char16_t* section, const char16_t* key, int value);
    // data gets a new buffer (free with delete[]) of size bytes.
    int GetProfileBinary(const char16_t* section, const char16_t* key, BYTE** data, unsigned* size) const;
    int WriteProfileBinary(const char16_t* section, const char16_t* key, const BYTE* data, unsigned length);
    void Dump() const {}

    // What the last load met and where it came from.
    unsigned GetDuplicateKeys() const { return m_nDuplicateKeys; }
    unsigned GetInvalidKeys() const { return m_nInvalidKeys; }
    int HasDuplicateSection() const { return m_bDuplicateSection; }
    int IsModified() const { return m_bModified; }
    const std::u16string& GetPath() const { return m_strPath; }
    ENCODING GetEncoding() const { return m_nEncoding; }

protected:
    static unsigned long GetProfileFileSize(const std::filesystem::path& path);
    int WriteString(std::FILE* file, std::u16string_view text, ENCODING encoding, int withMark);

    CLinkedList<CXmlProfileSection> m_lstSections; // owned, shared with copies
    std::u16string m_strPath;
    ENCODING m_nEncoding = CXmlParser::ENCODING_AUTO;
    unsigned m_nDuplicateKeys = 0;
    unsigned m_nInvalidKeys = 0;
    int m_bDuplicateSection = 0;
    int m_bSkipDuplicateKeys = 1;
    int m_nFileOpen = 0;
    int m_bModified = 0;
    const char16_t* m_szProfile = u"profile";
    const char16_t* m_szSection = u"section";
    const char16_t* m_szKey = u"key";
    const char16_t* m_szName = u"name";
    const char16_t* m_szValue = u"value";
    const char16_t* m_szReadOnly = u"readonly";

private:
    // Empties the profile and its load counters before a load.
    void BeginLoad(const std::filesystem::path& path);
    bool RemoveSection(SectionNode* section);
};
