// SPDX-License-Identifier: GPL-2.0-or-later
// lumivo-cli render: one page played as the preview plays it, on virtual
// time, written as an animated GIF, a PNG of the last frame, or a folder of
// numbered PNG frames.
#include "board_image.h"
#include "cli.h"
#include "render_play.h"

#include "core/clock.h"
#include "core/player.h"

#include <qvr/effect.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>

namespace {

double Seconds(const cli::Args& args)
{
    const std::optional<std::string> text = args.Get("seconds");
    if (!text)
        return 10.0;
    char* end = nullptr;
    const double v = std::strtod(text->c_str(), &end);
    if (text->empty() || *end != '\0' || !(v > 0) || v > 600)
        throw cli::UsageError("--seconds must be a number above 0 and at most 600, not \"" + *text + "\"");
    return v;
}

// "HH:MM" or "HH:MM:SS" today, local time.
SYSTEMTIME StartTime(const cli::Args& args)
{
    SYSTEMTIME t = lumivo::SystemClock().LocalNow();
    const std::optional<std::string> text = args.Get("time");
    if (!text)
        return t;
    unsigned h = 0, m = 0, s = 0;
    char tail = 0;
    const int n = std::sscanf(text->c_str(), "%u:%u:%u%c", &h, &m, &s, &tail);
    if ((n != 2 && n != 3) || h > 23 || m > 59 || s > 59)
        throw cli::UsageError("--time must be HH:MM or HH:MM:SS, not \"" + *text + "\"");
    t.wHour = static_cast<WORD>(h);
    t.wMinute = static_cast<WORD>(m);
    t.wSecond = static_cast<WORD>(n == 3 ? s : 0);
    t.wMilliseconds = 0;
    return t;
}

using Output = cli::RenderOutput::Kind;

Output OutputOf(const std::string& out)
{
    if (!out.empty() && out.back() == '/')
        return Output::Folder;
    std::string ext = std::filesystem::path(out).extension().string();
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".gif")
        return Output::Gif;
    if (ext == ".png")
        return Output::Png;
    throw cli::UsageError("--out must end in .gif, .png or / (a folder of frames), not \"" + out + "\"");
}

// Restores the engine's clock when the render ends.
struct EngineClock {
    explicit EngineClock(qvr::EffectClock c) : previous(qvr::SetEffectClock(std::move(c))) {}
    ~EngineClock() { qvr::SetEffectClock(previous); }
    qvr::EffectClock previous;
};

} // namespace

