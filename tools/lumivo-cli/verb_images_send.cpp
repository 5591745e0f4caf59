// SPDX-License-Identifier: GPL-2.0-or-later
// lumivo-cli images send: a project's user images to the controller.
#include "board_link.h"

#include "core/image_budget.h"
#include "core/link_project.h"

#include <iostream>

namespace {

int Run(const cli::Args& args)
{
    auto project = cli::OpenProject(args.positional[0], lumivo::NoContentLibrary()); // the link draws nothing
    // Refused before the port is even opened: nothing goes out.
    cli::Check(lumivo::CheckUserImageBudget(project->UserImages()));
    cli::CBoardRun run(args, false, project.get());
    run.Connect();
    const lumivo::BoardResult r = run.Session().SendUserImages();
    run.PrintProjectNotes();
    if (r != lumivo::BoardResult::Ok)
        throw cli::Failure(run.Session().LastError());
    std::cout << "sent " << project->UserImageCount() << " user images\n";
    return cli::kExitOk;
}

const cli::Verb kVerb{"images send", "FILE.qvndoc [link options]", "send a project's user images to the controller",
                      "Connects, sends the user-image blob, closes the exchange and disconnects.",
                      cli::LinkOptions(), 1, 1, Run};
LUMIVO_CLI_VERB(kVerb);

} // namespace
