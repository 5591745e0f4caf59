// SPDX-License-Identifier: GPL-2.0-or-later
#include "board_link.h"

#include "json.h"

#include <common/text.h>
#include <serio/serio.h>

#include <common/ini.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <unistd.h>

namespace cli {

namespace {

// A progress line on stderr: "Send data... 12345 / 40000 bytes (30%)".
class TerminalProgress final : public serio::ISerialProgress {
public:
    TerminalProgress(std::string title, DWORD total) : m_title(std::move(title)), m_total(total) { Draw(0); }
    ~TerminalProgress() override
    {
        Draw(m_position.load());
        std::fputc('\n', stderr);
    }
    void OnProgressMessage(DWORD bytes) override { m_position = bytes; }
    void RefreshPosition() override
    {
        const DWORD now = m_position.load();
        if (now != m_drawn)
            Draw(now);
    }

private:
    void Draw(DWORD position)
    {
        std::lock_guard lk(m_lock);
        m_drawn = position;
        const unsigned percent = m_total ? static_cast<unsigned>(uint64_t(position) * 100 / m_total) : 0;
        std::fprintf(stderr, "\r%s %u / %u bytes (%u%%)", m_title.c_str(), position, m_total,
                     percent > 100 ? 100 : percent);
        std::fflush(stderr);
    }

    std::string m_title;
    DWORD m_total;
    std::atomic<DWORD> m_position{0};
    DWORD m_drawn = 0;
    std::mutex m_lock;
};

class TerminalProgressOwner final : public serio::IPacketOwner {
public:
    std::unique_ptr<serio::ISerialProgress> CreateProgressWindow(const char* title, DWORD total) override
    {
        return std::make_unique<TerminalProgress>(title, total);
    }
};

// The port the program would use: its "Serial Setup" values from the
// program's settings file, when there is one.
void ReadProgramSerialSetup()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    std::filesystem::path dir;
    if (config && *config)
        dir = config;
    else if (home && *home)
        dir = std::filesystem::path(home) / ".config";
    else
        return;
    common::IniFile ini;
    if (!ini.Load(dir / "Tessel" / "lumivo.ini"))
        return;
    common::IProfile& profile = common::AppProfile();
    for (const char16_t* section : {u"Serial%20Setup", u"Serial Setup"}) {
        if (auto device = ini.GetString(section, u"Device"))
            profile.WriteProfileString(serio::kSerialSetupSection, serio::kSerialDeviceKey,
                                       common::Utf16ToUtf8(*device));
        if (auto port = ini.GetString(section, u"Port"))
            profile.WriteProfileInt(serio::kSerialSetupSection, "Port", common::ParseLeadingInt(*port));
    }
}

std::string Hex(DWORD v)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", v);
    return text;
}

std::string DateText(const lumivo::CalendarDate& d)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", d.year, d.month, d.day);
    return text;
}

std::string LanguageName(const lumivo::CModuleStateModel& m)
{
    for (const lumivo::LanguageChoice& c : m.LanguageChoices())
        if (c.value == m.Language())
            return common::Utf16ToUtf8(c.name);
    return "";
}

} // namespace

std::vector<Option> LinkOptions(std::vector<Option> own)
{
    std::vector<Option> options = {
        {"device", "DEV", "serial device (default: $LUMIVO_SERIAL_DEVICE, else the program's \"Serial Setup\")"},
        {"retries", "N", "answer Retry N times in all before Cancel (default 0)"},
        {"trace", "FILE", "append the trace lines to FILE (the program uses trace.log)"},
    };
    options.insert(options.end(), own.begin(), own.end());
    return options;
}

bool CCliBoardUi::AskRetry(const std::string& text, const std::string& caption)
{
    if (m_retries > 0) {
        --m_retries;
        std::cerr << "lumivo-cli: " << text << " Retrying.\n";
        return true;
    }
    return false;
}

bool CCliBoardUi::AskYesNo(const std::string& text, const std::string& caption)
{
    std::string line = text;
    for (char& c : line)
        if (c == '\n')
            c = ' ';
    std::cerr << "lumivo-cli: " << line << (m_yes ? " Yes.\n" : " No.\n");
    return m_yes;
}

