// SPDX-License-Identifier: GPL-2.0-or-later
// The library's pictures: banners and icons (images), short loops (movies)
// and wider scenes (animations), all drawn here from shapes, the library's
// own Latin faces and the moves.
#include "art.h"
#include "draw.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace qvrbuild {

namespace {

// Code points of a UTF-8 text (our own literals, so well formed).
std::u32string Utf8(const std::string& s)
{
    std::u32string out;
    for (size_t i = 0; i < s.size();) {
        const unsigned char b = s[i];
        const int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
        char32_t cp = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
        for (int k = 1; k <= extra && i + k < s.size(); ++k)
            cp = cp << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out.push_back(cp);
        i += 1 + extra;
    }
    return out;
}

// Width of a text in the library's glyphs.
int TextWidth(const GlyphFn& glyph, const std::u32string& text, bool tall)
{
    int w = 0;
    for (char32_t cp : text)
        w += glyph(cp, tall).w;
    return w;
}

// Draws a text from (x, y); colour(x, y) colours each dot.
void Text(Raster& r, const GlyphFn& glyph, bool tall, int x, int y, const std::u32string& text,
          const std::function<uint8_t(int x, int y)>& colour)
{
    for (char32_t cp : text) {
        const Raster g = glyph(cp, tall);
        for (int gy = 0; gy < g.h; ++gy)
            for (int gx = 0; gx < g.w; ++gx)
                if (g.at(gx, gy))
                    r.set(x + gx, y + gy, colour(x + gx, y + gy));
        x += g.w;
    }
}

// Height of a picture must hold whole frames of even width.
NamedImage Picture(const std::string& name, RgxType type, std::vector<Raster> frames, uint16_t delay)
{
    for (Raster& f : frames)
        if (f.w % 2) {
            Raster g(f.w + 1, f.h);
            g.blit(f, 0, 0);
            f = g;
        }
    return {name, MakeRgx(type, frames, delay)};
}

struct Banner {
    const char* text;
    uint8_t fg, bg, frame;
};

const Banner kBanners[] = {
    {"OPEN", kGreen, kDark, kYellow},        {"CLOSED", kRed, kDark, kRed},         {"SALE", kYellow, kRed, kYellow},
    {"WELCOME", kYellow, kDark, kGreen},     {"NEW", kWhite, kBlue, kCyan},         {"HOT", kYellow, kRed, kWhite},
    {"EXIT", kGreen, kDark, kGreen},         {"PUSH", kWhite, kDark, kCyan},        {"PULL", kWhite, kDark, kMagenta},
    {"FREE", kCyan, kDark, kYellow},         {"THANK YOU", kMagenta, kDark, kYellow}, {"SORRY", kRed, kDark, kYellow},
    {"BEST", kYellow, kDark, kRed},          {"50% OFF", kWhite, kRed, kYellow},    {"TODAY", kGreen, kDark, kCyan},
    {"ENTRANCE", kGreen, kDark, kWhite},     {"PARKING", kWhite, kBlue, kWhite},    {"NO SMOKING", kRed, kDark, kWhite},
    {"COFFEE", kYellow, kDark, kRed},        {"OPEN 24H", kCyan, kDark, kGreen},
    // Korean: welcome, open, sale, thank you; Chinese: welcome, open, big sale, thank you.
    {"환영합니다", kYellow, kDark, kGreen},  {"영업중", kGreen, kDark, kYellow},       {"세일", kYellow, kRed, kWhite},
    {"감사합니다", kMagenta, kDark, kYellow}, {"欢迎光临", kYellow, kRed, kYellow},     {"营业中", kGreen, kDark, kGreen},
    {"大减价", kWhite, kRed, kYellow},       {"谢谢惠顾", kCyan, kDark, kMagenta},
};

} // namespace

