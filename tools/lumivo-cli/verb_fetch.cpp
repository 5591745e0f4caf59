// SPDX-License-Identifier: GPL-2.0-or-later
// lumivo-cli fetch: the controller's stored Ads and user images as a project.
#include "board_link.h"

#include "core/link_project.h"

#include <iostream>

namespace {

int Run(const cli::Args& args)
{
    const std::filesystem::path out = args.positional[0];
    lumivo::CProjectCore project{lumivo::NoContentLibrary()}; // the link draws nothing
    cli::CBoardRun run(args, true, &project);
    run.Connect();
    run.Disconnect();
    run.PrintProjectNotes();
    std::string name = out.filename().string();
    if (name.size() > 7 && name.compare(name.size() - 7, 7, lumivo::kProjectExtension) == 0)
        name.resize(name.size() - 7);
    project.SetProject(out.parent_path().string(), name);
    cli::SaveProject(project, out);
    const lumivo::BoardValues& b = project.Board();
    std::cout << "fetched " << project.PageCount() << " Ads (" << project.ItemCount() << " items) and "
              << project.UserImageCount() << " user images for a board of " << int(b.moduleRow) << " x "
              << int(b.moduleColumn) << " modules into " << out.string() << "\n";
    return cli::kExitOk;
}

const cli::Verb kVerb{"fetch", "OUT.qvndoc [link options]",
                      "read the controller's stored Ads and user images into a new project",
                      "The project's board values come from the controller's module information.\n"
                      "A controller without stored Ads gives a project without Ads.",
                      cli::LinkOptions(), 1, 1, Run};
LUMIVO_CLI_VERB(kVerb);

} // namespace
