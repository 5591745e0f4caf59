// SPDX-License-Identifier: GPL-2.0-or-later
// lumivo-cli schedule import and export: a project's schedule to and from an
// iCalendar file, so that it can be kept in any calendar program.
#include "verb_schedule.h"

#include "core/schedule_ics.h"

#include <fstream>
#include <iostream>

namespace {

std::string ZoneOf(const lumivo::Schedule& s)
{
    return s.timeZone.empty() ? lumivo::SystemZoneName() : s.timeZone;
}

int Import(const cli::Args& args)
{
    const std::filesystem::path path = args.positional[0], calendar = args.positional[1];
    auto project = cli::OpenProject(path);
    std::vector<uint8_t> bytes;
    cli::Check(lumivo::ReadFileLimited(calendar, lumivo::kMaxCalendarBytes, bytes), calendar.string());
    lumivo::Schedule s = project->GetSchedule();
    const size_t before = s.entries.size();
    if (!args.Has("merge"))
        s.entries.clear();
    const lumivo::Result r = lumivo::ReadCalendar(std::string(bytes.begin(), bytes.end()), ZoneOf(s), s);
    cli::Check(r, calendar.string());
    cli::PrintNotes(r);
    cli::Check(project->SetSchedule(s));
    cli::SaveProject(*project, path);
    const size_t added = args.Has("merge") ? s.entries.size() - before : s.entries.size();
    std::cout << (args.Has("merge") ? "added " : "imported ") << added << (added == 1 ? " entry" : " entries")
              << " from " << calendar.string() << "\n";
    return cli::kExitOk;
}

int Export(const cli::Args& args)
{
    auto project = cli::OpenProject(args.positional[0]);
    const lumivo::Schedule& s = project->GetSchedule();
    const std::string text = lumivo::WriteCalendar(s, ZoneOf(s), std::time(nullptr));
    const std::filesystem::path out = args.positional[1];
    cli::Check(lumivo::WriteFileAtomic(out, std::vector<uint8_t>(text.begin(), text.end())));
    std::cout << "wrote " << s.entries.size() << (s.entries.size() == 1 ? " event" : " events") << " to " << out.string()
              << "\n";
    return cli::kExitOk;
}

const cli::Verb kImport{
    "schedule import", "FILE.qvndoc CALENDAR.ics [--merge]", "replace the schedule by a calendar's events",
    "Each event names its Ads by categories \"Ad 01\", \"Ad 03\" (the list's labels);\n"
    "one without them is reported and left out. SUMMARY is the name, DTSTART and\n"
    "DTEND the window, RRULE, EXDATE and PRIORITY the days, exceptions and priority.\n"
    "A malformed file changes nothing and names its line.",
    {{"merge", nullptr, "add the events to the schedule instead of replacing it"}}, 2, 2, Import};
LUMIVO_CLI_VERB(kImport);

const cli::Verb kExport{"schedule export", "FILE.qvndoc CALENDAR.ics", "write the schedule as an iCalendar file", "",
                        {}, 2, 2, Export};
LUMIVO_CLI_VERB(kExport);

} // namespace