std::vector<NamedImage> LibraryImages(const GlyphFn& glyph)
{
    std::vector<NamedImage> out;
    const std::vector<RgxImage> moves = Moves();
    const std::vector<std::string> moveNames = MoveNames();
    // 16 rows: a small icon each side of the text.
    for (const Banner& b : kBanners) {
        const std::u32string text = Utf8(b.text);
        const int tw = TextWidth(glyph, text, false);
        Raster r(tw + 24, 16, b.bg);
        Poly(r, Star(4, 8, 4, 1.6, 5, 0), b.frame);
        Poly(r, Star(r.w - 4.5, 8, 4, 1.6, 5, 0), b.frame);
        Text(r, glyph, false, 12, 0, text, [&](int, int) { return b.fg; });
        out.push_back(Picture(std::string("banner ") + b.text + " 16", kImage, {r}, 50));
    }
    // 32 rows: a framed panel, the text drawn in the tall face with a shading.
    for (const Banner& b : kBanners) {
        const std::u32string text = Utf8(b.text);
        const int tw = TextWidth(glyph, text, true);
        Raster r(tw + 16, 32, b.bg);
        for (int x = 0; x < r.w; ++x) {
            const uint8_t c = (x / 4) % 2 ? b.frame : kDark;
            r.set(x, 0, c);
            r.set(r.w - 1 - x, 31, c);
        }
        r.rect(0, 0, 1, 31, b.frame);
        r.rect(r.w - 2, 0, r.w - 1, 31, b.frame);
        // Yellow letters on dark turn red in their lower part, like lit signs.
        Text(r, glyph, true, 8, 0, text,
             [&](int, int y) { return y >= 20 && b.fg == kYellow && b.bg == kDark ? kRed : b.fg; });
        out.push_back(Picture(std::string("banner ") + b.text + " 32", kImage, {r}, 50));
    }
    // Icons: single frames of moves, at 16 and doubled to 32 dots.
    for (const char* name : {"hearts: heart beating", "stars: star spinning", "weather: sun", "food: coffee",
                             "music: note bouncing", "faces: smile blinking", "things: house", "things: flower"}) {
        const int i = MoveIndex(name);
        Raster r(16, 16);
        for (int p = 0; p < 256; ++p)
            r.px[p] = (moves[i].pixels[p / 2] >> (p % 2 ? 0 : 4)) & 15;
        out.push_back(Picture("icon " + moveNames[i] + " 16", kImage, {r}, 50));
        out.push_back(Picture("icon " + moveNames[i] + " 32", kImage, {Double(r)}, 50));
    }
    return out;
}

