// SPDX-License-Identifier: GPL-2.0-or-later
// lumivo-cli images text: text in a font of this computer made into a user
// image and placed as an Image item; lumivo-cli check: every character of a
// project that will not show as written.
#include "cli.h"

#include "core/text_image.h"
#include "core/text_image_project.h"

#include <iostream>

namespace {

lumivo::TextRecipe RecipeFromArgs(const cli::Args& args)
{
    lumivo::TextRecipe r;
    r.text = args.positional[1];
    const std::optional<std::string> font = args.Get("font");
    if (!font || font->empty())
        throw cli::UsageError("--font NAME|FILE is required");
    r.font = *font;
    r.fallbackFont = args.Get("fallback").value_or("");
    r.height = int(args.Number("height", lumivo::kMinTextHeight, lumivo::kMaxTextHeight).value_or(16));
    if (auto c = args.Get("color")) {
        const size_t comma = c->find(',');
        const auto first = lumivo::ColorFromName(c->substr(0, comma));
        const auto second =
            comma == std::string::npos ? std::optional<unsigned>() : lumivo::ColorFromName(c->substr(comma + 1));
        if (!first || (comma != std::string::npos && !second))
            throw cli::UsageError("--color must be a colour (red, green, yellow, blue, magenta, cyan, white or 1-7) "
                                  "or two of them, top,bottom, not \"" + *c + "\"");
        r.color = *first;
        r.color2 = second;
    }
    r.bold = args.Has("bold");
    r.outline = args.Has("outline");
    r.spacing = args.Has("fixed") ? lumivo::Spacing::Fixed : lumivo::Spacing::Proportional;
    return r;
}

// The board shows an image still and centred: a text wider than the board
// reaches it whole as board-wide pieces, one Ad each.
int Split(const cli::Args& args, const lumivo::TextRecipe& recipe, lumivo::CProjectCore& project)
{
    if (args.Has("page"))
        throw cli::UsageError("--split places each piece on a new last Ad of its own; it takes no --page");
    const unsigned before = project.PageCount();
    std::vector<unsigned> slots;
    const lumivo::Result r = lumivo::AddSplitTextImage(project, recipe, slots);
    cli::Check(r, args.positional[1]);
    cli::PrintNotes(r);
    cli::SaveProject(project, args.positional[0]);
    std::cout << "made " << slots.size() << " user images (" << slots.front() + 1 << " to " << slots.back() + 1
              << " in reading order) and placed them on Ads " << before + 1 << " to " << project.PageCount()
              << " of " << args.positional[0] << "\n";
    return cli::kExitOk;
}

int Text(const cli::Args& args)
{
    const lumivo::TextRecipe recipe = RecipeFromArgs(args);
    auto project = cli::OpenProject(args.positional[0]);
    if (args.Has("split"))
        return Split(args, recipe, *project);
    std::optional<unsigned> page;
    if (auto n = args.Number("page", 1, lumivo::kMaxPages))
        page = unsigned(*n - 1);
    unsigned slot = 0;
    const lumivo::Result r = lumivo::AddTextImage(*project, recipe, page, slot);
    cli::Check(r, args.positional[1]);
    cli::PrintNotes(r);
    cli::SaveProject(*project, args.positional[0]);
    const CRGX<8192> image = project->UserImages()[slot]; // UserImages() returns a copy
    std::cout << "made user image " << slot + 1 << " (" << image.header.width << " x " << image.header.height
              << ") and placed it on Ad " << (page ? *page + 1 : project->PageCount()) << " of "
              << args.positional[0] << "\n";
    return cli::kExitOk;
}

int Check(const cli::Args& args)
{
    auto project = cli::OpenProject(args.positional[0]);
    const std::vector<lumivo::CharacterProblem> problems = lumivo::CheckCharacters(*project);
    for (const lumivo::CharacterProblem& p : problems)
        std::cout << "Ad " << p.page + 1 << ", item " << p.item + 1 << ": " << p.text << "\n";
    if (problems.empty()) {
        std::cout << "every character of " << args.positional[0] << " shows as written\n";
        return cli::kExitOk;
    }
    return cli::kExitRepaired;
}

const cli::Verb kText{
    "images text", "FILE.qvndoc TEXT --font NAME|FILE [options]",
    "draw text in a font of this computer into a user image and place it",
    "The font is a family name the system knows (fc-list) or a font file (TTF, OTF, BDF,\n"
    "PCF). The text is shaped, so joined and right-to-left scripts come out as written,\n"
    "and cut to the smallest width that holds it. Characters the font lacks are named:\n"
    "they are drawn from --fallback, or nothing is made. The image becomes an Image item\n"
    "on Ad --page (1-based) or on a new last Ad. At most 256 characters; the image must\n"
    "stay below 8176 bytes (width x height / 2). The board shows an image still and\n"
    "centred: a text wider than the board shows only its middle, unless --split cuts it\n"
    "into board-wide pieces, each a user image on a new last Ad of its own, in reading order.",
    {{"font", "FONT", "the font: a family name or a font file"},
     {"height", "N", "pixel height, 8 to the board's height (default 16)"},
     {"color", "C[,C2]", "colour, or top and bottom colours of a blend (default red)"},
     {"page", "N", "the Ad (1-based) to place the image on; default a new last Ad"},
     {"fallback", "FONT", "a second font for the characters the first lacks"},
     {"bold", nullptr, "letters one dot bolder"},
     {"outline", nullptr, "only the letters' edges lit"},
     {"fixed", nullptr, "every letter in a cell of the same width"},
     {"split", nullptr, "a text wider than the board as board-wide pieces, one Ad each"}},
    2, 2, Text};
LUMIVO_CLI_VERB(kText);

const cli::Verb kCheck{"check", "FILE.qvndoc",
                       "name every character of the project that will not show as written",
                       "Text items whose characters the board's fonts cannot draw exactly, and text\n"
                       "images whose font is missing on this computer or lacks characters, each with\n"
                       "its Ad and item (1-based). Exit status 3 when there is any.",
                       {}, 1, 1, Check};
LUMIVO_CLI_VERB(kCheck);

} // namespace
