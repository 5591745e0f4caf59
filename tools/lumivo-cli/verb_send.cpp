// SPDX-License-Identifier: GPL-2.0-or-later
// lumivo-cli send: a project's Ads to the controller.
#include "board_link.h"

#include "core/link_project.h"

#include <iostream>

namespace {

int Run(const cli::Args& args)
{
    auto project = cli::OpenProject(args.positional[0], lumivo::NoContentLibrary()); // the link draws nothing
    const unsigned pages = project->PageCount(), items = project->ItemCount();
    cli::CBoardRun run(args, false, project.get());
    run.Connect();
    const lumivo::BoardResult r = run.Session().Send();
    run.PrintProjectNotes();
    if (r != lumivo::BoardResult::Ok)
        throw cli::Failure(run.Session().LastError());
    std::cout << "sent " << pages << " Ads (" << items << " items)\n";
    return cli::kExitOk;
}

const cli::Verb kVerb{"send", "FILE.qvndoc [link options]", "send a project's Ads to the controller",
                      "Connects (which also sets the controller's clock and takes the board\n"
                      "values of the controller into the loaded project, not into the file),\n"
                      "sends the Ads and disconnects. The file is not changed.",
                      cli::LinkOptions(), 1, 1, Run};
LUMIVO_CLI_VERB(kVerb);

} // namespace
