// SPDX-License-Identifier: BSD-2-Clause
// The application's settings store, seen from the GUI-free libraries.
// The program backs it with QSettings (organisation "Tessel"); tests and
// command-line tools back it with CMemoryProfile.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace common {

class IProfile {
public:
    virtual ~IProfile() = default;
    virtual int GetProfileInt(std::string_view section, std::string_view key, int def) const = 0;
    virtual bool WriteProfileInt(std::string_view section, std::string_view key, int value) = 0;
    // Strings are UTF-8.
    virtual std::string GetProfileString(std::string_view section, std::string_view key,
                                         std::string_view def) const = 0;
    virtual bool WriteProfileString(std::string_view section, std::string_view key,
                                    std::string_view value) = 0;
};

// Settings kept in memory only.
class CMemoryProfile final : public IProfile {
public:
    int GetProfileInt(std::string_view section, std::string_view key, int def) const override;
    bool WriteProfileInt(std::string_view section, std::string_view key, int value) override;
    std::string GetProfileString(std::string_view section, std::string_view key,
                                 std::string_view def) const override;
    bool WriteProfileString(std::string_view section, std::string_view key,
                            std::string_view value) override;
    bool Contains(std::string_view section, std::string_view key) const;

private:
    mutable std::mutex m_lock;
    std::map<std::pair<std::string, std::string>, std::string> m_values;
};

// The process-wide profile. Until the program installs its own, a
// CMemoryProfile owned by the library is used. The caller keeps the
// installed profile alive; nullptr restores the built-in one.
IProfile& AppProfile();
void SetAppProfile(IProfile* profile);

} // namespace common
