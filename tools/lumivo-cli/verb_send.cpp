// SPDX-License-Identifier: GPL-2.0-or-later
// lumivo-cli send: a project's Ads to the controller.
#include "board_link.h"

#include "core/link_project.h"
#include "core/image_use.h"

#include <iostream>

namespace {

// Refuses, before the port opens, a project whose Image items show user
// images it does not hold. Telling the library's images from the user's
// needs the content library, which the link never loads: only projects
// with Image items pay for loading it.
void CheckImages(const lumivo::CProjectCore& linked, const std::filesystem::path& path)
{
    if (!lumivo::HasImageItems(linked))
        return;
    lumivo::CProjectCore project;
    cli::Check(project.LoadFile(path), path.string());
    if (project.ContentResource() == 0)
        return; // no library for its board here: the indexes cannot be told apart
    cli::Check(lumivo::CheckBeforeSend(project));
}

int Run(const cli::Args& args)
{
    auto project = cli::OpenProject(args.positional[0], lumivo::NoContentLibrary()); // the link draws nothing
    const unsigned pages = project->PageCount(), items = project->ItemCount();
    CheckImages(*project, args.positional[0]);
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
