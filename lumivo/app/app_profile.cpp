// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/app_profile.h"

namespace {

QString KeyOf(std::string_view section, std::string_view key)
{
    return QString::fromUtf8(section.data(), qsizetype(section.size())) + QLatin1Char('/') +
           QString::fromUtf8(key.data(), qsizetype(key.size()));
}

} // namespace

CQtProfile::CQtProfile()
    : m_settings(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                             QStringLiteral("Tessel"), QStringLiteral("lumivo")))
{
}

CQtProfile::CQtProfile(const QString& iniFile)
    : m_settings(std::make_unique<QSettings>(iniFile, QSettings::IniFormat))
{
}

int CQtProfile::GetProfileInt(std::string_view section, std::string_view key, int def) const
{
    std::lock_guard lock(m_lock);
    bool ok = false;
    const int v = m_settings->value(KeyOf(section, key)).toString().toInt(&ok);
    return ok ? v : def;
}

bool CQtProfile::WriteProfileInt(std::string_view section, std::string_view key, int value)
{
    std::lock_guard lock(m_lock);
    m_settings->setValue(KeyOf(section, key), value);
    return m_settings->status() == QSettings::NoError;
}

std::string CQtProfile::GetProfileString(std::string_view section, std::string_view key,
                                         std::string_view def) const
{
    std::lock_guard lock(m_lock);
    const QVariant v = m_settings->value(KeyOf(section, key));
    if (!v.isValid())
        return std::string(def);
    return v.toString().toStdString();
}

bool CQtProfile::WriteProfileString(std::string_view section, std::string_view key, std::string_view value)
{
    std::lock_guard lock(m_lock);
    m_settings->setValue(KeyOf(section, key), QString::fromUtf8(value.data(), qsizetype(value.size())));
    return m_settings->status() == QSettings::NoError;
}

void CQtProfile::Sync()
{
    std::lock_guard lock(m_lock);
    m_settings->sync();
}

QString CQtProfile::FileName() const
{
    std::lock_guard lock(m_lock);
    return m_settings->fileName();
}
