// SPDX-License-Identifier: GPL-2.0-or-later
// lumivo-cli connect: what the controller reports about itself.
#include "board_link.h"

#include "core/link_project.h"

#include <iostream>

namespace {

int Run(const cli::Args& args)
{
    bool fetch = false;
    if (auto v = args.Get("fetch-stored"))
        fetch = cli::ParseSwitch("--fetch-stored", *v);
    lumivo::CProjectCore project{lumivo::NoContentLibrary()}; // the link draws nothing
    cli::CBoardRun run(args, fetch, &project);
    run.Connect();
    run.PrintProjectNotes();
    const lumivo::CBoardSession& s = run.Session();
    const lumivo::CModuleStateModel settings = cli::ModelOf(s);
    if (args.Has("json")) {
        std::cout << "{\"module\":" << cli::ModuleInfoJson(s.ModuleInfo())
                  << ",\"settings\":" << cli::SettingsJson(settings);
        if (fetch)
            std::cout << ",\"fetchedPages\":" << project.PageCount() << ",\"fetchedItems\":" << project.ItemCount()
                      << ",\"fetchedUserImages\":" << project.UserImageCount();
        std::cout << "}\n";
    } else {
        cli::PrintModuleInfo(s.ModuleInfo());
        cli::PrintSettings(settings);
        if (fetch)
            std::cout << "fetched: " << project.PageCount() << " Ads, " << project.ItemCount() << " items, "
                      << project.UserImageCount() << " user images\n";
    }
    run.Disconnect();
    return cli::kExitOk;
}

const cli::Verb kVerb{
    "connect", "[--fetch-stored yes|no] [--json] [link options]",
    "connect to the controller, set its clock and show what it reports",
    "Runs the connection sequence (update mode, clock, module information,\n"
    "settings), prints the module information and the controller settings,\n"
    "then leaves update mode. --fetch-stored yes also reads the stored Ads and\n"
    "user images (use fetch to keep them). --json prints {\"module\":{...},\n"
    "\"settings\":{...}} with the fields of the text output.",
    cli::LinkOptions({{"fetch-stored", "yes|no", "read the stored Ads when there are some (default no)"},
                      {"json", nullptr, "print one JSON object"}}),
    0, 0, Run};
LUMIVO_CLI_VERB(kVerb);

} // namespace
