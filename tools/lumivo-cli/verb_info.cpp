// SPDX-License-Identifier: GPL-2.0-or-later
// lumivo-cli info: what a project holds, for people or (--json) scripts.
#include "cli.h"
#include "json.h"

#include "core/item_text.h"

#include <common/text.h>

#include <cstdio>
#include <iostream>

namespace {

using lumivo::CAdEntry;

std::string Family(int phase, unsigned code)
{
    return lumivo::EffectFamilyName(lumivo::EffectFamily(phase, code));
}

void PrintJson(const lumivo::CProjectCore& p)
{
    const lumivo::BoardValues& b = p.Board();
    std::string out = "{";
    out += "\"moduleRows\":" + std::to_string(b.moduleRow);
    out += ",\"moduleColumns\":" + std::to_string(b.moduleColumn);
    out += ",\"language\":" + cli::JsonString(std::string(1, static_cast<char>(b.language)));
    out += ",\"lumivoRows\":" + std::to_string(b.lumivoRow);
    out += ",\"lumivoColumns\":" + std::to_string(b.lumivoColumn);
    out += ",\"pageCount\":" + std::to_string(p.PageCount());
    out += ",\"userImages\":" + std::to_string(p.UserImageCount());
    out += ",\"contentResource\":" + std::to_string(lumivo::ChooseContainer(b));
    out += ",\"contentLoaded\":" + std::string(p.ContentResource() != 0 ? "true" : "false");
    out += ",\"items\":[";
    bool first = true;
    for (const CAdEntry& e : p.Entries()) {
        const CLumivo& i = e.item;
        out += first ? "{" : ",{";
        first = false;
        out += "\"page\":" + std::to_string(e.page);
        out += ",\"type\":" + std::to_string(i.type);
        out += ",\"typeName\":" + cli::JsonString(qvr::LumivoTypeName(i.type));
        out += ",\"title\":" + cli::JsonString(common::Utf16ToUtf8(e.title));
        out += ",\"effectS\":" + std::to_string(i.effectS.code);
        out += ",\"effectW\":" + std::to_string(i.effectW.code);
        out += ",\"effectE\":" + std::to_string(i.effectE.code);
        out += ",\"familyS\":" + cli::JsonString(Family(0, i.effectS.code));
        out += ",\"familyW\":" + cli::JsonString(Family(1, i.effectW.code));
        out += ",\"familyE\":" + cli::JsonString(Family(2, i.effectE.code));
        out += ",\"speedS\":" + std::to_string(i.effectS.GetSpeed());
        out += ",\"option\":" + std::to_string(i.option);
        out += ",\"lines\":" + std::to_string(lumivo::ItemLines(i));
        out += ",\"fit\":" + std::to_string(i.fit);
        out += ",\"format\":" + std::to_string(i.format);
        out += ",\"skip\":" + std::to_string(i.skip);
        out += "}";
    }
    out += "]}";
    std::cout << out << "\n";
}

std::string Effect(int phase, unsigned code)
{
    std::string text = std::to_string(code);
    const std::string family = Family(phase, code);
    if (!family.empty())
        text += " " + family;
    const unsigned id = lumivo::EffectFamily(phase, code);
    if (id != 0 && id < 8)
        text += " " + std::to_string(lumivo::EffectIndex(phase, code) + 1);
    return text;
}

void PrintText(const lumivo::CProjectCore& p)
{
    const lumivo::BoardValues& b = p.Board();
    std::cout << "board: " << int(b.moduleRow) << " x " << int(b.moduleColumn) << " modules ("
              << b.moduleColumn * 16 << " x " << b.moduleRow * 16 << " LEDs), language "
              << char(b.language) << ", content rows " << int(b.lumivoRow) << ", content columns "
              << int(b.lumivoColumn) << "\n";
    const int resource = lumivo::ChooseContainer(b);
    std::cout << "content: container " << resource << (p.ContentResource() != 0 ? " loaded" : " not loaded")
              << "\n";
    std::cout << "pages: " << p.PageCount() << ", items: " << p.ItemCount() << " of " << lumivo::kMaxItems
              << ", user images: " << p.UserImageCount() << "\n";
    long page = -1;
    for (const CAdEntry& e : p.Entries()) {
        const CLumivo& i = e.item;
        if (static_cast<long>(e.page) != page) {
            page = e.page;
            std::cout << "page " << page << (i.skip ? " (not used)" : "") << "\n";
        }
        std::cout << "  " << qvr::LumivoTypeName(i.type) << " \"" << common::Utf16ToUtf8(e.title)
                  << "\"  S " << Effect(0, i.effectS.code) << "  W " << Effect(1, i.effectW.code)
                  << "  E " << Effect(2, i.effectE.code) << "  lines " << lumivo::ItemLines(i)
                  << "  fit " << int(i.fit) << "  option " << int(i.option) << "\n";
    }
}

int Run(const cli::Args& args)
{
    auto project = cli::OpenProject(args.positional[0]);
    if (args.Has("json"))
        PrintJson(*project);
    else
        PrintText(*project);
    // A script can tell a damaged file from a sound one.
    if (args.Has("strict") && project->LoadRepairs() > 0) {
        std::cerr << "lumivo-cli: info: " << args.positional[0] << " is damaged: " << project->LoadRepairs()
                  << " repair(s) made while reading it\n";
        return cli::kExitRepaired;
    }
    return cli::kExitOk;
}

const cli::Verb kVerb{
    "info", "FILE.qvndoc [--json] [--strict]", "show a project's board, pages and items",
    "Pages are numbered from 0. Effects show their code, family and 1-based index.\n"
    "A damaged or truncated file is shown as far as it could be read, with a\n"
    "warning for each repair; the exit status is 0 unless --strict is given, which\n"
    "makes it 3 when anything was repaired or dropped (a missing content library\n"
    "is not a fault of the file).\n"
    "--json prints one object: moduleRows, moduleColumns, language (\"A\" or \"E\"),\n"
    "lumivoRows, lumivoColumns, pageCount, userImages, contentResource, contentLoaded\n"
    "and items, each with page, type, typeName, title, effectS, effectW, effectE,\n"
    "familyS, familyW, familyE, speedS, option, lines, fit, format, skip.",
    {{"json", nullptr, "print one JSON object"},
     {"strict", nullptr, "exit with status 3 when the file needed repairs"}},
    1,
    1,
    Run};
LUMIVO_CLI_VERB(kVerb);

} // namespace