namespace {

// Particles of a firework burst at time t (frames since launch).
void Burst(Raster& r, double cx, double cy, int t, uint8_t c, uint32_t seed)
{
    if (t < 0)
        return;
    if (t < 4) {
        r.set(int(cx), int(cy + (4 - t) * 3), kWhite);
        return;
    }
    const int age = t - 4;
    if (age > 9)
        return;
    Rng g(seed);
    for (int i = 0; i < 16; ++i) {
        const double a = i * M_PI / 8 + g.Unit() * 0.3, sp = 1.0 + g.Unit() * 0.6;
        const double rad = age * sp * 1.4;
        const double x = cx + rad * std::cos(a), y = cy + rad * std::sin(a) + age * age * 0.06;
        r.set(int(x), int(y), age < 3 ? kWhite : age < 7 ? c : kRed);
    }
}

std::vector<Raster> Fireworks(int w, int h, int frames, uint32_t seed)
{
    std::vector<Raster> out;
    Rng g(seed);
    struct Shot { double x, y; int t0; uint8_t c; };
    std::vector<Shot> shots;
    const uint8_t cols[5] = {kYellow, kGreen, kMagenta, kCyan, kRed};
    for (int i = 0; i < frames / 5 + 2; ++i)
        shots.push_back({4 + g.Unit() * (w - 8), 4 + g.Unit() * (h * 0.5), i * 5 - 6 + g.Below(3), cols[i % 5]});
    for (int f = 0; f < frames; ++f) {
        Raster r(w, h);
        for (size_t i = 0; i < shots.size(); ++i) {
            // Loop seamlessly: a shot is drawn at its time and one period later.
            Burst(r, shots[i].x, shots[i].y, f - shots[i].t0, shots[i].c, seed + uint32_t(i));
            Burst(r, shots[i].x, shots[i].y, f + frames - shots[i].t0, shots[i].c, seed + uint32_t(i));
        }
        out.push_back(r);
    }
    return out;
}

std::vector<Raster> Falling(int w, int h, int frames, int count, uint8_t c, bool snow, uint32_t seed)
{
    std::vector<Raster> out;
    Rng g(seed);
    struct P { int x, y, speed; };
    std::vector<P> ps;
    for (int i = 0; i < count; ++i)
        ps.push_back({g.Below(w), g.Below(h), snow ? 1 : 2 + g.Below(2)});
    for (int f = 0; f < frames; ++f) {
        Raster r(w, h);
        for (const P& p : ps) {
            // Whole loops: a drop moves speed x frames rows per loop, a multiple of the height.
            const int y = (p.y + f * p.speed * h / frames * (snow ? 1 : 2)) % h;
            const int x = snow ? (p.x + int(std::round(std::sin((f * 2 * M_PI / frames) + p.y) * 1.2))) % w : p.x;
            r.set(x, y, c);
            if (!snow) r.set(x, (y + h - 1) % h, kBlue);
        }
        out.push_back(r);
    }
    return out;
}

std::vector<Raster> Waves(int w, int h, int frames, bool boat)
{
    std::vector<Raster> out;
    for (int f = 0; f < frames; ++f) {
        Raster r(w, h);
        const double ph = f * 2 * M_PI / frames;
        for (int x = 0; x < w; ++x) {
            const double top = h * 0.55 + std::sin(x * 2 * M_PI / 32 + ph) * h * 0.12 + std::sin(x * 2 * M_PI / 16 - 2 * ph) * h * 0.05;
            for (int y = 0; y < h; ++y)
                if (y >= top)
                    r.set(x, y, y < top + 1.2 ? kWhite : y < top + h * 0.2 ? kCyan : kBlue);
        }
        if (boat) {
            const int bx = w / 2 - 8 + int(std::sin(ph) * 3), by = int(h * 0.55 + std::sin(bx * 2 * M_PI / 32 + ph) * h * 0.12) - 2;
            Poly(r, {{double(bx), double(by)}, {bx + 16.0, double(by)}, {bx + 13.0, by + 4.0}, {bx + 3.0, by + 4.0}}, kRed);
            r.rect(bx + 8, by - 12, bx + 8, by, kWhite);
            Poly(r, {{bx + 9.0, by - 12.0}, {bx + 15.0, by - 2.0}, {bx + 9.0, by - 2.0}}, kYellow);
        }
        out.push_back(r);
    }
    return out;
}

std::vector<Raster> Stars(int w, int h, int frames, uint32_t seed)
{
    std::vector<Raster> out;
    Rng g(seed);
    struct S { double x, y, z; };
    std::vector<S> s;
    for (int i = 0; i < 40; ++i)
        s.push_back({g.Unit() * 2 - 1, g.Unit() * 2 - 1, g.Unit()});
    for (int f = 0; f < frames; ++f) {
        Raster r(w, h);
        for (const S& p : s) {
            double z = std::fmod(p.z - f / double(frames) + 1, 1.0) + 0.05;
            const int x = int(w / 2 + p.x / z * w / 4), y = int(h / 2 + p.y / z * h / 4);
            r.set(x, y, z < 0.35 ? kWhite : z < 0.7 ? kCyan : kBlue);
        }
        out.push_back(r);
    }
    return out;
}

std::vector<Raster> Fire(int w, int h, int frames, uint32_t seed)
{
    std::vector<Raster> out;
    for (int f = 0; f < frames; ++f) {
        Raster r(w, h);
        for (int x = 0; x < w; ++x) {
            // Flame height from two waves and a per-column flicker that loops.
            Rng g(seed + x * 131 + f);
            const double ph = f * 2 * M_PI / frames;
            const double ht = h * (0.45 + 0.2 * std::sin(x * 0.4 + ph * 2) + 0.15 * std::sin(x * 0.13 - ph)) + g.Below(3);
            for (int y = 0; y < h; ++y) {
                const double d = h - y;
                if (d < ht)
                    r.set(x, y, d < ht * 0.45 ? kYellow : d < ht * 0.8 ? kRed : (g.Below(3) ? kRed : kDark));
            }
        }
        out.push_back(r);
    }
    return out;
}

std::vector<Raster> Matrix(int w, int h, int frames, uint32_t seed)
{
    std::vector<Raster> out;
    Rng g(seed);
    std::vector<int> start(w / 2), len(w / 2);
    for (size_t i = 0; i < start.size(); ++i) {
        start[i] = g.Below(h * 2);
        len[i] = 4 + g.Below(h / 2);
    }
    for (int f = 0; f < frames; ++f) {
        Raster r(w, h);
        for (size_t i = 0; i < start.size(); ++i) {
            const int head = (start[i] + f * 2 * h / frames * 2) % (h * 2);
            for (int k = 0; k < len[i]; ++k) {
                const int y = head - k;
                if (y >= 0 && y < h && ((y * 7 + int(i) * 3) % 5))
                    r.set(int(i) * 2, y, k == 0 ? kWhite : kGreen);
            }
        }
        out.push_back(r);
    }
    return out;
}

std::vector<Raster> Bounce(int w, int h, int frames)
{
    std::vector<Raster> out;
    for (int f = 0; f < frames; ++f) {
        Raster r(w, h);
        const double t = f / double(frames);
        const double x = 5 + (w - 10) * (t < 0.5 ? t * 2 : 2 - t * 2);
        const double y = h - 5 - (h - 10) * std::abs(std::sin(t * 4 * M_PI));
        r.rect(0, h - 1, w - 1, h - 1, kGreen);
        Disc(r, x, y, 3.5, kRed);
        r.set(int(x) - 1, int(y) - 1, kWhite);
        out.push_back(r);
    }
    return out;
}

std::vector<Raster> RainbowScroll(int w, int h, int frames)
{
    std::vector<Raster> out;
    const uint8_t c[6] = {kRed, kYellow, kGreen, kCyan, kBlue, kMagenta};
    for (int f = 0; f < frames; ++f) {
        Raster r(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                r.set(x, y, c[((x + y + f * 48 / frames) / 8) % 6]);
        out.push_back(r);
    }
    return out;
}

// Hills, trees, a sun and clouds, each layer scrolling at its own speed and looping.
std::vector<Raster> Landscape(int w, int h, int frames)
{
    std::vector<Raster> out;
    for (int f = 0; f < frames; ++f) {
        Raster r(w, h);
        Disc(r, w - 20, 7, 5, kYellow);
        const int far = f * w / frames, near = f * 2 * w / frames, cloud = f * w / frames / 2;
        for (int i = 0; i < 3; ++i) {
            const int cx = ((i * w / 3 - cloud) % w + w) % w;
            for (int dx : {0, -w, w}) {
                Disc(r, cx + dx, 5 + i % 2 * 2, 3, kWhite);
                Disc(r, cx + dx + 4, 4 + i % 2 * 2, 3.5, kWhite);
                Disc(r, cx + dx + 8, 5 + i % 2 * 2, 2.5, kWhite);
            }
        }
        for (int x = 0; x < w; ++x) {
            const double u = (x + far) * 2 * M_PI / w;
            const int hill = int(h * 0.55 + std::sin(u * 2) * 3 + std::sin(u * 3) * 2);
            for (int y = hill; y < h; ++y)
                r.set(x, y, kGreen);
        }
        for (int k = 0; k < 6; ++k) {
            const int tx = ((k * w / 6 + 7 - near) % w + w) % w;
            for (int dx : {0, -w, w}) {
                Poly(r, {{tx + dx + 3.5, double(h - 16)}, {tx + dx + 8.0, double(h - 5)}, {tx + dx - 1.0, double(h - 5)}}, k % 2 ? kGreen : kCyan);
                r.rect(tx + dx + 3, h - 5, tx + dx + 4, h - 3, kRed);
            }
        }
        r.rect(0, h - 2, w - 1, h - 1, kYellow);
        for (int x = 0; x < w; ++x)
            if (((x + near) / 4) % 2)
                r.set(x, h - 1, kDark);
        out.push_back(r);
    }
    return out;
}

std::vector<Raster> City(int w, int h, int frames, uint32_t seed)
{
    std::vector<Raster> out;
    Rng g(seed);
    std::vector<int> tops;
    for (int x = 0; x < w; x += 8)
        tops.push_back(4 + g.Below(h - 12));
    for (int f = 0; f < frames; ++f) {
        Raster r(w, h);
        Disc(r, 12, 6, 3.5, kYellow);
        Disc(r, 14, 5, 3, kDark);
        for (size_t b = 0; b < tops.size(); ++b) {
            const int x0 = int(b) * 8;
            r.rect(x0, tops[b], x0 + 6, h - 1, kBlue);
            for (int y = tops[b] + 2; y < h - 2; y += 3)
                for (int x = x0 + 1; x < x0 + 6; x += 2) {
                    Rng wg(uint32_t(x * 977 + y * 131 + (f / 2) * 7 * ((x + y) % 3 == 0)));
                    if (wg.Below(3))
                        r.set(x, y, kYellow);
                }
        }
        out.push_back(r);
    }
    return out;
}

std::vector<Raster> Traffic(int w, int h, int frames)
{
    std::vector<Raster> out;
    for (int f = 0; f < frames; ++f) {
        Raster r(w, h);
        r.rect(0, h / 2 - 1, w - 1, h / 2, kWhite);
        for (int x = 0; x < w; ++x)
            if (((x + f * 4) / 6) % 2)
                r.set(x, h / 2 - 1, kDark), r.set(x, h / 2, kDark);
        for (int c = 0; c < 3; ++c) {
            for (int lane = 0; lane < 2; ++lane) {
                const int dir = lane ? -1 : 1, speed = 2 * (c % 2 + 1) * w / frames / 2;
                int x = ((c * w / 3 + dir * f * std::max(1, speed)) % w + w) % w;
                const int y = lane ? h / 2 + 3 : 3;
                const uint8_t col = (c + lane) % 3 == 0 ? kRed : (c + lane) % 3 == 1 ? kYellow : kCyan;
                for (int dx : {0, -w}) {
                    r.rect(x + dx, y + 4, x + dx + 13, y + 8, col);
                    r.rect(x + dx + 3, y + 1, x + dx + 10, y + 4, col);
                    Disc(r, x + dx + 3.5, y + 9.5, 1.6, kWhite);
                    Disc(r, x + dx + 10.5, y + 9.5, 1.6, kWhite);
                    r.set(lane ? x + dx : x + dx + 13, y + 5, kYellow);
                }
            }
        }
        out.push_back(r);
    }
    return out;
}

std::vector<Raster> Aquarium(int w, int h, int frames)
{
    std::vector<Raster> out;
    for (int f = 0; f < frames; ++f) {
        Raster r(w, h);
        for (int x = 0; x < w; x += 11) {
            const int sway = int(std::round(std::sin(f * 2 * M_PI / frames + x) * 1.5));
            for (int y = h - 10; y < h; ++y)
                r.set(x + ((y % 4) < 2 ? sway : 0), y, kGreen);
        }
        for (int k = 0; k < 4; ++k) {
            const int dir = k % 2 ? -1 : 1;
            const int x = ((k * w / 4 + dir * f * w / frames) % w + w) % w;
            const int y = 4 + k * 6;
            const uint8_t c[4] = {kYellow, kRed, kMagenta, kCyan};
            for (int dx : {0, -w, w}) {
                Ellipse(r, x + dx, y, 4, 2.5, c[k]);
                Poly(r, {{x + dx - dir * 3.5, double(y)}, {x + dx - dir * 7.0, y - 3.0}, {x + dx - dir * 7.0, y + 3.0}}, c[k]);
                r.set(x + dx + dir * 2, y - 1, kDark);
            }
            r.set((x + 6 * dir + w) % w, ((y - 4 - f) % h + h) % h, kWhite);
        }
        out.push_back(r);
    }
    return out;
}

std::vector<Raster> Marquee(int w, int h, int frames)
{
    std::vector<Raster> out;
    for (int f = 0; f < frames; ++f) {
        Raster r(w, h);
        const int per = 2 * (w + h) - 4;
        for (int i = 0; i < per; i += 2) {
            int x, y;
            if (i < w) x = i, y = 0;
            else if (i < w + h - 1) x = w - 1, y = i - w + 1;
            else if (i < 2 * w + h - 2) x = w - 1 - (i - (w + h - 2)), y = h - 1;
            else x = 0, y = h - 1 - (i - (2 * w + h - 3));
            const uint8_t c[4] = {kRed, kYellow, kGreen, kDark};
            r.set(x, y, c[((i / 2) + f) % 4]);
        }
        // A turning star in the middle, changing colour on every lap of the lights.
        const uint8_t star[4] = {kYellow, kWhite, kYellow, kCyan};
        Poly(r, Star(w / 2.0, h / 2.0, h * 0.4, h * 0.17, 5, f * 2 * M_PI / 5 / frames), star[f * 4 / frames]);
        out.push_back(r);
    }
    return out;
}

std::vector<Raster> Plasma(int w, int h, int frames)
{
    std::vector<Raster> out;
    const uint8_t c[7] = {kBlue, kMagenta, kRed, kYellow, kGreen, kCyan, kWhite};
    for (int f = 0; f < frames; ++f) {
        Raster r(w, h);
        const double t = f * 2 * M_PI / frames;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const double v = std::sin(x / 7.0 + t) + std::sin((x + y) / 9.0 - t) + std::sin(std::hypot(x - w / 2.0, y - h / 2.0) / 5.0 + t);
                r.set(x, y, c[std::clamp(int((v + 3) / 6 * 7), 0, 6)]);
            }
        out.push_back(r);
    }
    return out;
}

std::vector<Raster> FromMove(const RgxImage& move, int frames)
{
    std::vector<Raster> out;
    for (int f = 0; f < frames; ++f) {
        Raster r(16, 16);
        const int src = f % move.header.frames;
        for (int p = 0; p < 256; ++p)
            r.px[p] = (move.pixels[src * 128 + p / 2] >> (p % 2 ? 0 : 4)) & 15;
        out.push_back(Double(r));
    }
    return out;
}

} // namespace