namespace cli {

std::vector<Option> RenderOutputOptions()
{
    return {{"out", "OUT", "the file or folder to write (required)"},
            {"seconds", "S", "time to play, may have decimals (default 10)"},
            {"zoom", "Z", "pixels per LED across (1 to 32, default 4)"},
            {"fps", "F", "output frames a second (1 to 200, default 50)"},
            {"dots", nullptr, "draw each LED as a round dot on a dark background"}};
}

RenderOutput ReadRenderOutput(const Args& args)
{
    RenderOutput o;
    const std::optional<std::string> out = args.Get("out");
    if (!out)
        throw cli::UsageError("--out is required");
    o.out = *out;
    o.kind = OutputOf(o.out);
    o.seconds = Seconds(args);
    o.zoom = static_cast<int>(args.Number("zoom", 1, 32).value_or(4));
    o.fps = static_cast<unsigned>(args.Number("fps", 1, 200).value_or(50));
    o.dots = args.Has("dots");
    return o;
}

int RenderItems(const RenderOutput& output, lumivo::CProjectCore& project, const std::vector<CLumivo>& items,
                const SYSTEMTIME& start, const std::string& what)
{
    const std::string* out = &output.out;
    const Output kind = output.kind;
    const double seconds = output.seconds;
    const int zoom = output.zoom;
    const unsigned fps = output.fps;
    const bool dots = output.dots;
    const lumivo::BoardValues& board = project.Board();

    lumivo::VirtualClock clock(start);
    EngineClock engineClock(clock.Function());
    auto player = std::make_unique<lumivo::CPlayer>();
    player->SetClock(clock.Function());
    player->SetContent(&project.Content());
    player->SetModuleSize(board.moduleColumn, board.moduleRow);
    player->Play(items);

    const int w = player->BoardWidth(), h = player->BoardHeight();
    const uint64_t totalMs = static_cast<uint64_t>(std::llround(seconds * 1000));
    const unsigned frameMs = (1000 + fps - 1) / fps;
    std::string error;
    cli::BoardPicture picture(w, h, zoom, dots);
    cli::GifWriter gif;
    std::optional<cli::PngFrameWriter> frames; // PNG frames are compressed while the player goes on
    std::ofstream times;
    std::filesystem::path folder;
    if (kind == Output::Gif && !gif.Open(*out, w, h, zoom, dots, error))
        throw cli::Failure(error);
    if (kind == Output::Folder) {
        folder = *out;
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (ec)
            throw cli::Failure("cannot make the folder " + folder.string() + ": " + ec.message());
        times.open(folder / "times.txt");
        frames.emplace();
    }

    unsigned frame = 0;
    const unsigned paints = lumivo::PlayVirtual(*player, clock, totalMs, frameMs, [&](uint64_t ms) {
        if (!error.empty())
            return;
        if (kind == Output::Gif) {
            gif.AddFrame(player->Board(), ms, error);
        } else if (kind == Output::Folder) {
            char name[32];
            std::snprintf(name, sizeof name, "frame-%04u.png", frame++);
            picture.Draw(player->Board());
            if (frames->Add(folder / name, picture, error))
                times << name << " " << ms << "\n";
        }
    });
    if (frames && error.empty())
        frames->Finish(error);
    if (error.empty() && kind == Output::Gif)
        gif.Finish(totalMs, error);
    if (error.empty() && kind == Output::Png) {
        picture.Draw(player->Board());
        WritePng(*out, picture, error);
    }
    if (!error.empty())
        throw cli::Failure(error);
    if (kind == Output::Folder && !times)
        throw cli::Failure("cannot write " + (folder / "times.txt").string());

    std::printf("%s: %.3f s played, %u paints, board %d x %d LEDs, picture %d x %d pixels", what.c_str(),
                totalMs / 1000.0, paints, w, h, picture.Width(), picture.Height());
    if (kind == Output::Gif)
        std::printf(", %u GIF frames", gif.FramesWritten());
    if (kind == Output::Folder)
        std::printf(", %u PNG frames", frame);
    std::printf(" -> %s\n", out->c_str());
    return cli::kExitOk;
}

} // namespace cli

namespace {

int Run(const cli::Args& args)
{
    const std::filesystem::path path = args.positional[0];
    const cli::RenderOutput output = cli::ReadRenderOutput(args);
    const SYSTEMTIME start = StartTime(args);
    std::unique_ptr<lumivo::CProjectCore> project = cli::OpenProject(path);
    const unsigned pages = project->PageCount();
    if (pages == 0)
        throw cli::Failure("the project has no pages");
    const long page = args.Number("page", 1, 50).value_or(1);
    if (page > static_cast<long>(pages))
        throw cli::Failure("there is no page " + std::to_string(page) + " (pages are 1 to " + std::to_string(pages) +
                           " here)");
    return cli::RenderItems(output, *project, project->PageItems(static_cast<unsigned>(page - 1)), start,
                            "page " + std::to_string(page));
}

std::vector<cli::Option> RenderOptions()
{
    std::vector<cli::Option> options{{"page", "N", "the page to play, 1-based (default 1)"}};
    for (const cli::Option& o : cli::RenderOutputOptions())
        options.push_back(o);
    options.push_back({"time", "HH:MM[:SS]", "local time at the start (default now); clocks and dates follow it"});
    return options;
}

const cli::Verb kRender{
    "render",
    "FILE.qvndoc --out OUT [options]",
    "play one page as the preview does and write it as a GIF or PNG",
    "Pages are numbered from 1 here (page 1 is the first), unlike \"info\", \"add\" and\n"
    "the blob verbs, which number them from 0.\n"
    "The page plays on virtual time from the start time, 5 ms a tick, much faster\n"
    "than real time, at the board's own pace whatever --fps says: every paint the\n"
    "preview asks for is made. The output samples it --fps times a second; a frame\n"
    "is written only when the board was painted since the last one.\n"
    "OUT ending in .gif: an endlessly looping animated GIF whose frame delays add up\n"
    "to the time played (equal frames merged; viewers often slow delays below\n"
    "20 ms, so keep --fps at 50 or less for GIFs). OUT ending in .png: the frame\n"
    "at the end. OUT ending in /: a folder of numbered PNG frames, one per frame\n"
    "written, with times.txt giving each frame's time in milliseconds.",
    RenderOptions(),
    1,
    1,
    Run};
LUMIVO_CLI_VERB(kRender);

} // namespace
