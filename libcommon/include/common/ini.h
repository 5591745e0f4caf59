// SPDX-License-Identifier: BSD-2-Clause
// The INI reader behind the language tables and CXmlProfile::LoadIni. It
// reads files the way the desktop profile-string reader does:
//  - "[name]" opens a section; "key=value" lines belong to the last one;
//    lines before the first section and lines starting with ";" are ignored;
//  - section and key names are compared without regard to case;
//  - blanks around section names, keys and values are trimmed;
//  - the first of two sections or keys with the same name wins;
//  - a looked-up value in matching single or double quotes is taken without
//    them, and is cut to kMaxIniValue characters.
// Files are UTF-8 (with or without a byte-order mark) or UTF-16LE with its
// byte-order mark.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace common {

// What one value may hold: the reader's 1,024-character buffer less its end mark.
constexpr std::size_t kMaxIniValue = 1023;

struct IniEntry {
    std::u16string key;   // trimmed; for a line without "=" the whole trimmed line
    std::u16string value; // trimmed, quotes kept, never cut
    bool hasEquals = false;
};

struct IniSection {
    std::u16string name;
    std::vector<IniEntry> entries; // file order, later duplicates already dropped
};

class IniFile {
public:
    // False (and an empty table) when the file is missing, unreadable, empty
    // or larger than kMaxTextFileBytes.
    bool Load(const std::filesystem::path& path);
    // Bytes of a file: UTF-16LE when they start with FF FE, else UTF-8 (a
    // UTF-8 byte-order mark is skipped).
    void ParseBytes(std::string_view bytes);
    void Parse(std::u16string_view text);
    void Clear() { m_sections.clear(); }

    const std::vector<IniSection>& Sections() const { return m_sections; }
    const IniSection* FindSection(std::u16string_view name) const;
    const IniEntry* FindEntry(std::u16string_view section, std::u16string_view key) const;
    // The value as the profile-string lookup returns it (quotes removed, cut
    // to kMaxIniValue), or nothing when the section or key is missing.
    std::optional<std::u16string> GetString(std::u16string_view section,
                                            std::u16string_view key) const;

    static std::u16string DecodeBytes(std::string_view bytes);
    // Removes one pair of matching quotes and cuts to kMaxIniValue.
    static std::u16string LookupForm(std::u16string_view rawValue);

private:
    std::vector<IniSection> m_sections;
};

} // namespace common