std::vector<NamedImage> Movies()
{
    const std::vector<RgxImage> moves = Moves();
    std::vector<NamedImage> v;
    v.push_back(Picture("fireworks", kMovie, Fireworks(64, 32, 24, 11), 40));
    v.push_back(Picture("rain", kMovie, Falling(64, 32, 16, 24, kCyan, false, 12), 40));
    v.push_back(Picture("snow", kMovie, Falling(64, 32, 16, 30, kWhite, true, 13), 60));
    v.push_back(Picture("waves", kMovie, Waves(96, 16, 24, false), 40));
    v.push_back(Picture("stars", kMovie, Stars(64, 32, 16, 14), 40));
    v.push_back(Picture("ball", kMovie, Bounce(64, 32, 24), 30));
    v.push_back(Picture("heart", kMovie, FromMove(moves[MoveIndex("hearts: heart beating")], 8), 60));
    v.push_back(Picture("clock", kMovie, FromMove(moves[MoveIndex("things: clock")], 8), 90));
    v.push_back(Picture("matrix", kMovie, Matrix(64, 32, 16, 15), 30));
    v.push_back(Picture("fire", kMovie, Fire(64, 32, 16, 16), 30));
    v.push_back(Picture("rainbow", kMovie, RainbowScroll(96, 16, 24), 30));
    v.push_back(Picture("marquee", kMovie, Marquee(64, 32, 8), 40));
    return v;
}

