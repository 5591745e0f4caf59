// SPDX-License-Identifier: GPL-2.0-or-later
// Language files from outside: arbitrary bytes read by the INI reader, then
// as a .lang file through the language tables, whose "Format" pictures go to
// the date and time formatter as the engine gives them (a 255-character
// buffer), for the three languages and a few awkward dates.
#include "common/datetime.h"
#include "common/globalization.h"
#include "common/ini.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The language folder of this run, removed at exit.
struct Folder {
    fs::path path;
    Folder()
    {
        std::string pattern = (fs::temp_directory_path() / "lumivo-fuzz-lang-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        path = pattern;
    }
    ~Folder()
    {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

void CheckTable(const common::IniFile& ini)
{
    for (const common::IniSection& section : ini.Sections()) {
        if (!ini.FindSection(section.name))
            std::abort();
        for (const common::IniEntry& entry : section.entries) {
            if (!ini.FindEntry(section.name, entry.key))
                std::abort();
            const std::optional<std::u16string> value = ini.GetString(section.name, entry.key);
            if (!value || value->size() > common::kMaxIniValue)
                std::abort();
        }
    }
}

SYSTEMTIME Time(WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s)
{
    SYSTEMTIME t;
    t.wYear = y, t.wMonth = mo, t.wDay = d, t.wHour = h, t.wMinute = mi, t.wSecond = s;
    return t;
}

// Formats with the picture as the engine does, and checks the size query
// agrees with what is written.
void Format(const std::u16string& picture)
{
    static const SYSTEMTIME kTimes[] = {Time(2024, 2, 29, 0, 0, 0), Time(1999, 12, 31, 23, 59, 59),
                                        Time(2000, 1, 1, 12, 30, 5), Time(2023, 2, 29, 25, 61, 61)};
    static const LANGID kLangs[] = {common::kLangEnglish, common::kLangKorean, common::kLangChinese};
    constexpr int kChars = 255;
    for (const LANGID lang : kLangs)
        for (const SYSTEMTIME& t : kTimes)
            for (const bool date : {true, false}) {
                char16_t out[kChars + 1];
                out[kChars] = u'\xABCD';
                const auto call = date ? GetDateFormatW : GetTimeFormatW;
                const int written = call(lang, 0, &t, picture.c_str(), out, kChars);
                const int needed = call(lang, 0, &t, picture.c_str(), nullptr, 0);
                if (written < 0 || written > kChars || out[kChars] != u'\xABCD')
                    std::abort();
                if (written > 0 && (needed != written || out[written - 1] != 0))
                    std::abort();
            }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Folder folder;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    common::IniFile ini;
    ini.ParseBytes(bytes);
    CheckTable(ini);

    {
        std::ofstream file(folder.path / "Fuzz.lang", std::ios::binary | std::ios::trunc);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!file)
            std::abort();
    }
    // A new folder each time: the tables read the file again.
    CGlobalization::SetLangDir(folder.path);
    if (CGlobalization::GetLanguageCount() != 1)
        std::abort();
    CGlobalization::SelectLanguage(u"Fuzz");
    (void)CGlobalization::GetCodePage();
    for (const char16_t* key : {u"fmtDateM1", u"fmtDateM2_K", u"fmtDateM2_E", u"fmtDateM3", u"fmtDateM4_K",
                                u"fmtDateM4_E", u"fmtDateM5", u"fmtTimeM1", u"fmtTimeM2", u"fmtTimeM3",
                                u"fmtTimeM4"}) {
        const std::u16string picture = CGlobalization::GetText(std::u16string_view(u"Format"), key);
        if (picture.size() > common::kMaxIniValue)
            std::abort();
        Format(picture);
    }
    // The file's own first values as pictures too, whatever their names.
    unsigned n = 0;
    for (const common::IniSection& section : ini.Sections())
        for (const common::IniEntry& entry : section.entries)
            if (n++ < 4)
                Format(common::IniFile::LookupForm(entry.value));
    return 0;
}
