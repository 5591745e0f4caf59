// SPDX-License-Identifier: BSD-2-Clause
#include "common/profile.h"

#include <atomic>
#include <charconv>

namespace common {

namespace {
std::pair<std::string, std::string> KeyOf(std::string_view section, std::string_view key)
{
    return {std::string(section), std::string(key)};
}

CMemoryProfile& BuiltinProfile()
{
    static CMemoryProfile profile;
    return profile;
}

std::atomic<IProfile*> g_profile{nullptr};
} // namespace

int CMemoryProfile::GetProfileInt(std::string_view section, std::string_view key, int def) const
{
    std::lock_guard lock(m_lock);
    auto it = m_values.find(KeyOf(section, key));
    if (it == m_values.end() || it->second.empty())
        return def;
    int value = def;
    const std::string& text = it->second;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() ? value : def;
}

bool CMemoryProfile::WriteProfileInt(std::string_view section, std::string_view key, int value)
{
    return WriteProfileString(section, key, std::to_string(value));
}

std::string CMemoryProfile::GetProfileString(std::string_view section, std::string_view key,
                                             std::string_view def) const
{
    std::lock_guard lock(m_lock);
    auto it = m_values.find(KeyOf(section, key));
    return it == m_values.end() ? std::string(def) : it->second;
}

bool CMemoryProfile::WriteProfileString(std::string_view section, std::string_view key,
                                        std::string_view value)
{
    std::lock_guard lock(m_lock);
    m_values[KeyOf(section, key)] = std::string(value);
    return true;
}

bool CMemoryProfile::Contains(std::string_view section, std::string_view key) const
{
    std::lock_guard lock(m_lock);
    return m_values.count(KeyOf(section, key)) != 0;
}

IProfile& AppProfile()
{
    IProfile* profile = g_profile.load();
    return profile ? *profile : BuiltinProfile();
}

void SetAppProfile(IProfile* profile)
{
    g_profile.store(profile);
}

} // namespace common
