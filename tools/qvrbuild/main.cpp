// SPDX-License-Identifier: GPL-2.0-or-later
// qvrbuild: writes the content containers <resource>.qvr from Debian's fonts
// and our own artwork, and renders contact sheets of them for review.
#include "builder.h"
#include "sheet.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

using namespace qvrbuild;

// --help answers on standard output and succeeds; a wrong command line
// gets the same text on standard error and fails.
static int Usage(bool asked = false)
{
    std::fprintf(asked ? stdout : stderr,
                 "usage: qvrbuild [--out DIR] [--sheet DIR] [--resource N]... [--report] [--fonts]\n"
                 "  --out DIR      write DIR/<resource>.qvr for every container (or the chosen ones)\n"
                 "  --sheet DIR    write PNG contact sheets DIR/<resource>-<part>.png\n"
                 "  --sheet-glyphs N  only the first N glyphs of every glyph set on the sheets\n"
                 "  --resource N   only container N (310-333; repeatable)\n"
                 "  --report       list every glyph set with its blank and fallback glyphs\n"
                 "  --fonts        list the fonts read and the Debian packages they come from\n"
                 "  --help         show this text\n");
    return asked ? 0 : 2;
}

int main(int argc, char** argv)
{
    std::string out, sheet;
    std::set<int> chosen;
    bool fonts = false, report = false;
    int sheetGlyphs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if ((a == "--out" || a == "--sheet" || a == "--resource" || a == "--sheet-glyphs") && i + 1 < argc) {
            const std::string v = argv[++i];
            if (a == "--sheet-glyphs")
                sheetGlyphs = std::atoi(v.c_str());
            else if (a == "--out")
                out = v;
            else if (a == "--sheet")
                sheet = v;
            else if (FindContainer(std::atoi(v.c_str())))
                chosen.insert(std::atoi(v.c_str()));
            else {
                std::fprintf(stderr, "qvrbuild: no container %s\n", v.c_str());
                return 2;
            }
        } else if (a == "--report") {
            report = true;
        } else if (a == "--fonts") {
            fonts = true;
        } else if (a == "--help") {
            return Usage(true);
        } else {
            return Usage();
        }
    }
    if (fonts) {
        for (const auto& f : GlyphLibrary::Fonts())
            std::printf("%-22s %-55s %s\n", f.use.c_str(), f.file.c_str(), f.package.c_str());
        if (out.empty() && sheet.empty())
            return 0;
    }
    if (out.empty() && sheet.empty() && !report)
        return Usage();
    try {
        const auto t0 = std::chrono::steady_clock::now();
        GlyphLibrary glyphs;
        for (const std::string& d : {out, sheet})
            if (!d.empty())
                std::filesystem::create_directories(d);
        for (const ContainerSpec& spec : Containers()) {
            if (!chosen.empty() && !chosen.count(spec.resource))
                continue;
            const std::vector<uint8_t> bytes = BuildContainer(glyphs, spec);
            if (!out.empty()) {
                // Written beside and renamed, so an interrupted build never leaves half a container.
                const std::string path = out + "/" + std::to_string(spec.resource) + ".qvr";
                const std::string tmp = path + ".tmp";
                std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
                f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
                f.close();
                if (!f || std::rename(tmp.c_str(), path.c_str()) != 0) {
                    std::fprintf(stderr, "qvrbuild: cannot write %s\n", path.c_str());
                    return 1;
                }
                std::printf("%s  %zu bytes\n", path.c_str(), bytes.size());
            }
            if (!sheet.empty())
                for (const std::string& f : WriteSheets(bytes, spec.resource, sheet, sheetGlyphs))
                    std::printf("%s\n", f.c_str());
        }
        if (report)
            for (const GlyphSet* set : glyphs.Rendered()) {
                size_t empty = 0, assigned = 0;
                for (size_t i = 0; i < set->codes.size(); ++i)
                    if (set->codes[i] > 0x20) {
                        ++assigned;
                        empty += GlyphAt(*set, i).empty();
                    }
                std::printf("%-22s %5zu glyphs, %4zu blank, %4zu from fallback; %s\n", set->name.c_str(), assigned, empty,
                            set->fallbackCount, set->sources.empty() ? "" : set->sources.front().c_str());
            }
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        std::printf("qvrbuild: done in %.1f s\n", s);
    } catch (const FontError& e) {
        std::fprintf(stderr, "qvrbuild: error: %s\n", e.what());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qvrbuild: error: %s\n", e.what());
        return 1;
    }
    return 0;
}
