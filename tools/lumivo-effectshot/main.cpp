// SPDX-License-Identifier: GPL-2.0-or-later
// lumivo-effectshot: plays one effect of one phase for a text item on a
// board and writes every frame (or every n-th) as a PNG file, each LED drawn
// as a round-cornered dot, so a person can look at what the engine shows.
#include "container_writer.h"

#include "qvr/effect.h"
#include "qvr/effect_family.h"

#include "board_image.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Options {
    unsigned columns = 6, rows = 1;
    int band = -1;
    int phase = 0; // 0 start, 1 wait, 2 end
    unsigned code = 51;
    std::string text = "Lumivo";
    unsigned colour = 2; // colour row: yellow
    unsigned every = 1;
    unsigned most = 2000;
    unsigned scale = 4;
    unsigned option = 1;
    bool loop = false;
    std::string content; // a content container; default: a small built-in one
    std::string font = "/usr/share/unifont/unifont.hex";
    std::string out = ".";
};

void Usage()
{
    std::fprintf(stderr,
                 "usage: lumivo-effectshot [options] OUTDIR\n"
                 "  --board CxR      module columns x rows (default 6x1)\n"
                 "  --band H         band height in pixels (default the board's)\n"
                 "  --phase P        start, wait or end (default start)\n"
                 "  --code N         effect code of that phase (default 51)\n"
                 "  --text T         the item's text, ASCII (default Lumivo)\n"
                 "  --colour N       colour row of the glyph selector (default 2, yellow)\n"
                 "  --option N       the item's option byte (Twist copies, hold) (default 1)\n"
                 "  --loop           set the item's loop flag\n"
                 "  --every K        write every K-th frame (default 1)\n"
                 "  --max N          stop after N steps (default 2000)\n"
                 "  --scale S        screen pixels per LED (default 4)\n"
                 "  --content FILE   content container to draw glyphs and masks from\n"
                 "  --font FILE      unifont .hex file for the built-in library's glyphs\n"
                 "Writes OUTDIR/frame-NNNN.png; prints the number of steps the phase took.\n");
}

bool ParseArgs(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        const char* v = nullptr;
        if (a == "--loop") {
            o.loop = true;
            continue;
        }
        if (a.rfind("--", 0) == 0 && !(v = next()))
            return false;
        if (a == "--board") {
            if (std::sscanf(v, "%ux%u", &o.columns, &o.rows) != 2)
                return false;
        } else if (a == "--band") o.band = std::atoi(v);
        else if (a == "--phase") {
            const std::string p = v;
            o.phase = p == "start" ? 0 : p == "wait" ? 1 : p == "end" ? 2 : -1;
            if (o.phase < 0)
                return false;
        } else if (a == "--code") o.code = unsigned(std::atoi(v));
        else if (a == "--text") o.text = v;
        else if (a == "--colour") o.colour = unsigned(std::atoi(v));
        else if (a == "--option") o.option = unsigned(std::atoi(v));
        else if (a == "--every") o.every = std::max(1, std::atoi(v));
        else if (a == "--max") o.most = unsigned(std::atoi(v));
        else if (a == "--scale") o.scale = std::max(1, std::atoi(v));
        else if (a == "--content") o.content = v;
        else if (a == "--font") o.font = v;
        else if (a.rfind("--", 0) == 0) return false;
        else o.out = a;
    }
    return o.columns >= 1 && o.columns <= 300 && o.rows >= 1 && o.rows <= 4;
}

// Masks for the built-in library: effect k sweeps an edge in colour
// k % 7 + 1 across in 16 frames, straight or slanted.
std::vector<uint8_t> BuiltInMasks(unsigned k)
{
    const int w = 32, h = 16, frames = 16;
    std::vector<uint8_t> px(w / 2 * h * frames, 0);
    for (int f = 0; f < frames; ++f)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int edge = (x + (k % 3 == 0 ? y : k % 3 == 1 ? 0 : h - y)) / 3;
                const unsigned n = edge < f ? 0 : edge == f ? k % 7 + 1 : 8;
                uint8_t& b = px[(size_t(f) * h + y) * (w / 2) + x / 2];
                b |= static_cast<uint8_t>((x & 1) ? n : n << 4);
            }
    return px;
}

std::vector<uint8_t> BuiltInLibrary()
{
    qvrtest::LibraryShape shape;
    shape.row = 1;
    qvrtest::ContainerWriter w = qvrtest::MakeLibrary(shape);
    for (unsigned k = 0; k < 50; ++k)
        w.SetImage(qvr::kSecEffects + k, qvrtest::Header(CONTENT_EFFECT, 32, 16, 16, 0),
                   BuiltInMasks(k));
    return w.Build();
}