void CCliBoardUi::ShowMessage(const std::string& text, const std::string& caption, lumivo::MessageIcon icon)
{
    std::cerr << "lumivo-cli: " << (caption == lumivo::kAppTitle ? "" : caption + ": ") << text << "\n";
}

CBoardRun::CBoardRun(const Args& args, bool answerYes, lumivo::CProjectCore* project, const lumivo::IClock* clock)
    : m_ui(static_cast<int>(args.Number("retries", 0, 1000).value_or(0)), answerYes)
{
    if (auto device = args.Get("device")) {
        if (device->empty())
            throw UsageError("--device needs a device path");
        ::setenv(serio::kSerialDeviceEnv, device->c_str(), 1);
    } else {
        ReadProgramSerialSetup();
    }
    if (auto trace = args.Get("trace"); trace && !m_trace.Open(*trace))
        throw Failure("cannot open the trace file " + *trace);
    m_session = std::make_unique<lumivo::CBoardSession>(m_ui, clock ? *clock : lumivo::SystemClock());
    m_session->SetTrace(&m_trace);
    if (::isatty(STDERR_FILENO)) {
        m_progress = std::make_unique<TerminalProgressOwner>();
        m_session->SetProgressOwner(m_progress.get());
    }
    if (project) {
        m_document = std::make_unique<lumivo::CProjectBoardDocument>(*project);
        m_session->SetDocument(m_document.get());
    }
}

CBoardRun::~CBoardRun()
{
    Disconnect();
}

void CBoardRun::Connect()
{
    if (m_session->Connect() == lumivo::BoardResult::Ok)
        return;
    throw Failure("connection failed: " + m_session->LastError());
}

void CBoardRun::Disconnect()
{
    if (m_session->IsConnected())
        m_session->Disconnect();
}

void CBoardRun::PrintProjectNotes()
{
    if (m_document) {
        PrintNotes(m_document->Notes());
        m_document->ClearNotes();
    }
}

lumivo::CModuleStateModel ModelOf(const serio::ModuleInfo& info, const serio::ControllerSettings& settings)
{
    lumivo::CModuleStateModel m;
    m.SetModuleInfo(lumivo::ModelName(info).c_str(), info.byManufactureDate);
    m.SetSettings(reinterpret_cast<const BYTE*>(&settings), sizeof settings);
    m.SetModelCode(info.dwModelCode);
    return m;
}

lumivo::CModuleStateModel ModelOf(const lumivo::CBoardSession& session)
{
    return ModelOf(session.ModuleInfo(), session.Settings());
}

void PrintModuleInfo(const serio::ModuleInfo& info)
{
    const lumivo::BoardFromModule b = lumivo::BoardValuesOf(info);
    std::cout << "model: " << common::Utf16ToUtf8(lumivo::ModelName(info)) << "\n"
              << "manufactured: " << DateText(lumivo::ManufactureDate(info.byManufactureDate)) << "\n"
              << "model code: " << Hex(info.dwModelCode) << " (column code " << int(b.lumivoColumn)
              << ", row code " << int(b.lumivoRow) << ", language " << char(b.language) << ")\n"
              << "board: " << int(info.byModuleRows) << " x " << int(info.byModuleCols) << " modules\n"
              << "stored Ads: " << int(info.byAdCount) << " (" << info.wAdBlobLength << " bytes)\n"
              << "user images: " << (info.byUserImage ? "yes" : "no") << " (" << info.wUserImageLength
              << " bytes)\n";
}

void PrintSettings(const lumivo::CModuleStateModel& m)
{
    std::cout << "version: " << common::Utf16ToUtf8(m.VersionText()) << "\n"
              << "power: " << (m.PowerEnabled() ? "on" : "off") << "\n"
              << "power-on: " << FormatTime(m.PowerOn()) << "\n"
              << "power-off: " << FormatTime(m.PowerOff()) << "\n"
              << "beep: " << (m.Beep() ? "on" : "off") << "\n"
              << "day-brightness: " << m.DayBrightness() << "\n"
              << "day-time: " << FormatTime(m.DayTime()) << "\n"
              << "night-brightness: " << m.NightBrightness() << "\n"
              << "night-time: " << FormatTime(m.NightTime()) << "\n"
              << "language: " << m.Language();
    if (const std::string name = LanguageName(m); !name.empty())
        std::cout << " (" << name << ")";
    std::cout << "\ncolumns: " << m.Columns() << "\nrows: " << m.Rows() << "\n";
}

