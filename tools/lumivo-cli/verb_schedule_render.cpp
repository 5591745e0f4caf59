// SPDX-License-Identifier: GPL-2.0-or-later
// lumivo-cli schedule render: what the board shows at an instant, played
// through the render path of "render".
#include "render_play.h"
#include "verb_schedule.h"

#include "core/schedule_apply.h"

namespace {

int Render(const cli::Args& args)
{
    const cli::RenderOutput output = cli::ReadRenderOutput(args);
    const std::optional<std::string> at = args.Get("at");
    if (!at)
        throw cli::UsageError("--at is required");
    auto project = cli::OpenProject(args.positional[0]);
    auto eval = cli::ScheduleEvaluator(*project);
    const std::time_t t = cli::ParseInstant(*eval, *at, "--at", cli::ClockOf(args, *eval));
    const lumivo::ScheduleState state = eval->At(t);
    if (state.pages.empty())
        throw cli::Failure("the board shows no Ad at " + cli::FormatInstant(*eval, t) +
                           " (nothing is scheduled and no Uses box is checked)");
    const std::vector<CLumivo> items = lumivo::StateItems(*project, state);
    // Clocks and dates on the board show the instant rendered.
    const SYSTEMTIME start = cli::LocalSystemTime(*eval, t);
    return cli::RenderItems(output, *project, items, start,
                            cli::StateText(project->GetSchedule(), state) + " at " + cli::FormatInstant(*eval, t));
}

std::vector<cli::Option> Options()
{
    std::vector<cli::Option> options{{"at", "TIME", "the instant, \"YYYY-MM-DD HH:MM[:SS]\" or \"now\" (required)"}};
    for (const cli::Option& o : cli::RenderOutputOptions())
        options.push_back(o);
    options.push_back(cli::NowOption());
    return options;
}

const cli::Verb kRender{
    "schedule render", "FILE.qvndoc --at TIME --out OUT [options]",
    "play what the board shows at an instant and write it as a GIF or PNG",
    "The Ads the schedule shows at TIME (or the Uses boxes where nothing is\n"
    "scheduled) play one after the other, as the board plays them, through the\n"
    "same player and output as \"render\" (see its help for OUT, --fps and\n"
    "--zoom). Clocks and dates on the board show TIME.",
    Options(), 1, 1, Render};
LUMIVO_CLI_VERB(kRender);

} // namespace
