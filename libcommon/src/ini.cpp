// SPDX-License-Identifier: BSD-2-Clause
#include "common/ini.h"

#include "common/text.h"

namespace common {

bool IniFile::Load(const std::filesystem::path& path)
{
    m_sections.clear();
    std::string bytes;
    if (!ReadFileBounded(path, kMaxTextFileBytes, bytes) || bytes.empty())
        return false;
    ParseBytes(bytes);
    return true;
}

std::u16string IniFile::DecodeBytes(std::string_view bytes)
{
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF
        && static_cast<unsigned char>(bytes[1]) == 0xFE)
        return FromUtf16LeBytes(bytes.substr(2));
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    return Utf8ToUtf16(bytes);
}

void IniFile::ParseBytes(std::string_view bytes)
{
    Parse(DecodeBytes(bytes));
}

void IniFile::Parse(std::u16string_view text)
{
    m_sections.clear();
    IniSection* current = nullptr; // null before the first section and inside a repeated one
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of(u"\r\n", pos);
        if (end == std::u16string_view::npos)
            end = text.size();
        const std::u16string_view line = TrimView(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line.front() == u';')
            continue;
        if (line.front() == u'[') {
            const std::size_t close = line.find(u']');
            const std::u16string_view name =
                TrimView(line.substr(1, close == std::u16string_view::npos ? line.size() - 1 : close - 1));
            if (FindSection(name)) {
                current = nullptr;
            } else {
                m_sections.push_back({std::u16string(name), {}});
                current = &m_sections.back();
            }
            continue;
        }
        if (!current)
            continue;
        IniEntry entry;
        const std::size_t eq = line.find(u'=');
        if (eq == std::u16string_view::npos) {
            entry.key = std::u16string(line);
        } else {
            entry.key = Trim(line.substr(0, eq));
            entry.value = Trim(line.substr(eq + 1));
            entry.hasEquals = true;
        }
        bool duplicate = false;
        for (const IniEntry& e : current->entries)
            duplicate = duplicate || EqualsNoCase(e.key, entry.key);
        if (!duplicate)
            current->entries.push_back(std::move(entry));
    }
}

const IniSection* IniFile::FindSection(std::u16string_view name) const
{
    for (const IniSection& s : m_sections) {
        if (EqualsNoCase(s.name, name))
            return &s;
    }
    return nullptr;
}

const IniEntry* IniFile::FindEntry(std::u16string_view section, std::u16string_view key) const
{
    const IniSection* s = FindSection(TrimView(section));
    if (!s)
        return nullptr;
    key = TrimView(key);
    for (const IniEntry& e : s->entries) {
        if (EqualsNoCase(e.key, key))
            return &e;
    }
    return nullptr;
}

std::u16string IniFile::LookupForm(std::u16string_view raw)
{
    if (raw.size() >= 2 && (raw.front() == u'"' || raw.front() == u'\'') && raw.back() == raw.front())
        raw = raw.substr(1, raw.size() - 2);
    return std::u16string(raw.substr(0, kMaxIniValue));
}

std::optional<std::u16string> IniFile::GetString(std::u16string_view section,
                                                 std::u16string_view key) const
{
    const IniEntry* e = FindEntry(section, key);
    if (!e)
        return std::nullopt;
    return LookupForm(e->value);
}

} // namespace common
