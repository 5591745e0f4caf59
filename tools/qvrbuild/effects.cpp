// SPDX-License-Identifier: GPL-2.0-or-later
// The 50 effect masks of the Animation family. A mask frame is a row of
// nibbles over the text: 0 shows the text, 1-7 paint that colour, 8 and above
// black it out (play mode 0). Frame 0 hides the text and the last frame shows
// it, so the start effect plays the frames forward and the end effect backward.
// Masks stored for play mode 1 hold the same pictures in reverse frame order
// with 8 (text) and 0 (black) swapped; the screen shows the same either way.
#include "art.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace qvrbuild {

namespace {

constexpr int kRows = 16;
constexpr uint8_t kText = 0, kBlack = 8;

// Where a transition stands at one dot: the time (0-1) at which the dot shows
// the text, and the colour of the moving edge there.
struct Transition {
    const char* name;
    // x and y in mask dots; w the mask width; seed for random ones.
    std::function<double(int x, int y, int w)> when;
    double edge;                               // edge width in time units (0: no edge)
    std::function<uint8_t(int x, int y, double into)> colour; // into: 0 at the front, 1 at the back
    bool mode1 = false;
    uint16_t delay = 40;
};

uint8_t Solid(int, int, double) { return 0; } // no edge: never asked
std::function<uint8_t(int, int, double)> Edge(uint8_t c)
{
    return [c](int, int, double) { return c; };
}
// Yellow front, red behind it.
uint8_t Flame(int, int, double into) { return into < 0.5 ? 3 : 1; }
// Rainbow band: colours by depth into the band.
uint8_t Rainbow(int, int, double into)
{
    static const uint8_t c[6] = {1, 3, 2, 6, 5, 7};
    return c[std::min(5, int(into * 6))];
}

double Nx(int x, int w) { return (x + 0.5) / w; }
double Ny(int y) { return (y + 0.5) / kRows; }
// Distance from the centre, the band's aspect kept (a circle on the board).
double Radius(int x, int y, int w)
{
    const double dx = (x + 0.5 - w / 2.0), dy = (y + 0.5 - kRows / 2.0);
    const double rmax = std::sqrt(w * w / 4.0 + kRows * kRows / 4.0);
    return std::sqrt(dx * dx + dy * dy) / rmax;
}
double Angle(int x, int y, int w) // 0-1 clockwise from twelve o'clock
{
    const double a = std::atan2(x + 0.5 - w / 2.0, -(y + 0.5 - kRows / 2.0));
    return a < 0 ? a / (2 * M_PI) + 1 : a / (2 * M_PI);
}
double Hash(int x, int y, uint32_t seed)
{
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return ((h ^ (h >> 16)) & 0xFFFFFF) / double(0x1000000);
}

std::vector<Transition> Catalogue()
{
    std::vector<Transition> t;
    auto add = [&](const char* name, std::function<double(int, int, int)> when, double edge,
                   std::function<uint8_t(int, int, double)> colour, bool mode1 = false, uint16_t delay = 40) {
        t.push_back({name, std::move(when), edge, std::move(colour), mode1, delay});
    };
    // Wipes in eight directions.
    add("wipe right", [](int x, int, int w) { return Nx(x, w); }, 0.08, Edge(3));
    add("wipe left", [](int x, int, int w) { return 1 - Nx(x, w); }, 0.08, Edge(3));
    add("wipe down", [](int, int y, int) { return Ny(y); }, 0.12, Edge(2), true);
    add("wipe up", [](int, int y, int) { return 1 - Ny(y); }, 0.12, Edge(2), true);
    add("wipe down-right", [](int x, int y, int w) { return (Nx(x, w) * w + y) / (w + kRows); }, 0.08, Edge(6));
    add("wipe down-left", [](int x, int y, int w) { return ((1 - Nx(x, w)) * w + y) / (w + kRows); }, 0.08, Edge(6));
    add("wipe up-right", [](int x, int y, int w) { return (Nx(x, w) * w + kRows - y) / (w + kRows); }, 0.08, Edge(5), true);
    add("wipe up-left", [](int x, int y, int w) { return ((1 - Nx(x, w)) * w + kRows - y) / (w + kRows); }, 0.08, Edge(5), true);
    // Irises and shapes from the centre.
    add("iris open", [](int x, int y, int w) { return Radius(x, y, w); }, 0.1, Edge(1));
    add("iris close", [](int x, int y, int w) { return 1 - Radius(x, y, w); }, 0.1, Edge(1));
    add("diamond", [](int x, int y, int w) { return (std::abs(Nx(x, w) - 0.5) * w + std::abs(Ny(y) - 0.5) * kRows) / (w / 2.0 + kRows / 2.0); }, 0.1, Edge(3));
    add("box out", [](int x, int y, int w) { return std::max(std::abs(Nx(x, w) - 0.5), std::abs(Ny(y) - 0.5)) * 2; }, 0.12, Edge(2));
    add("box in", [](int x, int y, int w) { return 1 - std::max(std::abs(Nx(x, w) - 0.5), std::abs(Ny(y) - 0.5)) * 2; }, 0.12, Edge(2));
    add("cross", [](int x, int y, int w) { return std::min(std::abs(Nx(x, w) - 0.5) * 2, std::abs(Ny(y) - 0.5) * 2); }, 0.12, Edge(7));
    add("star", [](int x, int y, int w) {
        const double r = Radius(x, y, w), a = Angle(x, y, w);
        return std::min(1.0, r * (0.75 + 0.25 * std::cos(a * 2 * M_PI * 5)));
    }, 0.1, Edge(3));
    // Blinds, checkerboards, combs and interlaces.
    add("blinds horizontal", [](int, int y, int) { return (y % 4) / 4.0 + 0.02; }, 0.1, Edge(2));
    add("blinds vertical", [](int x, int, int) { return (x % 8) / 8.0 + 0.02; }, 0.1, Edge(2), true);
    add("checkerboard", [](int x, int y, int) {
        const bool odd = ((x / 4) + (y / 4)) & 1;
        return (odd ? 0.5 : 0.0) + (x % 4) / 8.0 + 0.01;
    }, 0.06, Edge(3));
    add("comb horizontal", [](int x, int y, int w) { return (y / 2) % 2 ? Nx(x, w) : 1 - Nx(x, w); }, 0.08, Edge(6));
    add("comb vertical", [](int x, int y, int) { return (x / 2) % 2 ? Ny(y) : 1 - Ny(y); }, 0.15, Edge(6), true);
    add("interlace rows", [](int, int y, int) {
        static const int order[16] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
        int k = 0;
        while (order[k] != y)
            ++k;
        return (k + 0.5) / 16.0;
    }, 0.07, Edge(1));
    add("interlace columns", [](int x, int, int) { return ((x * 5) % 8 + 0.5) / 8.0; }, 0.1, Edge(1), true);
    // Dissolves from fixed seeds.
    add("dissolve", [](int x, int y, int) { return Hash(x, y, 1); }, 0.0, Solid);
    add("dissolve blocks", [](int x, int y, int) { return Hash(x / 2, y / 2, 2); }, 0.1, Edge(7), true);
    add("random tiles", [](int x, int y, int) { return Hash(x / 8, y / 8, 3); }, 0.12, Edge(3));
    add("random columns", [](int x, int, int) { return Hash(x / 4, 0, 4); }, 0.1, Edge(5));
    // Rotations.
    add("clock wipe", [](int x, int y, int w) { return Angle(x, y, w); }, 0.06, Edge(3));
    add("clock wipe double", [](int x, int y, int w) { return std::fmod(Angle(x, y, w) * 2, 1.0); }, 0.08, Edge(2), true);
    add("windmill", [](int x, int y, int w) { return std::fmod(Angle(x, y, w) * 4, 1.0); }, 0.1, Edge(6));
    add("spiral", [](int x, int y, int w) { return std::fmod(Angle(x, y, w) + Radius(x, y, w) * 2, 1.0) * 0.5 + Radius(x, y, w) * 0.5; }, 0.1, Edge(3));
    add("square spiral", [](int x, int y, int w) {
        const int cx = x / 4, cy = y / 4, cols = w / 4, rows = 4; // cells of 4x4 in from the border
        int ring = std::min(std::min(cx, cols - 1 - cx), std::min(cy, rows - 1 - cy));
        double along;
        const int l = ring, r = cols - 1 - ring, tp = ring, bt = rows - 1 - ring;
        const double per = 2.0 * (r - l + bt - tp) + 1;
        if (cy == tp) along = cx - l;
        else if (cx == r) along = (r - l) + (cy - tp);
        else if (cy == bt) along = (r - l) + (bt - tp) + (r - cx);
        else along = 2 * (r - l) + (bt - tp) + (bt - cy);
        return (ring + along / per) / 2.0;
    }, 0.08, Edge(2));
    // Nature.
    add("rain", [](int x, int y, int) { return Hash(x, 0, 5) * 0.5 + Ny(y) * 0.5; }, 0.15, Edge(6), false, 30);
    add("matrix", [](int x, int y, int) { return Hash(x / 2, 0, 6) * 0.45 + Ny(y) * 0.55; }, 0.25,
        [](int, int, double into) { return uint8_t(into < 0.3 ? 7 : 2); }, true, 30);
    add("fire", [](int x, int y, int) { return (1 - Ny(y)) * 0.7 + Hash(x, y / 3, 7) * 0.3; }, 0.25, Flame, false, 30);
    add("sparkles", [](int x, int y, int) { return Hash(x, y, 8); }, 0.12, [](int x, int y, double) {
        return uint8_t(Hash(x, y, 9) < 0.5 ? 7 : 3);
    });
    add("bubbles", [](int x, int y, int w) {
        double best = 1;
        for (int i = 0; i < w / 12 + 2; ++i) {
            const double cx = Hash(i, 0, 10) * w, cy = Hash(i, 1, 10) * kRows, t0 = Hash(i, 2, 10) * 0.4;
            const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy) / 20.0;
            best = std::min(best, t0 + d);
        }
        return std::min(best, 0.99);
    }, 0.1, Edge(5));
    add("waves", [](int x, int y, int w) { return Nx(x, w) * 0.8 + (0.5 + 0.5 * std::sin(y * 0.8)) * 0.2; }, 0.1, Edge(6));
    add("zigzag", [](int x, int y, int w) { return Nx(x, w) * 0.8 + std::abs((y % 8) - 4) / 4.0 * 0.2; }, 0.1, Edge(3), true);
    add("stairs", [](int x, int y, int w) { return (std::floor(Nx(x, w) * 8) + std::floor(Ny(y) * 4)) / 11.0; }, 0.1, Edge(1));
    add("snake", [](int x, int y, int w) {
        const int cols = std::max(1, w / 8), cx = x / 8, cy = y / 4;
        const int k = cy * cols + (cy % 2 ? cols - 1 - cx : cx);
        return (k + 0.5) / (cols * 4);
    }, 0.06, Edge(2));
    add("split horizontal", [](int x, int, int w) { return std::abs(Nx(x, w) - 0.5) * 2; }, 0.1, Edge(7));
    add("close horizontal", [](int x, int, int w) { return 1 - std::abs(Nx(x, w) - 0.5) * 2; }, 0.1, Edge(7));
    add("split vertical", [](int, int y, int) { return std::abs(Ny(y) - 0.5) * 2; }, 0.15, Edge(1));
    add("close vertical", [](int, int y, int) { return 1 - std::abs(Ny(y) - 0.5) * 2; }, 0.15, Edge(1));
    add("soft wipe right", [](int x, int y, int w) { return Nx(x, w) * 0.85 + Hash(x, y, 11) * 0.15; }, 0.0, Solid);
    add("soft wipe down", [](int x, int y, int) { return Ny(y) * 0.8 + Hash(x, y, 12) * 0.2; }, 0.0, Solid, true);
    // Colour sweeps: a rainbow band crosses and leaves the text behind.
    add("rainbow right", [](int x, int, int w) { return Nx(x, w); }, 0.3, Rainbow, false, 30);
    add("rainbow left", [](int x, int, int w) { return 1 - Nx(x, w); }, 0.3, Rainbow, true, 30);
    add("rainbow rings", [](int x, int y, int w) { return Radius(x, y, w); }, 0.35, Rainbow, false, 30);
    add("rainbow diagonal", [](int x, int y, int w) { return (Nx(x, w) * w + y) / (w + kRows); }, 0.3, Rainbow, false, 30);
    return t;
}

} // namespace