std::vector<NamedImage> Animations()
{
    std::vector<NamedImage> v;
    v.push_back(Picture("landscape", kAnimation, Landscape(128, 32, 32), 40));
    v.push_back(Picture("fireworks", kAnimation, Fireworks(128, 32, 40, 21), 40));
    v.push_back(Picture("rain", kAnimation, Falling(128, 32, 32, 60, kCyan, false, 22), 30));
    v.push_back(Picture("sea", kAnimation, Waves(128, 32, 32, true), 50));
    v.push_back(Picture("city", kAnimation, City(128, 32, 16, 23), 90));
    v.push_back(Picture("snow", kAnimation, Falling(128, 32, 32, 70, kWhite, true, 24), 50));
    v.push_back(Picture("plasma", kAnimation, Plasma(128, 32, 32), 30));
    v.push_back(Picture("warp", kAnimation, Stars(128, 32, 32, 25), 30));
    v.push_back(Picture("traffic", kAnimation, Traffic(128, 32, 32), 40));
    v.push_back(Picture("aquarium", kAnimation, Aquarium(128, 32, 32), 50));
    v.push_back(Picture("fire", kAnimation, Fire(128, 32, 32, 26), 30));
    v.push_back(Picture("marquee", kAnimation, Marquee(128, 32, 8), 40));
    return v;
}

} // namespace qvrbuild
