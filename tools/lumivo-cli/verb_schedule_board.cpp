// SPDX-License-Identifier: GPL-2.0-or-later
// lumivo-cli schedule apply and run: the board brought to the schedule's
// state now (apply), and kept there (run).
#include "board_link.h"
#include "verb_schedule.h"

#include "core/image_use.h"
#include "core/schedule_apply.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <iostream>
#include <thread>

namespace {

std::atomic<bool> g_stop{false};

void OnStop(int) { g_stop = true; }

// As send does: Image items whose user image is gone are refused before
// the port opens (without a library here the indexes cannot be told apart).
std::unique_ptr<lumivo::CProjectCore> OpenCheckedProject(const std::string& path)
{
    auto project = cli::OpenProject(path);
    if (project->ContentResource() != 0)
        cli::Check(lumivo::CheckBeforeSend(*project));
    return project;
}

std::string OutcomeText(const lumivo::ApplyReport& r)
{
    switch (r.outcome) {
    case lumivo::ApplyOutcome::Sent: return "sent";
    case lumivo::ApplyOutcome::AlreadyHeld: return "the board holds them already, nothing sent";
    case lumivo::ApplyOutcome::Failed: break;
    }
    return "failed: " + r.error;
}

int Apply(const cli::Args& args)
{
    auto project = OpenCheckedProject(args.positional[0]);
    auto eval = cli::ScheduleEvaluator(*project);
    const lumivo::ScheduleClock clock = cli::ClockOf(args, *eval);
    const std::time_t now = clock();
    const lumivo::ScheduleState state = eval->At(now);
    const cli::CScheduleBoardClock boardClock(*eval, clock);
    cli::CBoardRun run(args, true, nullptr, &boardClock);
    const lumivo::ApplyReport r = lumivo::ApplyStateToBoard(run.Session(), *project, state);
    if (r.outcome == lumivo::ApplyOutcome::Failed)
        throw cli::Failure(r.error);
    std::cout << cli::FormatInstant(*eval, now) << "  " << cli::StateText(project->GetSchedule(), state) << ": "
              << OutcomeText(r) << "\n";
    return cli::kExitOk;
}

int Run(const cli::Args& args)
{
    auto project = OpenCheckedProject(args.positional[0]);
    auto eval = cli::ScheduleEvaluator(*project);
    const lumivo::ScheduleClock clock = cli::ClockOf(args, *eval);
    const long poll = args.Number("poll", 1, 3600).value_or(60);
    const long runFor = args.Number("for", 1, 100L * 365 * 86400).value_or(0);
    const cli::CScheduleBoardClock boardClock(*eval, clock);
    cli::CBoardRun run(args, true, nullptr, &boardClock);
    g_stop = false;
    struct sigaction sa {};
    sa.sa_handler = OnStop;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);

    const auto began = std::chrono::steady_clock::now();
    std::optional<lumivo::ScheduleState> held; // what the board was last brought to
    std::time_t nextCheck = 0;
    bool failing = false;
    while (!g_stop) {
        if (runFor && std::chrono::steady_clock::now() - began >= std::chrono::seconds(runFor))
            break;
        const std::time_t now = clock();
        const lumivo::ScheduleState state = eval->At(now);
        // Level, not edge: the board is compared with the state at every
        // change and at every poll, so a board switched on late, or reset,
        // gets the current state at its first connection.
        if (!held || held->pages != state.pages || now >= nextCheck) {
            const lumivo::ApplyReport r = lumivo::ApplyStateToBoard(run.Session(), *project, state);
            const bool switched = !held || held->pages != state.pages;
            if (r.outcome != lumivo::ApplyOutcome::Failed) {
                if (switched || r.outcome == lumivo::ApplyOutcome::Sent || failing)
                    std::cout << cli::FormatInstant(*eval, now) << "  " << cli::StateText(project->GetSchedule(), state)
                              << ": " << OutcomeText(r) << std::endl;
                held = state;
                failing = false;
            } else {
                if (!failing)
                    std::cout << cli::FormatInstant(*eval, now) << "  " << cli::StateText(project->GetSchedule(), state)
                              << ": " << OutcomeText(r) << "; trying again every " << poll << " s" << std::endl;
                held.reset();
                failing = true;
            }
            nextCheck = now + poll;
        }
        // Sleep until the next change or poll, in short steps so a signal ends it soon.
        const auto change = eval->NextChange(now, nextCheck);
        const std::time_t wake = change ? *change : nextCheck;
        while (!g_stop && clock() < wake &&
               !(runFor && std::chrono::steady_clock::now() - began >= std::chrono::seconds(runFor)))
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    run.Disconnect();
    return cli::kExitOk;
}

const cli::Verb kApply{
    "schedule apply", "FILE.qvndoc [link options]", "bring the board to the schedule's state now",
    "Sets the Uses boxes of the Ads shown now (in the Ads sent, not in the file),\n"
    "connects (which sets the controller's clock, to --now when given, and reads\n"
    "back the Ads it holds)\n"
    "and sends only when the board holds other Ads. The read-back, not a record of\n"
    "what was sent last, is compared, so a board reset or changed elsewhere is\n"
    "brought back too.",
    cli::LinkOptions({cli::NowOption()}), 1, 1, Apply};
LUMIVO_CLI_VERB(kApply);

const cli::Verb kRun{
    "schedule run", "FILE.qvndoc [link options]", "keep the board at the schedule's state",
    "Applies the state at the start, at every change and every --poll seconds\n"
    "(sending only when the board holds other Ads), so a board switched on or\n"
    "reconnected late gets the current state at its first connection. Each switch\n"
    "is logged on standard output. Ends on SIGINT or SIGTERM, or after --for.",
    cli::LinkOptions({{"poll", "S", "seconds between checks of the board (1 to 3600, default 60)"},
                      {"for", "S", "end after S seconds"},
                      cli::NowOption()}),
    1, 1, Run};
LUMIVO_CLI_VERB(kRun);

} // namespace
