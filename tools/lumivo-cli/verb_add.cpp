// SPDX-License-Identifier: GPL-2.0-or-later
// lumivo-cli add: one item built as the Ad editor builds it, on a new page
// or added to an existing one.
#include "cli.h"

#include "core/item_builder.h"
#include "core/item_text.h"
#include "core/page_layout.h"

#include <common/text.h>

#include <iostream>

namespace {

std::optional<unsigned> Unsigned(const cli::Args& args, const char* name, long max)
{
    if (auto v = args.Number(name, 0, max))
        return static_cast<unsigned>(*v);
    return std::nullopt;
}

int Run(const cli::Args& args)
{
    const std::filesystem::path path = args.positional[0];
    lumivo::ItemChoices choices;
    const std::optional<std::string> type = args.Get("type");
    if (!type)
        throw cli::UsageError("--type is required");
    choices.type = lumivo::ItemKindFromName(*type);
    if (choices.type < 0)
        throw cli::UsageError("unknown --type \"" + *type + "\"");
    choices.text = common::Utf8ToUtf16(args.Get("text").value_or(""));
    choices.text2 = common::Utf8ToUtf16(args.Get("text2").value_or(""));
    if (!choices.text2.empty() && choices.type != LUMIVO_ENG2LINE)
        throw cli::UsageError("--text2 is for --type eng2line only");
    choices.lines = static_cast<unsigned>(args.Number("lines", 1, 7).value_or(1));
    choices.fit = args.Has("fit");
    choices.format = Unsigned(args, "format", 255).value_or(0);
    choices.option = Unsigned(args, "option", 255);
    choices.index = Unsigned(args, "index", 65535).value_or(0);
    choices.delay = Unsigned(args, "delay", 83).value_or(choices.delay);
    choices.color = Unsigned(args, "color", 22);
    choices.attrib = Unsigned(args, "attrib", 23);
    choices.face = Unsigned(args, "face", 31);
    choices.width = Unsigned(args, "width", 3);
    choices.size = Unsigned(args, "size", 7);
    choices.effectS = Unsigned(args, "start", 0xFFFF);
    choices.effectW = Unsigned(args, "wait", 0xFFFF);
    choices.effectE = Unsigned(args, "end", 0xFFFF);
    choices.speed = Unsigned(args, "speed", 255);

    CLumivo item;
    cli::Check(lumivo::BuildItem(choices, item));

    auto project = cli::OpenProject(path);
    const unsigned pages = project->PageCount();
    const unsigned page = static_cast<unsigned>(args.Number("page", 0, 49).value_or(pages));
    if (page > pages)
        throw cli::Failure("there is no page " + std::to_string(page) + " (the project has " +
                           std::to_string(pages) + "; --page " + std::to_string(pages) +
                           " starts a new one)");
    // The page's rules are the Ad editor's: four items, no taller than the board.
    lumivo::CPageLayout layout(project->Board().moduleRow, project->PageItems(page));
    if (const lumivo::Result r = layout.Add(item); !r) {
        const std::string why = layout.Count() >= lumivo::kMaxPageItems
                                    ? "already holds four items"
                                    : "has " + std::to_string(layout.FreeLines()) + " free line(s), the item needs " +
                                          std::to_string(lumivo::ItemLines(item));
        throw cli::Failure("page " + std::to_string(page) + " " + why + ": " + r.FirstError());
    }
    cli::Check(page == pages ? project->AppendPage(layout.Items()) : project->ReplacePage(page, layout.Items()));
    cli::SaveProject(*project, path);
    std::cout << "added " << qvr::LumivoTypeName(choices.type) << " to page " << page << " (item "
              << project->ItemCount() << " of " << lumivo::kMaxItems << ")\n";
    return cli::kExitOk;
}

const cli::Verb kVerb{
    "add",
    "FILE.qvndoc --type KIND [options]",
    "add an item, built as the Ad editor builds it, to a new or an existing page",
    "KIND: text, eng2line, date, time, temperature, analog, image, movie, animation.\n"
    "Pages are numbered from 0, as in \"info\". Without --page the item starts a new\n"
    "last page. A page holds at most four items and no more lines than the board has\n"
    "module rows; a project holds at most 50 items.\n"
    "Image, movie and animation items take the content's own effects (start 104/102/103,\n"
    "wait 96/94/95, end 101/99/100); analog clocks 101, 93, 98; text items the default\n"
    "start 100, wait 92, end 97. --start, --wait and --end replace the codes.",
    {
        {"type", "KIND", "the item's kind (required)"},
        {"text", "TEXT", "the text (line 1 of eng2line); at most 100 characters, 50 for eng2line"},
        {"text2", "TEXT", "line 2 of an eng2line item"},
        {"page", "N", "add to page N (0-based); N = the page count starts a new page"},
        {"lines", "N", "height in 16-dot lines, 1 to 7 (default 1)"},
        {"start", "CODE", "start effect code (bit 15, 32768, = automatic choice)"},
        {"wait", "CODE", "wait effect code"},
        {"end", "CODE", "end effect code"},
        {"speed", "V", "speed byte of the three effects, 0 to 255"},
        {"delay", "D", "image/movie/animation: delay choice 0 to 83, speed 3 x D + 5 (default 15)"},
        {"color", "K", "colour row of every character, 0 to 22"},
        {"attrib", "A", "attribute row of every character, 0 to 23"},
        {"face", "F", "font face, 0 to 31"},
        {"width", "W", "width list entry 0 to 3: glyphs 16, 24, 32 or 48 dots wide (Latin half that)"},
        {"size", "S", "glyph height in 8-dot units: 2 (16 dots, the default) or 4 (32 dots)"},
        {"fit", nullptr, "lay the item out to the board width"},
        {"format", "N", "date 0-4, time 0-3, temperature 0 (C) or 1 (F)"},
        {"option", "N", "option byte: analog style entry (default 1), else hold seconds (default 5)"},
        {"index", "N", "image/movie/animation: the content index"},
    },
    1, 1, Run};
LUMIVO_CLI_VERB(kVerb);

} // namespace
