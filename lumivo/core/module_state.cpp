// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/module_state.h"

#include <algorithm>
#include <cstring>

namespace lumivo {

std::u16string ModelName(const serio::ModuleInfo& info)
{
    constexpr size_t kMaxUnits = std::size(serio::ModuleInfo{}.szModelName) - 1; // room for the zero
    std::u16string name;
    for (size_t i = 0; i < kMaxUnits && info.szModelName[i] != 0; ++i)
        name += info.szModelName[i];
    return name;
}

CalendarDate ManufactureDate(const BYTE date[4])
{
    return {2000 + FromBcd(date[0]), FromBcd(date[1]), FromBcd(date[2])};
}

bool CModuleStateModel::SetModuleInfo(const char16_t* modelName, const BYTE manufactureDate[4])
{
    if (!modelName)
        return false;
    m_modelName.clear();
    for (size_t i = 0; i < 9 && modelName[i] != 0; ++i)
        m_modelName += modelName[i];
    if (manufactureDate)
        std::memcpy(m_manufacture, manufactureDate, sizeof m_manufacture);
    return true;
}

bool CModuleStateModel::SetSettings(const BYTE* data, size_t length)
{
    return serio::RecordFromBytes(m_record, data, length);
}

std::u16string CModuleStateModel::VersionText() const
{
    static const char16_t kCoded[] = {0x2074, 0x207F, 0x2081, 0x2082};
    std::u16string name = m_modelName;
    if (name.size() >= 4 && std::equal(kCoded, kCoded + 4, name.begin()))
        name = u"Lumivo";
    const std::string version = " v" + std::to_string(m_record.byMajor) + "." + std::to_string(m_record.byMinor) +
                                "." + std::to_string(m_record.wBuild);
    return name + std::u16string(version.begin(), version.end());
}

std::vector<LanguageChoice> CModuleStateModel::LanguageChoices() const
{
    if (ModelLanguageCode(m_modelCode) == 14)
        return {{u"English", 0}, {u"Chinese", 2}};
    return {{u"English", 0}, {u"Korean", 1}};
}

int CModuleStateModel::LanguageIndex() const
{
    const auto choices = LanguageChoices();
    for (size_t i = 0; i < choices.size(); ++i)
        if (choices[i].value == m_record.wLanguage)
            return static_cast<int>(i);
    return 0;
}

void CModuleStateModel::SpinDayBrightness(int position)
{
    m_record.wDayBrightness = static_cast<WORD>(std::clamp(position, kMinBrightness, kMaxBrightness));
}

void CModuleStateModel::SpinNightBrightness(int position)
{
    m_record.wNightBrightness = static_cast<WORD>(std::clamp(position, kMinBrightness, kMaxBrightness));
}

void CModuleStateModel::SelectLanguage(int index)
{
    const auto choices = LanguageChoices();
    if (index >= 0 && static_cast<size_t>(index) < choices.size())
        m_record.wLanguage = choices[static_cast<size_t>(index)].value;
}

std::vector<BYTE> CModuleStateModel::RecordBytes() const
{
    std::vector<BYTE> bytes(sizeof m_record);
    std::memcpy(bytes.data(), &m_record, sizeof m_record);
    return bytes;
}

void CModuleStateModel::PutTime(BYTE t[3], const TimeOfDay& v)
{
    t[0] = static_cast<BYTE>(v.hour);
    t[1] = static_cast<BYTE>(v.minute);
    t[2] = static_cast<BYTE>(v.second);
}

} // namespace lumivo