// Latin glyphs from a unifont .hex file (code:32 hex digits for 8 x 16).
void LoadHexFont(CContent& c, const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        unsigned code = 0;
        char hex[65] = {};
        if (std::sscanf(line.c_str(), "%x:%64s", &code, hex) != 2 || std::strlen(hex) != 32 ||
            code >= qvr::kLatinGlyphs)
            continue;
        for (unsigned face = 0; face < qvr::kLatinFaces; ++face) {
            unsigned char* g = c.m_Latin16 + (face * qvr::kLatinGlyphs + code) * 16;
            for (int r = 0; r < 16; ++r) {
                const char two[3] = {hex[2 * r], hex[2 * r + 1], 0};
                g[r] = static_cast<unsigned char>(std::strtoul(two, nullptr, 16));
            }
        }
    }
}

// Each LED as a scale x scale square, or as a round dot when there is room for one.
bool WritePng(const std::string& path, const PageInfo& page, unsigned scale)
{
    const BITMAP& bm = page.bitmap;
    std::vector<uint32_t> board(size_t(bm.bmWidth) * bm.bmHeight);
    for (LONG y = 0; y < bm.bmHeight; ++y)
        std::memcpy(board.data() + size_t(y) * bm.bmWidth, page.bits + size_t(y) * bm.bmWidthBytes,
                    size_t(bm.bmWidth) * 4);
    cli::BoardPicture picture(bm.bmWidth, bm.bmHeight, int(scale), scale >= 3);
    picture.Draw(board.data());
    std::string error;
    return cli::WritePng(path, picture, error);
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!ParseArgs(argc, argv, o)) {
        Usage();
        return 2;
    }
    std::vector<uint8_t> bytes;
    if (!o.content.empty()) {
        std::ifstream in(o.content, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    } else {
        bytes = BuiltInLibrary();
    }
    auto content = std::make_unique<CContent>();
    if (content->Initialize(bytes.data(), bytes.size()) != 1) {
        std::fprintf(stderr, "lumivo-effectshot: cannot open the content library\n");
        return 1;
    }
    if (o.content.empty()) {
        // Solid colour patterns 0 to 3 (dark, red, green, yellow), plain attributes.
        for (unsigned i = 0; i < 4; ++i) {
            std::memset(content->m_Color16 + i * 256, int(i), 256);
            std::memset(content->m_Color32 + i * 256, int(i), 256);
        }
        std::memset(content->m_Attrib16, 0, sizeof content->m_Attrib16);
        std::memset(content->m_Attrib32, 0, sizeof content->m_Attrib32);
        LoadHexFont(*content, o.font);
    }

    auto engine = std::make_unique<CEffect>();
    auto page = std::make_unique<PageInfo>();
    engine->SetContent(content.get());
    engine->SetModuleSize(o.columns, o.rows);
    CLumivo& item = page->item;
    item.type = LUMIVO_TEXT;
    item.option = static_cast<uint8_t>(o.option);
    item.effectLoop = o.loop ? 1 : 0;
    item.blend = 0;
    for (size_t i = 0; i < o.text.size() && i < CLumivo::kLineCells - 1; ++i) {
        item.chars[i].code = static_cast<unsigned char>(o.text[i]);
        item.chars[i].attr = QVXF::FromWord((1u | (2u << 5) | (1u << 8)) << 16 | (o.colour << 8));
    }
    item.chars[std::min<size_t>(o.text.size(), CLumivo::kLineCells - 1)].code = 0;
    const int band = o.band > 0 ? o.band : int(o.rows) * 16;
    qvr::DescribeDib32(page->bitmap, engine->m_Width, band);
    page->width = engine->m_Width;
    page->height = band;

    engine->SetPageInfo(page.get());
    CEFF s(o.phase == 0 ? o.code : 100, 50), w(o.phase == 1 ? o.code : 92, 50),
        e(o.phase == 2 ? o.code : 97, 50);
    engine->SetEffectS(s);
    engine->SetEffectW(w);
    engine->SetEffectE(e);
    DWORD (CEffect::*step)() = &CEffect::GetEffectS;
    if (o.phase == 0) {
        engine->_init_effs(0);
    } else if (o.phase == 1) {
        engine->_init_effw(0);
        step = &CEffect::GetEffectW;
    } else {
        engine->_init_effe(0);
        step = &CEffect::GetEffectE;
    }

    unsigned n = 0;
    bool ended = false;
    while (n < o.most && !ended) {
        ended = (engine.get()->*step)() != 0;
        if (n % o.every == 0 || ended) {
            char name[32];
            std::snprintf(name, sizeof name, "/frame-%04u.png", n);
            if (!WritePng(o.out + name, *page, o.scale)) {
                std::fprintf(stderr, "lumivo-effectshot: cannot write %s%s\n", o.out.c_str(), name);
                return 1;
            }
        }
        ++n;
    }
    std::printf("%u steps%s\n", n, ended ? "" : " (stopped before the phase ended)");
    return 0;
}