std::string ModuleInfoJson(const serio::ModuleInfo& info)
{
    const lumivo::BoardFromModule b = lumivo::BoardValuesOf(info);
    std::string out = "{";
    out += "\"model\":" + JsonString(common::Utf16ToUtf8(lumivo::ModelName(info)));
    out += ",\"manufactured\":" + JsonString(DateText(lumivo::ManufactureDate(info.byManufactureDate)));
    out += ",\"modelCode\":" + std::to_string(info.dwModelCode);
    out += ",\"columnCode\":" + std::to_string(b.lumivoColumn);
    out += ",\"rowCode\":" + std::to_string(b.lumivoRow);
    out += ",\"language\":" + JsonString(std::string(1, char(b.language)));
    out += ",\"moduleRows\":" + std::to_string(info.byModuleRows);
    out += ",\"moduleColumns\":" + std::to_string(info.byModuleCols);
    out += ",\"storedAds\":" + std::to_string(info.byAdCount);
    out += ",\"userImages\":" + std::string(info.byUserImage ? "true" : "false");
    out += ",\"adBlobLength\":" + std::to_string(info.wAdBlobLength);
    out += ",\"userImageLength\":" + std::to_string(info.wUserImageLength);
    return out + "}";
}

std::string SettingsJson(const lumivo::CModuleStateModel& m)
{
    const serio::ControllerSettings& r = m.Record();
    std::string out = "{";
    out += "\"versionText\":" + JsonString(common::Utf16ToUtf8(m.VersionText()));
    out += ",\"version\":" + JsonString(std::to_string(r.byMajor) + "." + std::to_string(r.byMinor) + "." +
                                        std::to_string(r.wBuild));
    out += ",\"power\":" + std::string(m.PowerEnabled() ? "true" : "false");
    out += ",\"powerOn\":" + JsonString(FormatTime(m.PowerOn()));
    out += ",\"powerOff\":" + JsonString(FormatTime(m.PowerOff()));
    out += ",\"beep\":" + std::string(m.Beep() ? "true" : "false");
    out += ",\"dayBrightness\":" + std::to_string(m.DayBrightness());
    out += ",\"dayTime\":" + JsonString(FormatTime(m.DayTime()));
    out += ",\"nightBrightness\":" + std::to_string(m.NightBrightness());
    out += ",\"nightTime\":" + JsonString(FormatTime(m.NightTime()));
    out += ",\"language\":" + std::to_string(m.Language());
    out += ",\"languageName\":" + JsonString(LanguageName(m));
    out += ",\"columns\":" + std::to_string(m.Columns());
    out += ",\"rows\":" + std::to_string(m.Rows());
    return out + "}";
}

bool ParseSwitch(const std::string& field, const std::string& text)
{
    if (text == "on" || text == "yes" || text == "1" || text == "true")
        return true;
    if (text == "off" || text == "no" || text == "0" || text == "false")
        return false;
    throw UsageError(field + " must be on or off, not \"" + text + "\"");
}

lumivo::TimeOfDay ParseTimeOfDay(const std::string& field, const std::string& text)
{
    int h = -1, m = -1, s = 0;
    char tail = 0;
    const int n = std::sscanf(text.c_str(), "%d:%d:%d%c", &h, &m, &s, &tail);
    if ((n != 2 && n != 3) || h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59 ||
        text.find_first_not_of("0123456789:") != std::string::npos)
        throw UsageError(field + " must be a time of day H:MM or H:MM:SS, not \"" + text + "\"");
    return {h, m, s};
}

std::string FormatTime(const lumivo::TimeOfDay& t)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return text;
}

} // namespace cli
