// SPDX-License-Identifier: GPL-2.0-or-later
// lumivo-cli schedule show, add, remove, at, next and check: a project's
// schedule (kept in its companion NAME.lumivo.json) on the command line.
#include "verb_schedule.h"

#include "json.h"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <set>
#include <sstream>

namespace cli {

std::unique_ptr<lumivo::CScheduleEvaluator> ScheduleEvaluator(const lumivo::CProjectCore& project)
{
    std::unique_ptr<lumivo::CScheduleEvaluator> eval;
    Check(lumivo::CScheduleEvaluator::Make(project.GetSchedule(), project.UsedPages(), project.PageCount(), eval),
          "the schedule");
    return eval;
}

std::time_t ParseInstant(const lumivo::CScheduleEvaluator& eval, const std::string& text, const std::string& what,
                         const lumivo::ScheduleClock& clock)
{
    if (text == "now")
        return clock();
    const auto date = text.size() >= 16 ? lumivo::ParseDate(text.substr(0, 10)) : std::nullopt;
    const auto minute = date && text[10] == ' ' ? lumivo::ParseMinute(text.substr(11, 5)) : std::nullopt;
    int second = 0;
    bool ok = minute && *minute < 1440;
    if (ok && text.size() != 16)
        ok = text.size() == 19 && text[16] == ':' && std::sscanf(text.c_str() + 17, "%2d", &second) == 1 &&
             second >= 0 && second <= 59;
    if (!ok || date->year < lumivo::kFirstScheduleYear || date->year > lumivo::kLastScheduleYear)
        throw UsageError(what + " must be \"YYYY-MM-DD HH:MM[:SS]\" (1970 to 2099) or \"now\", not \"" + text + "\"");
    return eval.ToInstant(*date, *minute) + second;
}

std::string FormatInstant(const lumivo::CScheduleEvaluator& eval, std::time_t t)
{
    const lumivo::LocalTime l = eval.ToLocal(t);
    char buf[8];
    std::snprintf(buf, sizeof buf, ":%02d", l.second);
    return lumivo::FormatDate(l.date) + " " + lumivo::FormatMinute(l.minute) + buf;
}

Option NowOption()
{
    return {"now", "TIME", "take TIME (\"YYYY-MM-DD HH:MM[:SS]\") as the time now; the clock runs on from it"};
}

lumivo::ScheduleClock ClockOf(const Args& args, const lumivo::CScheduleEvaluator& eval)
{
    const auto text = args.Get("now");
    if (!text)
        return lumivo::SystemScheduleClock();
    const std::time_t start = ParseInstant(eval, *text, "--now", lumivo::SystemScheduleClock());
    const auto began = std::chrono::steady_clock::now();
    return [start, began] {
        return start + std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - began).count();
    };
}

namespace {

SYSTEMTIME ToSystemTime(const lumivo::Date& date, int minute, int second)
{
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(date.year);
    t.wMonth = static_cast<WORD>(date.month);
    t.wDay = static_cast<WORD>(date.day);
    t.wDayOfWeek = static_cast<WORD>(lumivo::Weekday(date));
    t.wHour = static_cast<WORD>(minute / 60);
    t.wMinute = static_cast<WORD>(minute % 60);
    t.wSecond = static_cast<WORD>(second);
    return t;
}

} // namespace

SYSTEMTIME LocalSystemTime(const lumivo::CScheduleEvaluator& eval, std::time_t t)
{
    const lumivo::LocalTime l = eval.ToLocal(t);
    return ToSystemTime(l.date, l.minute, l.second);
}

SYSTEMTIME CScheduleBoardClock::LocalNow() const { return LocalSystemTime(m_eval, m_clock()); }

SYSTEMTIME CScheduleBoardClock::UtcNow() const
{
    const std::time_t t = m_clock();
    const long long days = static_cast<long long>(t) / 86400 - (t % 86400 < 0);
    const int secs = static_cast<int>(t - days * 86400);
    return ToSystemTime(lumivo::FromDayNumber(static_cast<int>(days)), secs / 60, secs % 60);
}

std::string StateText(const lumivo::Schedule& schedule, const lumivo::ScheduleState& state)
{
    std::string s = state.pages.size() == 1 ? "Ad " : "Ads ";
    for (size_t i = 0; i < state.pages.size(); ++i)
        s += (i ? ", " : "") + std::to_string(state.pages[i] + 1);
    if (state.pages.empty())
        s = "no Ad";
    s += " (";
    if (state.isDefault)
        s += "default";
    for (size_t i = 0; i < state.entries.size(); ++i)
        s += (i ? ", " : "") + schedule.entries[state.entries[i]].name;
    return s + ")";
}

