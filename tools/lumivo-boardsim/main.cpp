// SPDX-License-Identifier: GPL-2.0-or-later
// lumivo-boardsim: a simulated controller on a pseudo-terminal. The first
// line of standard output is the device path to connect to.
#include "boardsim.h"

#include <csignal>
#include <cstdio>
#include <cstring>

namespace {
boardsim::CBoardSim* g_sim = nullptr;

void OnSignal(int)
{
    if (g_sim)
        g_sim->Stop();
}
} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(boardsim::Usage(), stdout);
        return 0;
    }
    boardsim::Options options;
    std::string error;
    if (!boardsim::ParseOptions(args, options, error)) {
        std::fprintf(stderr, "lumivo-boardsim: %s\n%s", error.c_str(), boardsim::Usage());
        return 2;
    }
    boardsim::CBoardSim sim(options, stderr);
    if (int err = sim.Create()) {
        std::fprintf(stderr, "lumivo-boardsim: cannot create a pseudo-terminal: %s\n", std::strerror(err));
        return 1;
    }
    g_sim = &sim;
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::printf("%s\n", sim.DevicePath().c_str());
    std::fflush(stdout);
    sim.Run();
    g_sim = nullptr;
    return 0;
}
