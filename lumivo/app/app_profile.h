// SPDX-License-Identifier: GPL-2.0-or-later
// The program's settings: QSettings (organisation "Tessel", application
// "lumivo", INI format in the user's configuration folder) behind the
// profile interface that the libraries use.
#pragma once

#include <common/profile.h>

#include <QSettings>

#include <memory>
#include <mutex>

class CQtProfile final : public common::IProfile {
public:
    CQtProfile();
    // For tests: a settings file of their own.
    explicit CQtProfile(const QString& iniFile);

    int GetProfileInt(std::string_view section, std::string_view key, int def) const override;
    bool WriteProfileInt(std::string_view section, std::string_view key, int value) override;
    std::string GetProfileString(std::string_view section, std::string_view key,
                                 std::string_view def) const override;
    bool WriteProfileString(std::string_view section, std::string_view key,
                            std::string_view value) override;

    void Sync();
    QString FileName() const;

private:
    mutable std::mutex m_lock; // the libraries may read settings from their threads
    std::unique_ptr<QSettings> m_settings;
};