std::string StateJson(const lumivo::Schedule& schedule, const lumivo::ScheduleState& state)
{
    std::string s = "{\"pages\":[";
    for (size_t i = 0; i < state.pages.size(); ++i)
        s += (i ? "," : "") + std::to_string(state.pages[i] + 1);
    s += "],\"entries\":[";
    for (size_t i = 0; i < state.entries.size(); ++i)
        s += (i ? "," : "") + JsonString(schedule.entries[state.entries[i]].name);
    return s + "],\"default\":" + (state.isDefault ? "true" : "false") + "}";
}

} // namespace cli

namespace {

using cli::Args;

// "1,3" or "1-3,5": 1-based pages, as the list names them.
std::vector<unsigned> ParsePages(const std::string& text)
{
    std::set<unsigned> pages;
    std::stringstream in(text);
    std::string part;
    while (std::getline(in, part, ',')) {
        unsigned a = 0, b = 0;
        char dash = 0, tail = 0;
        const int n = std::sscanf(part.c_str(), "%u%c%u%c", &a, &dash, &b, &tail);
        if (n == 1)
            b = a;
        else if (n != 3 || dash != '-')
            a = 0;
        if (a < 1 || b < a || b > lumivo::kMaxPages)
            throw cli::UsageError("--pages must list pages from 1 to 50 (\"1,3\" or \"2-4\"), not \"" + text + "\"");
        for (unsigned p = a; p <= b; ++p)
            pages.insert(p - 1);
    }
    if (pages.empty())
        throw cli::UsageError("--pages must name at least one Ad");
    return {pages.begin(), pages.end()};
}

// "Mon-Fri", "Sat,Sun", "daily", "weekdays", "weekend".
uint8_t ParseDays(const std::string& text)
{
    if (text == "daily")
        return lumivo::kAllDays;
    if (text == "weekdays")
        return lumivo::kWeekdays;
    if (text == "weekend")
        return 0x41;
    auto day = [&](const std::string& name) {
        for (int d = 0; d < 7; ++d)
            if (name == lumivo::DayName(d))
                return d;
        throw cli::UsageError("--days takes day names Mon, Tue, Wed, Thu, Fri, Sat, Sun (\"Mon-Fri\", \"Sat,Sun\"), "
                              "\"daily\", \"weekdays\" or \"weekend\", not \"" + text + "\"");
    };
    uint8_t days = 0;
    std::stringstream in(text);
    std::string part;
    while (std::getline(in, part, ',')) {
        const auto dash = part.find('-');
        if (dash == std::string::npos) {
            days |= static_cast<uint8_t>(1u << day(part));
            continue;
        }
        // A run from Monday-first order: "Fri-Mon" wraps over the weekend.
        for (int d = day(part.substr(0, dash)), last = day(part.substr(dash + 1));; d = (d + 1) % 7) {
            days |= static_cast<uint8_t>(1u << d);
            if (d == last)
                break;
        }
    }
    return days;
}

lumivo::Date DateOption(const Args& args, const char* name)
{
    const std::string text = *args.Get(name);
    auto d = lumivo::ParseDate(text);
    if (!d)
        throw cli::UsageError(std::string("--") + name + " must be a date YYYY-MM-DD, not \"" + text + "\"");
    return *d;
}

int Show(const Args& args)
{
    auto project = cli::OpenProject(args.positional[0]);
    const lumivo::Schedule& s = project->GetSchedule();
    auto eval = cli::ScheduleEvaluator(*project);
    std::cout << "time zone " << eval->ZoneName() << ", " << s.entries.size()
              << (s.entries.size() == 1 ? " entry" : " entries") << "\n";
    for (size_t i = 0; i < s.entries.size(); ++i) {
        const lumivo::ScheduleEntry& e = s.entries[i];
        std::string pages;
        for (unsigned p : e.pages)
            pages += (pages.empty() ? "" : ",") + std::to_string(p + 1);
        std::printf("%3zu  %-20s  %-30s  priority %d  Ads %s\n", i + 1, e.name.c_str(), lumivo::DescribeWhen(e).c_str(),
                    e.priority, pages.empty() ? "(none)" : pages.c_str());
    }
    // The week from the Monday of this week, an hour a column: the entry
    // shown at the start of the hour, "." for the default set, "+" for more
    // than one entry at once.
    const lumivo::ScheduleClock clock = cli::ClockOf(args, *eval);
    const lumivo::LocalTime now = eval->ToLocal(clock());
    const int monday = lumivo::DayNumber(now.date) - (lumivo::Weekday(now.date) + 6) % 7;
    std::cout << "\nweek of " << lumivo::FormatDate(lumivo::FromDayNumber(monday)) << " (hours 0-23):\n     ";
    for (int h = 0; h < 24; ++h)
        std::printf("%-3d", h);
    std::cout << "\n";
    for (int d = 0; d < 7; ++d) {
        const lumivo::Date date = lumivo::FromDayNumber(monday + d);
        std::cout << lumivo::DayName(lumivo::Weekday(date)) << "  ";
        for (int h = 0; h < 24; ++h) {
            const lumivo::ScheduleState st = eval->At(eval->ToInstant(date, h * 60));
            std::string cell = st.entries.empty() ? "." : st.entries.size() > 1 ? "+" : std::to_string(st.entries[0] + 1);
            std::printf("%-3s", cell.c_str());
        }
        std::cout << "\n";
    }
    return cli::kExitOk;
}

int Add(const Args& args)
{
    const std::filesystem::path path = args.positional[0];
    auto project = cli::OpenProject(path);
    lumivo::ScheduleEntry e;
    const auto name = args.Get("name");
    if (!name || name->empty())
        throw cli::UsageError("--name is required");
    e.name = *name;
    const auto pages = args.Get("pages");
    if (!pages)
        throw cli::UsageError("--pages is required");
    e.pages = ParsePages(*pages);
    for (const char* key : {"start", "end"}) {
        const auto text = args.Get(key);
        if (!text)
            throw cli::UsageError(std::string("--") + key + " is required");
        const auto m = lumivo::ParseMinute(*text);
        if (!m)
            throw cli::UsageError(std::string("--") + key + " must be HH:MM, not \"" + *text + "\"");
        (std::string(key) == "start" ? e.start : e.end) = *m;
    }
    if (auto days = args.Get("days"))
        e.days = ParseDays(*days);
    if (args.Has("first"))
        e.first = DateOption(args, "first");
    if (args.Has("last"))
        e.last = DateOption(args, "last");
    for (const std::string& x : args.All("except")) {
        auto d = lumivo::ParseDate(x);
        if (!d)
            throw cli::UsageError("--except must be a date YYYY-MM-DD, not \"" + x + "\"");
        e.except.push_back(*d);
    }
    std::sort(e.except.begin(), e.except.end());
    e.priority = static_cast<int>(args.Number("priority", 1, 9).value_or(lumivo::kDefaultPriority));
    if (auto rule = args.Get("rule"))
        e.rule = *rule;
    for (unsigned p : e.pages)
        if (p >= project->PageCount())
            throw cli::Failure("there is no Ad " + std::to_string(p + 1) + " (the project has " +
                               std::to_string(project->PageCount()) + ")");
    lumivo::Schedule s = project->GetSchedule();
    s.entries.push_back(e);
    cli::Check(project->SetSchedule(s));
    cli::SaveProject(*project, path);
    std::cout << "entry " << s.entries.size() << " \"" << e.name << "\": " << lumivo::DescribeWhen(e) << "\n";
    return cli::kExitOk;
}

int Remove(const Args& args)
{
    const std::filesystem::path path = args.positional[0];
    auto project = cli::OpenProject(path);
    lumivo::Schedule s = project->GetSchedule();
    const std::string& which = args.positional[1];
    size_t index = s.entries.size();
    char* end = nullptr;
    const unsigned long n = std::strtoul(which.c_str(), &end, 10);
    if (!which.empty() && *end == '\0' && n >= 1 && n <= s.entries.size())
        index = n - 1;
    else
        for (size_t i = 0; i < s.entries.size(); ++i)
            if (s.entries[i].name == which) {
                index = i;
                break;
            }
    if (index == s.entries.size())
        throw cli::Failure("there is no entry \"" + which + "\" (give its number from 1 or its name)");
    const std::string name = s.entries[index].name;
    s.entries.erase(s.entries.begin() + static_cast<long>(index));
    cli::Check(project->SetSchedule(s));
    cli::SaveProject(*project, path);
    std::cout << "removed entry " << index + 1 << " \"" << name << "\"\n";
    return cli::kExitOk;
}

int At(const Args& args)
{
    auto project = cli::OpenProject(args.positional[0]);
    auto eval = cli::ScheduleEvaluator(*project);
    const std::time_t t = cli::ParseInstant(*eval, args.positional[1], "TIME", cli::ClockOf(args, *eval));
    const lumivo::ScheduleState st = eval->At(t);
    if (args.Has("json"))
        std::cout << cli::StateJson(project->GetSchedule(), st) << "\n";
    else
        std::cout << cli::FormatInstant(*eval, t) << "  " << cli::StateText(project->GetSchedule(), st) << "\n";
    return cli::kExitOk;
}

int Next(const Args& args)
{
    auto project = cli::OpenProject(args.positional[0]);
    auto eval = cli::ScheduleEvaluator(*project);
    const long count = args.Number("count", 1, 1000).value_or(10);
    std::time_t t = cli::ClockOf(args, *eval)();
    std::cout << "now " << cli::FormatInstant(*eval, t) << "  " << cli::StateText(project->GetSchedule(), eval->At(t))
              << "\n";
    const std::time_t limit = t + 400L * 86400;
    for (long i = 0; i < count; ++i) {
        const auto next = eval->NextChange(t, limit);
        if (!next) {
            std::cout << (i == 0 ? "no change in the coming year\n" : "");
            break;
        }
        t = *next;
        std::cout << cli::FormatInstant(*eval, t) << "  " << cli::StateText(project->GetSchedule(), eval->At(t)) << "\n";
    }
    return cli::kExitOk;
}

int CheckVerb(const Args& args)
{
    auto project = cli::OpenProject(args.positional[0]);
    const lumivo::Schedule& s = project->GetSchedule();
    auto eval = cli::ScheduleEvaluator(*project);
    const lumivo::ScheduleProblems p =
        lumivo::FindScheduleProblems(s, *eval, project->PageCount(), cli::ClockOf(args, *eval)());
    for (auto [entry, page] : p.missingPages)
        std::cout << "entry " << entry + 1 << " \"" << s.entries[entry].name << "\" names Ad " << page + 1
                  << ", which does not exist\n";
    for (size_t entry : p.entriesWithoutAds)
        std::cout << "entry " << entry + 1 << " \"" << s.entries[entry].name << "\" names no Ad that exists\n";
    for (unsigned page : p.unusedPages)
        std::cout << "Ad " << page + 1 << " is shown at no time in the coming year\n";
    if (p.empty()) {
        std::cout << "the schedule is sound: " << s.entries.size() << (s.entries.size() == 1 ? " entry" : " entries")
                  << ", every Ad shown\n";
        return cli::kExitOk;
    }
    return cli::kExitRepaired;
}

const cli::Verb kShow{"schedule show", "FILE.qvndoc", "the schedule's entries and its week as text",
                      "Ads are numbered from 1, as the program's list names them. The week shows,\n"
                      "for each hour of this week, the entry in force at its start: \".\" where\n"
                      "nothing is scheduled (the Uses boxes decide), \"+\" where several are.",
                      {cli::NowOption()}, 1, 1, Show};
LUMIVO_CLI_VERB(kShow);

const cli::Verb kAdd{
    "schedule add", "FILE.qvndoc --name N --pages LIST --start HH:MM --end HH:MM [options]",
    "add an entry to the schedule",
    "An end at or before the start runs past midnight; the window belongs to the\n"
    "day it starts. The file and its companion NAME.lumivo.json are saved.",
    {{"name", "N", "the entry's name (required)"},
     {"pages", "LIST", "the Ads it shows, from 1: \"1,3\" or \"2-4\" (required)"},
     {"start", "HH:MM", "the window's start (required)"},
     {"end", "HH:MM", "the window's end, 00:01 to 24:00 (required)"},
     {"days", "DAYS", "\"Mon-Fri\", \"Sat,Sun\", \"daily\" (default), \"weekdays\" or \"weekend\""},
     {"first", "DATE", "the first day (YYYY-MM-DD)"},
     {"last", "DATE", "the last day (YYYY-MM-DD)"},
     {"except", "DATE", "a day it does not apply (repeatable)", true},
     {"priority", "P", "1 (highest) to 9 (default 5)"},
     {"rule", "RRULE", "an iCalendar rule instead of --days (needs --first)"}},
    1, 1, Add};
LUMIVO_CLI_VERB(kAdd);

const cli::Verb kRemove{"schedule remove", "FILE.qvndoc ENTRY", "remove an entry (by number from 1, or by name)", "",
                        {}, 2, 2, Remove};
LUMIVO_CLI_VERB(kRemove);

const cli::Verb kAt{"schedule at", "FILE.qvndoc TIME [--json]", "the Ads shown at a time and the entries that put them there",
                    "TIME is \"YYYY-MM-DD HH:MM[:SS]\" in the schedule's time zone, or \"now\".\n"
                    "--json prints {\"pages\":[1,3],\"entries\":[\"Breakfast\"],\"default\":false}.",
                    {{"json", nullptr, "print one JSON object"}, cli::NowOption()}, 2, 2, At};
LUMIVO_CLI_VERB(kAt);

const cli::Verb kNext{"schedule next", "FILE.qvndoc [--count N]", "the coming changes of the Ads shown", "",
                      {{"count", "N", "how many changes (default 10)"}, cli::NowOption()}, 1, 1, Next};
LUMIVO_CLI_VERB(kNext);

const cli::Verb kCheck{"schedule check", "FILE.qvndoc",
                       "entries naming no Ad, Ads never shown; exit 3 when there is something to fix", "",
                       {cli::NowOption()}, 1, 1, CheckVerb};
LUMIVO_CLI_VERB(kCheck);

} // namespace
