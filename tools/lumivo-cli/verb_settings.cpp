// SPDX-License-Identifier: GPL-2.0-or-later
// lumivo-cli settings: read, and with --set edit and write, the controller settings.
#include "board_link.h"

#include <common/text.h>

#include <iostream>

namespace {

using lumivo::CModuleStateModel;

struct Edit {
    std::string field, value;
};

const char* const kFields = "power, power-on, power-off, beep, day-brightness, night-brightness, day-time, "
                            "night-time, language, columns, rows";

long Number(const Edit& e, long min, long max)
{
    char* end = nullptr;
    const long v = std::strtol(e.value.c_str(), &end, 10);
    if (e.value.empty() || *end || v < min || v > max)
        throw cli::UsageError(e.field + " must be a number from " + std::to_string(min) + " to " +
                              std::to_string(max) + ", not \"" + e.value + "\"");
    return v;
}

// Checks an edit's value now, before any connection; language is checked
// against the model's list when the model is known.
void Check(const Edit& e)
{
    if (e.field == "power" || e.field == "beep")
        cli::ParseSwitch(e.field, e.value);
    else if (e.field == "power-on" || e.field == "power-off" || e.field == "day-time" || e.field == "night-time")
        cli::ParseTimeOfDay(e.field, e.value);
    else if (e.field == "day-brightness" || e.field == "night-brightness")
        Number(e, CModuleStateModel::kMinBrightness, CModuleStateModel::kMaxBrightness);
    else if (e.field == "columns")
        Number(e, CModuleStateModel::kMinColumns, CModuleStateModel::kMaxColumns);
    else if (e.field == "rows")
        Number(e, CModuleStateModel::kMinRows, CModuleStateModel::kMaxRows);
    else if (e.field != "language")
        throw cli::UsageError("unknown settings field \"" + e.field + "\" (fields: " + kFields + ")");
}

// The list entry a language value names ("english", "Korean", "2" ...).
int LanguageIndex(const CModuleStateModel& m, const std::string& text, std::string& offered)
{
    const auto choices = m.LanguageChoices();
    for (size_t i = 0; i < choices.size(); ++i) {
        const std::string name = common::Utf16ToUtf8(choices[i].name);
        std::string lower = name;
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::string wanted = text;
        for (char& c : wanted)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (wanted == lower || wanted == std::to_string(choices[i].value))
            return static_cast<int>(i);
        offered += (offered.empty() ? "" : ", ") + name + " (" + std::to_string(choices[i].value) + ")";
    }
    return -1;
}

void Apply(CModuleStateModel& m, const Edit& e)
{
    const std::string& f = e.field;
    if (f == "power")
        m.SetPowerEnabled(cli::ParseSwitch(f, e.value));
    else if (f == "beep")
        m.SetBeep(cli::ParseSwitch(f, e.value));
    else if (f == "power-on")
        m.SetPowerOn(cli::ParseTimeOfDay(f, e.value));
    else if (f == "power-off")
        m.SetPowerOff(cli::ParseTimeOfDay(f, e.value));
    else if (f == "day-time")
        m.SetDayTime(cli::ParseTimeOfDay(f, e.value));
    else if (f == "night-time")
        m.SetNightTime(cli::ParseTimeOfDay(f, e.value));
    else if (f == "day-brightness")
        m.SpinDayBrightness(static_cast<int>(Number(e, 1, 10)));
    else if (f == "night-brightness")
        m.SpinNightBrightness(static_cast<int>(Number(e, 1, 10)));
    else if (f == "columns")
        m.SetColumns(static_cast<int>(Number(e, 2, 20)));
    else if (f == "rows")
        m.SetRows(static_cast<int>(Number(e, 1, 4)));
    else if (f == "language") {
        std::string offered;
        m.SelectLanguage(LanguageIndex(m, e.value, offered)); // checked before
    }
}

// --set FIELD=VALUE (as often as needed) and any further FIELD=VALUE operands.
std::vector<Edit> Edits(const cli::Args& args)
{
    if (!args.Has("set") && !args.positional.empty())
        throw cli::UsageError("FIELD=VALUE operands need --set");
    std::vector<std::string> words = args.All("set");
    words.insert(words.end(), args.positional.begin(), args.positional.end());
    std::vector<Edit> edits;
    for (const std::string& w : words) {
        const size_t eq = w.find('=');
        if (eq == std::string::npos || eq == 0)
            throw cli::UsageError("--set takes FIELD=VALUE, not \"" + w + "\" (fields: " + kFields + ")");
        edits.push_back({w.substr(0, eq), w.substr(eq + 1)});
        Check(edits.back());
    }
    return edits;
}

int Run(const cli::Args& args)
{
    const std::vector<Edit> edits = Edits(args);
    cli::CBoardRun run(args, false);
    std::string refused;
    std::unique_ptr<CModuleStateModel> shown;
    run.Ui().edit = [&](CModuleStateModel& m) {
        for (const Edit& e : edits) {
            if (e.field == "language") {
                std::string offered;
                if (LanguageIndex(m, e.value, offered) < 0) {
                    refused = "this controller offers the languages " + offered + ", not \"" + e.value + "\"";
                    return false;
                }
            }
            Apply(m, e);
        }
        shown = std::make_unique<CModuleStateModel>(m);
        return !edits.empty();
    };
    run.Connect();
    const lumivo::BoardResult r = run.Session().ModuleState();
    if (!refused.empty())
        throw cli::UsageError(refused);
    if (!shown || (r != lumivo::BoardResult::Ok && !edits.empty()))
        throw cli::Failure(run.Session().LastError());
    run.Disconnect();
    if (args.Has("json"))
        std::cout << cli::SettingsJson(*shown) << "\n";
    else
        cli::PrintSettings(*shown);
    if (!edits.empty())
        std::cerr << "lumivo-cli: settings written\n";
    return cli::kExitOk;
}

const cli::Verb kVerb{
    "settings", "[--json] [--set FIELD=VALUE [FIELD=VALUE ...]] [link options]",
    "read the controller settings; with --set change them and write them back",
    "Fields: power, beep (on or off); power-on, power-off, day-time, night-time\n"
    "(H:MM or H:MM:SS); day-brightness, night-brightness (1 to 10); language\n"
    "(English, Korean or Chinese as this controller offers them, or 0, 1, 2);\n"
    "columns (2 to 20); rows (1 to 4). Every other byte of the record goes back\n"
    "exactly as read. The settings printed are those written.",
    cli::LinkOptions({{"set", "FIELD=VALUE", "change a field (repeat --set, or more FIELD=VALUE may follow)", true},
                      {"json", nullptr, "print one JSON object"}}),
    0, 32, Run};
LUMIVO_CLI_VERB(kVerb);

} // namespace
