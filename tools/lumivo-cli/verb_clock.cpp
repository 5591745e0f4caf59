// SPDX-License-Identifier: GPL-2.0-or-later
// lumivo-cli clock: set the controller's clock to this computer's local time.
#include "board_link.h"

#include <iostream>

namespace {

int Run(const cli::Args& args)
{
    cli::CBoardRun run(args, false);
    run.Connect(); // the connection sets the clock
    run.Disconnect();
    std::cout << "clock set\n";
    return cli::kExitOk;
}

const cli::Verb kVerb{"clock", "[link options]", "set the controller's clock to the local time",
                      "Connects (which sets the clock) and disconnects.", cli::LinkOptions(), 0, 0, Run};
LUMIVO_CLI_VERB(kVerb);

} // namespace
