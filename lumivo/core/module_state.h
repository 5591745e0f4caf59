// SPDX-License-Identifier: GPL-2.0-or-later
// The controller-settings dialog without its window: what it shows, filled
// from the module information and the settings record, and what each edit
// writes into the record. Every byte the dialog does not edit stays exactly
// as the controller sent it, so the record can be written back as a whole.
#pragma once

#include <serio/board_records.h>

#include <string>
#include <utility>
#include <vector>

namespace lumivo {

struct TimeOfDay {
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool operator==(const TimeOfDay&) const = default;
};

struct CalendarDate {
    int year = 0;
    int month = 0;
    int day = 0;
    bool operator==(const CalendarDate&) const = default;
};

// Language code of a model code (bits 16..19): 10 (Korean content) or 14.
inline unsigned ModelLanguageCode(DWORD modelCode) { return (modelCode >> 16) & 0xF; }
// Two BCD digits (high nibble tens).
inline int FromBcd(BYTE b) { return (b >> 4) * 10 + (b & 0xF); }
// The model name of a module information record: at most 9 code units
// before its terminating zero (the field holds 10), even when the zero is missing.
std::u16string ModelName(const serio::ModuleInfo& info);
// The manufacture date of the module information's four BCD bytes.
CalendarDate ManufactureDate(const BYTE date[4]);

struct LanguageChoice {
    const char16_t* name;
    WORD value;
};

class CModuleStateModel {
public:
    // Spin ranges of the dialog.
    static constexpr int kMinBrightness = 1, kMaxBrightness = 10;
    static constexpr int kMinColumns = 2, kMaxColumns = 20;
    static constexpr int kMinRows = 1, kMaxRows = 4;

    // The set-up operations, called before the dialog shows.
    // False only when no name is given.
    bool SetModuleInfo(const char16_t* modelName, const BYTE manufactureDate[4]);
    // True only for exactly 156 bytes, which then become the record.
    bool SetSettings(const BYTE* data, size_t length);
    void SetModelCode(DWORD modelCode) { m_modelCode = modelCode; }

    // ---- What the dialog shows.
    // "<name> v<major>.<minor>.<build>"; a name that starts with the four
    // code units 0x2074 0x207F 0x2081 0x2082 shows as "Lumivo".
    std::u16string VersionText() const;
    CalendarDate Manufacture() const { return ManufactureDate(m_manufacture); }
    DWORD ModelCode() const { return m_modelCode; }
    // English, then Chinese for language code 14 or else Korean.
    std::vector<LanguageChoice> LanguageChoices() const;
    // The entry whose value the record holds; the first one when none does.
    int LanguageIndex() const;
    bool PowerEnabled() const { return m_record.wPowerEnabled != 0; }
    TimeOfDay PowerOn() const { return Time(m_record.byPowerOn); }
    TimeOfDay PowerOff() const { return Time(m_record.byPowerOff); }
    bool Beep() const { return m_record.wBeep != 0; }
    int DayBrightness() const { return m_record.wDayBrightness; }
    int NightBrightness() const { return m_record.wNightBrightness; }
    TimeOfDay DayTime() const { return Time(m_record.byDayTime); }
    TimeOfDay NightTime() const { return Time(m_record.byNightTime); }
    int Columns() const { return m_record.wColumns; }
    int Rows() const { return m_record.wRows; }
    int Language() const { return m_record.wLanguage; }

    // ---- Edits, each written into the record at once.
    void SetPowerEnabled(bool on) { m_record.wPowerEnabled = on ? 1 : 0; }
    void SetPowerOn(const TimeOfDay& t) { PutTime(m_record.byPowerOn, t); }
    void SetPowerOff(const TimeOfDay& t) { PutTime(m_record.byPowerOff, t); }
    void SetDayTime(const TimeOfDay& t) { PutTime(m_record.byDayTime, t); }
    void SetNightTime(const TimeOfDay& t) { PutTime(m_record.byNightTime, t); }
    // A spin-button step: the new position, kept within 1..10.
    void SpinDayBrightness(int position);
    void SpinNightBrightness(int position);
    // Choosing a list entry; an index outside the list changes nothing.
    void SelectLanguage(int index);
    void SetBeep(bool on) { m_record.wBeep = on ? 1 : 0; }
    // The number read from the column or row field, written as it is.
    void SetColumns(int columns) { m_record.wColumns = static_cast<WORD>(columns); }
    void SetRows(int rows) { m_record.wRows = static_cast<WORD>(rows); }

    const serio::ControllerSettings& Record() const { return m_record; }
    std::vector<BYTE> RecordBytes() const;

private:
    static TimeOfDay Time(const BYTE t[3]) { return {t[0], t[1], t[2]}; }
    static void PutTime(BYTE t[3], const TimeOfDay& v);

    serio::ControllerSettings m_record{};
    std::u16string m_modelName;
    BYTE m_manufacture[4] = {};
    DWORD m_modelCode = 0;
};

} // namespace lumivo