std::vector<std::string> EffectNames()
{
    std::vector<std::string> v;
    for (const Transition& t : Catalogue())
        v.push_back(t.name);
    return v;
}

std::vector<RgxImage> EffectAnimations(int maskWidth)
{
    const int w = maskWidth;
    // As many frames as fit the effect buffer (29,200 bytes with the trailing 16), at most 32.
    const int frames = std::min(32, (29200 - 16) / (w * kRows / 2));
    std::vector<RgxImage> out;
    for (const Transition& t : Catalogue()) {
        std::vector<Raster> f(frames, Raster(w, kRows));
        bool coloured = false;
        for (int i = 0; i < frames; ++i) {
            // The front runs from before the first dot to past the last one, edge included.
            const double s = i / double(frames - 1) * (1 + t.edge);
            for (int y = 0; y < kRows; ++y)
                for (int x = 0; x < w; ++x) {
                    const double when = std::clamp(t.when(x, y, w), 0.0, 1.0);
                    uint8_t v;
                    if (i == frames - 1 || when < s - t.edge)
                        v = kText;
                    else if (i == 0 || when >= s)
                        v = kBlack;
                    else
                        v = t.colour(x, y, (s - when) / t.edge);
                    coloured |= v > 0 && v < 8;
                    f[i].set(x, y, v);
                }
        }
        if (t.mode1) {
            std::reverse(f.begin(), f.end());
            for (Raster& r : f)
                for (uint8_t& v : r.px)
                    v = v == kText ? kBlack : v == kBlack ? 0 : v;
        }
        // Every mask reveals and hides, so it may start and end an item; in the
        // wait phase only its colours show, so only coloured masks may wait.
        const uint16_t phase = coloured ? 7 : 5;
        out.push_back(MakeRgx(kEffect, f, t.delay, t.mode1 ? 1 : 0, coloured ? 1 : 0, phase));
    }
    return out;
}

RgxImage MakeRgx(RgxType type, const std::vector<Raster>& frames, uint16_t delay, uint16_t group, uint16_t flag,
                 uint16_t phase)
{
    RgxImage img;
    img.header.type = type;
    img.header.width = uint16_t(frames.empty() ? 0 : frames[0].w);
    img.header.height = uint16_t(frames.empty() ? 0 : frames[0].h);
    img.header.frames = uint16_t(frames.size());
    img.header.group = group;
    img.header.flag = flag;
    img.header.phase = phase;
    img.header.delay = delay;
    for (const Raster& r : frames)
        PackNibbles(r, img.pixels);
    return img;
}

} // namespace qvrbuild
