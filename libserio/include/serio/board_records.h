// SPDX-License-Identifier: BSD-2-Clause
// The records the controller exchanges with the program: the module
// information (answer to 0x56, 56 bytes) and the controller settings
// (answer to 0x73, payload of 0x53, 156 bytes). Little-endian on the wire;
// the structs are laid out byte for byte, so they are copied with memcpy.
#pragma once

#include <common/platform.h>

#include <bit>
#include <cstddef>
#include <cstring>

namespace serio {

static_assert(std::endian::native == std::endian::little, "records are copied as they travel");

struct ModuleInfo {
    BYTE reserved0[4];
    char16_t szModelName[10];  // zero-terminated UTF-16
    BYTE byManufactureDate[4]; // BCD: year - 2000, month, day, unused
    BYTE reserved28[16];
    DWORD dwModelCode;         // bits 8..11 column code, 12..15 row code, 16..19 language code
    BYTE byModuleRows;
    BYTE byModuleCols;
    BYTE byAdCount;
    BYTE byUserImage;          // non-zero: user images stored
    WORD wAdBlobLength;
    WORD wUserImageLength;

    static constexpr DWORD MakeModelCode(unsigned columnCode, unsigned rowCode, unsigned languageCode)
    {
        return ((columnCode & 0xF) << 8) | ((rowCode & 0xF) << 12) | ((languageCode & 0xF) << 16);
    }
    unsigned ColumnCode() const { return (dwModelCode >> 8) & 0xF; }
    unsigned RowCode() const { return (dwModelCode >> 12) & 0xF; }
    unsigned LanguageCode() const { return (dwModelCode >> 16) & 0xF; }
};
static_assert(sizeof(ModuleInfo) == 56);
static_assert(offsetof(ModuleInfo, szModelName) == 4);
static_assert(offsetof(ModuleInfo, byManufactureDate) == 24);
static_assert(offsetof(ModuleInfo, dwModelCode) == 44);
static_assert(offsetof(ModuleInfo, byModuleRows) == 48);
static_assert(offsetof(ModuleInfo, byModuleCols) == 49);
static_assert(offsetof(ModuleInfo, byAdCount) == 50);
static_assert(offsetof(ModuleInfo, byUserImage) == 51);
static_assert(offsetof(ModuleInfo, wAdBlobLength) == 52);
static_assert(offsetof(ModuleInfo, wUserImageLength) == 54);

struct ControllerSettings {
    WORD wBuild;
    BYTE byMinor;
    BYTE byMajor;
    BYTE byPowerOn[3];  // hour, minute, second
    BYTE reserved7;
    BYTE byPowerOff[3];
    BYTE reserved11;
    WORD wPowerEnabled; // 0 or 1
    WORD wBeep;         // 0 or 1
    BYTE reserved16[12];
    WORD wDayBrightness;   // 1..10
    WORD wNightBrightness; // 1..10
    BYTE byDayTime[3];
    BYTE reserved35;
    BYTE byNightTime[3];
    BYTE reserved39[5];
    WORD wColumns;  // board width in modules
    BYTE reserved46[6];
    WORD wLanguage; // 0 English, 1 Korean, 2 Chinese
    WORD wRows;     // board height in modules
    BYTE reserved56[100];
};
static_assert(sizeof(ControllerSettings) == 156);
static_assert(offsetof(ControllerSettings, byMajor) == 3);
static_assert(offsetof(ControllerSettings, byPowerOn) == 4);
static_assert(offsetof(ControllerSettings, byPowerOff) == 8);
static_assert(offsetof(ControllerSettings, wPowerEnabled) == 12);
static_assert(offsetof(ControllerSettings, wBeep) == 14);
static_assert(offsetof(ControllerSettings, wDayBrightness) == 28);
static_assert(offsetof(ControllerSettings, wNightBrightness) == 30);
static_assert(offsetof(ControllerSettings, byDayTime) == 32);
static_assert(offsetof(ControllerSettings, byNightTime) == 36);
static_assert(offsetof(ControllerSettings, wColumns) == 44);
static_assert(offsetof(ControllerSettings, wLanguage) == 52);
static_assert(offsetof(ControllerSettings, wRows) == 54);
static_assert(offsetof(ControllerSettings, reserved56) == 56);

// Fills a record from received bytes; false (record untouched) unless
// exactly sizeof(Record) bytes are given.
template <typename Record>
bool RecordFromBytes(Record& record, const BYTE* data, size_t length)
{
    if (!data || length != sizeof(Record))
        return false;
    std::memcpy(&record, data, sizeof(Record));
    return true;
}

} // namespace serio
