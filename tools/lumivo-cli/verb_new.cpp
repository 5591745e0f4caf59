// SPDX-License-Identifier: GPL-2.0-or-later
// lumivo-cli new: an empty project on a board.
#include "cli.h"

namespace {

int Run(const cli::Args& args)
{
    const std::filesystem::path path = args.positional[0];
    std::error_code ec;
    if (std::filesystem::exists(path, ec) && !args.Has("force"))
        throw cli::Failure(path.string() + " already exists (--force replaces it)");
    auto project = cli::NewProject(args, path);
    cli::SaveProject(*project, path);
    return cli::kExitOk;
}

std::vector<cli::Option> Options()
{
    std::vector<cli::Option> options = cli::BoardOptions();
    options.push_back({"force", nullptr, "replace an existing file"});
    return options;
}

const cli::Verb kVerb{
    "new", "FILE.qvndoc [options]", "create an empty project for a board",
    "The content rows follow the module rows unless --content-rows is given\n"
    "(3 and 4 module rows use the 32-dot content, rows 2).",
    Options(), 1, 1, Run};
LUMIVO_CLI_VERB(kVerb);

} // namespace
