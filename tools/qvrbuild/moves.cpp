// SPDX-License-Identifier: GPL-2.0-or-later
// Moves: animated 16x16 icons of four frames, in themed groups. Each is drawn
// from a few shapes; the frames move, turn, blink or recolour it.
#include "art.h"
#include "draw.h"

#include <functional>
#include <stdexcept>

namespace qvrbuild {

namespace {

using Frame = std::function<Raster(int f)>;
struct MoveDef {
    const char* group;
    std::string name;
    Frame draw;
};

Raster Blank() { return Raster(16, 16); }

// ---- shapes, each in a 16x16 cell

Raster Arrow(uint8_t c) // pointing right
{
    Raster r = Blank();
    Poly(r, {{1, 6}, {8, 6}, {8, 2}, {15, 8}, {8, 14}, {8, 10}, {1, 10}}, c);
    return r;
}
Raster Chevrons(uint8_t c, int phase)
{
    Raster r = Blank();
    for (int i = 0; i < 3; ++i) {
        const double x = i * 5 + phase * 1.25 - 3;
        Poly(r, {{x, 2}, {x + 3, 2}, {x + 8, 8}, {x + 3, 14}, {x, 14}, {x + 5, 8}}, i == 2 ? kYellow : c);
    }
    return r;
}
Raster Heart(double scale, uint8_t c)
{
    Raster r = Blank();
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const double u = (x + 0.5 - 8) / (6.8 * scale), v = -(y + 0.5 - 8.3) / (6.8 * scale);
            const double a = u * u + v * v - 1;
            if (a * a * a - u * u * v * v * v <= 0)
                r.set(x, y, c);
        }
    return r;
}
Raster StarShape(double turn, double size, uint8_t c)
{
    Raster r = Blank();
    Poly(r, Star(8, 8.5, 7.5 * size, 3.2 * size, 5, turn), c);
    return r;
}
Raster Sun(int f)
{
    Raster r = Blank();
    for (int i = 0; i < 8; ++i) {
        const double a = i * M_PI / 4 + f * M_PI / 16;
        Line(r, 8 + 5 * std::sin(a), 8 - 5 * std::cos(a), 8 + 7.5 * std::sin(a), 8 - 7.5 * std::cos(a), kRed, 1.4);
    }
    Disc(r, 8, 8, 4.2, kYellow);
    return r;
}
Raster Cloud(int dx, uint8_t c)
{
    Raster r = Blank();
    Disc(r, 5 + dx, 9, 3.5, c);
    Disc(r, 9 + dx, 7, 4.5, c);
    Disc(r, 12.5 + dx, 9.5, 3, c);
    r.rect(4 + dx, 9, 12 + dx, 12, c);
    return r;
}
Raster Drop(double x, double y, uint8_t c, Raster r)
{
    Poly(r, {{x, y - 3}, {x + 1.6, y}, {x - 1.6, y}}, c);
    Disc(r, x, y + 0.3, 1.6, c);
    return r;
}
Raster Face(int mouth, int eyes, uint8_t skin)
{
    Raster r = Blank();
    Disc(r, 8, 8, 7.5, skin);
    // eyes: 0 open, 1 closed, 2 wink, 3 hearts, 4 shades, 5 look left, 6 look right, 7 wide
    auto eye = [&](double x, bool open) {
        if (eyes == 3)
            r.blit([&] { Raster h = Heart(0.28, kRed); Raster s(5, 5); for (int y = 0; y < 5; ++y) for (int xx = 0; xx < 5; ++xx) s.set(xx, y, h.at(xx + 6, y + 6)); return s; }(), int(x) - 2, 3);
        else if (!open)
            r.rect(int(x) - 1, 6, int(x) + 1, 6, kDark);
        else if (eyes == 7)
            Disc(r, x, 5.5, 1.6, kDark);
        else
            r.rect(int(x) + (eyes == 5 ? -1 : eyes == 6 ? 1 : 0) - (eyes == 5 || eyes == 6 ? 0 : 0), 4, int(x) + (eyes == 6 ? 1 : 0), 6, kDark);
    };
    if (eyes == 4) {
        r.rect(3, 4, 12, 5, kDark);
        r.rect(3, 6, 6, 6, kDark);
        r.rect(9, 6, 12, 6, kDark);
    } else {
        eye(5, eyes != 1);
        eye(10, eyes != 1 && eyes != 2);
    }
    switch (mouth) {
    case 0: // smile
        for (int x = 4; x <= 11; ++x)
            r.set(x, 10 + (x == 4 || x == 11 ? -1 : 0) + (x >= 6 && x <= 9 ? 1 : 0), kDark);
        break;
    case 1: // laugh
        Poly(r, {{4, 9}, {12, 9}, {10, 12.5}, {6, 12.5}}, kDark);
        r.rect(7, 11, 8, 12, kRed);
        break;
    case 2: // sad
        for (int x = 4; x <= 11; ++x)
            r.set(x, 12 - (x == 4 || x == 11 ? -1 : 0) - (x >= 6 && x <= 9 ? 1 : 0), kDark);
        break;
    case 3: // surprised
        Ring(r, 8, 11, 2.2, 1.2, kDark);
        break;
    case 4: // flat
        r.rect(5, 11, 10, 11, kDark);
        break;
    default: // tongue
        r.rect(4, 10, 11, 10, kDark);
        r.rect(7, 11, 9, 13, kRed);
        break;
    }
    return r;
}
Raster Note(double dy, uint8_t c, bool twin)
{
    Raster r = Blank();
    const int y = int(dy);
    Ellipse(r, 4.5, 12.5 + y, 2.6, 2, c);
    r.rect(6, 2 + y, 6, 12 + y, c);
    if (twin) {
        Ellipse(r, 11.5, 10.5 + y, 2.6, 2, c);
        r.rect(13, 1 + y, 13, 10 + y, c);
        r.rect(6, 1 + y, 13, 2 + y, c);
    } else {
        Line(r, 6.5, 2.5 + y, 10.5, 6.5 + y, c, 1.5);
    }
    return r;
}
Raster Flame(int f, uint8_t outer, uint8_t inner)
{
    Raster r = Blank();
    const double sway[4] = {0, 1, 0, -1};
    const double s = sway[f & 3];
    Poly(r, {{8 + s * 1.5, 0.5}, {12.5, 8}, {12.5, 12}, {8, 15.5}, {3.5, 12}, {3.5, 8}, {6 + s, 4}}, outer);
    Poly(r, {{8 - s, 6}, {10.5, 10}, {10, 13}, {8, 14.5}, {6, 13}, {5.5, 10}}, inner);
    return r;
}
Raster Cup(int f, uint8_t body)
{
    Raster r = Blank();
    r.rect(2, 8, 10, 14, body);
    Ring(r, 11, 10.5, 3, 1.3, body);
    r.rect(1, 15, 12, 15, body);
    for (int i = 0; i < 2; ++i) {
        const int x = 4 + i * 4;
        for (int y = 1; y < 7; ++y)
            r.set(x + (((y + f + i) / 2) % 2), y, kWhite);
    }
    return r;
}
Raster Phone(int shake, uint8_t c)
{
    Raster r = Blank();
    const double d = shake;
    Poly(r, {{1.0 + d, 5}, {4.0 + d, 3}, {6.0 + d, 6}, {4.5 + d, 7.5}, {8.5 + d, 11.5}, {10 + d, 10}, {13 + d, 12}, {11 + d, 15}, {1.0 + d, 5.5}}, c);
    return r;
}
Raster Bell(int swing)
{
    Raster r = Blank();
    const double s = swing;
    Poly(r, {{8 + s, 1}, {11 + s * 0.6, 4}, {12, 11}, {14, 13}, {2, 13}, {4, 11}, {5 + s * 0.6, 4}}, kYellow);
    Disc(r, 8 - s, 14.5, 1.6, kYellow);
    return r;
}
Raster Envelope(int f)
{
    Raster r = Blank();
    r.rect(1, 4, 14, 13, kWhite);
    const uint8_t c = f % 2 ? kRed : kDark;
    Line(r, 1, 4, 8, 9.5, c, 1.2);
    Line(r, 14.5, 4, 8, 9.5, c, 1.2);
    return r;
}
Raster Clock(int f)
{
    Raster r = Blank();
    Disc(r, 8, 8, 7.5, kWhite);
    Disc(r, 8, 8, 6.2, kDark);
    const double a = f * M_PI / 2;
    Line(r, 8, 8, 8 + 5 * std::sin(a), 8 - 5 * std::cos(a), kYellow, 1.3);
    Line(r, 8, 8, 8 + 3.5 * std::sin(a / 4 + 2), 8 - 3.5 * std::cos(a / 4 + 2), kRed, 1.3);
    return r;
}

std::vector<MoveDef> Catalogue()
{
    std::vector<MoveDef> m;
    auto add = [&](const char* group, std::string name, Frame draw) { m.push_back({group, std::move(name), std::move(draw)}); };
    static const char* dirs[4] = {"right", "down", "left", "up"};

    // Arrows: moving along their direction, chevrons flowing, spinning, blinking.
    for (int d = 0; d < 4; ++d)
        for (uint8_t c : {kRed, kGreen, kYellow})
            add("arrows", std::string("arrow ") + dirs[d], [d, c](int f) { return Turn(Shift(Arrow(c), f - 2, 0, false), d); });
    for (int d = 0; d < 4; ++d)
        add("arrows", std::string("chevrons ") + dirs[d], [d](int f) { return Turn(Chevrons(kGreen, f), d); });
    add("arrows", "arrow spinning", [](int f) { return Turn(Arrow(kCyan), f); });
    add("arrows", "arrow blinking", [](int f) { return f % 2 ? Blank() : Arrow(kRed); });

    // Hearts.
    add("hearts", "heart beating", [](int f) { const double s[4] = {0.8, 1.0, 0.9, 1.05}; return Heart(s[f], kRed); });
    add("hearts", "heart colours", [](int f) { const uint8_t c[4] = {kRed, kMagenta, kYellow, kMagenta}; return Heart(1, c[f]); });
    add("hearts", "heart blinking", [](int f) { return f < 2 ? Heart(1, kRed) : Blank(); });
    add("hearts", "heart rising", [](int f) { return Shift(Heart(0.6, kMagenta), 0, 3 - 2 * f, false); });
    add("hearts", "hearts pair", [](int f) {
        Raster r = Blank();
        r.blit(Shift(Heart(0.5, kRed), -4, f % 2 ? -1 : 1, false), 0, 0);
        r.blit(Shift(Heart(0.5, kMagenta), 4, f % 2 ? 1 : -1, false), 0, 0);
        return r;
    });
    add("hearts", "heart filling", [](int f) {
        Raster r = Heart(1, kWhite);
        for (int y = 15; y > 15 - (f + 1) * 4; --y)
            for (int x = 0; x < 16; ++x)
                if (r.at(x, y))
                    r.set(x, y, kRed);
        return r;
    });
    add("hearts", "heart sparkle", [](int f) {
        Raster r = Heart(0.85, kRed);
        const int sx[4] = {3, 12, 13, 2}, sy[4] = {3, 2, 12, 11};
        Poly(r, Star(sx[f], sy[f], 2.5, 0.8, 4, 0), kWhite);
        return r;
    });
    add("hearts", "heart outline", [](int f) {
        Raster a = Heart(1, f % 2 ? kYellow : kRed), b = Heart(0.7, kDark);
        a.blit(Recolour(b, kDark), 0, 0);
        for (int i = 0; i < 256; ++i)
            if (b.px[i])
                a.px[i] = f % 2 ? kRed : kDark;
        return a;
    });

    // Stars.
    add("stars", "star spinning", [](int f) { return StarShape(f * M_PI / 10, 1, kYellow); });
    add("stars", "star twinkling", [](int f) { const double s[4] = {1, 0.7, 0.45, 0.7}; return StarShape(0, s[f], kYellow); });
    add("stars", "star colours", [](int f) { const uint8_t c[4] = {kYellow, kRed, kGreen, kCyan}; return StarShape(0, 1, c[f]); });
    add("stars", "star blinking", [](int f) { return f % 2 ? StarShape(0, 1, kWhite) : StarShape(0, 1, kYellow); });
    add("stars", "shooting star", [](int f) {
        Raster r = Blank();
        const double x = 3 + f * 3, y = 13 - f * 3;
        Line(r, x - 6, y + 6, x, y, kRed, 1);
        Line(r, x - 3, y + 3, x, y, kYellow, 1);
        Poly(r, Star(x, y, 3.5, 1.3, 4, 0), kWhite);
        return r;
    });
    add("stars", "sparkles", [](int f) {
        Raster r = Blank();
        Rng g(100 + f);
        for (int i = 0; i < 4; ++i)
            Poly(r, Star(2 + g.Below(12), 2 + g.Below(12), 2.8, 0.8, 4, 0), i % 2 ? kWhite : kYellow);
        return r;
    });
    add("stars", "star outline", [](int f) {
        Raster r = StarShape(0, 1, kYellow);
        r.blit(StarShape(0, 0.55, f % 2 ? kRed : kDark), 0, 0);
        for (int i = 0; i < 256; ++i)
            if (StarShape(0, 0.55, 1).px[i] && f % 2 == 0)
                r.px[i] = kDark;
        return r;
    });
    add("stars", "stars three", [](int f) {
        Raster r = Blank();
        const double s[3] = {0.35 + 0.15 * (f % 2), 0.5 - 0.15 * (f % 2), 0.4};
        r.blit(Shift(StarShape(0, s[0], kYellow), -4, -4, false), 0, 0);
        r.blit(Shift(StarShape(0, s[1], kWhite), 4, -3, false), 0, 0);
        r.blit(Shift(StarShape(f * 0.3, s[2], kCyan), 0, 4, false), 0, 0);
        return r;
    });

    // Weather.
    add("weather", "sun", [](int f) { return Sun(f); });
    add("weather", "cloud drifting", [](int f) { return Cloud(f - 2, kWhite); });
    add("weather", "rain", [](int f) {
        Raster r = Cloud(0, kWhite);
        for (int i = 0; i < 3; ++i)
            r = Drop(4 + i * 4, 14 + ((f + i * 2) % 4) * 0.5 - (i % 2), kCyan, r);
        Raster o = Shift(r, 0, -3, false);
        return o;
    });
    add("weather", "snow", [](int f) {
        Raster r = Blank();
        for (int i = 0; i < 6; ++i) {
            const int x = (i * 5 + 2) % 16, y = (i * 7 + f * 4) % 16;
            r.set(x, y, kWhite);
            r.set(x - 1, y, kWhite);
            r.set(x + 1, y, kWhite);
            r.set(x, y - 1, kWhite);
            r.set(x, y + 1, kWhite);
        }
        return r;
    });
    add("weather", "lightning", [](int f) {
        Raster r = Cloud(0, f == 1 ? kWhite : kBlue);
        r = Shift(r, 0, -4, false);
        if (f == 1 || f == 2)
            Poly(r, {{9, 7}, {5, 12}, {8, 12}, {6, 16}, {12, 10}, {9, 10}, {11, 7}}, kYellow);
        return r;
    });
    add("weather", "umbrella", [](int f) {
        Raster r = Blank();
        for (int y = 2; y < 8; ++y)
            for (int x = 1; x < 15; ++x)
                if (std::hypot(x + 0.5 - 8, y + 0.5 - 8) < 7)
                    r.set(x, y, kRed);
        r.rect(8, 8, 8, 13, kWhite);
        r.rect(6, 13, 8, 13, kWhite);
        r.set(6, 12, kWhite);
        r.set((f * 5 + 2) % 16, f % 2, kCyan);
        r.set((f * 5 + 10) % 16, (f + 1) % 2, kCyan);
        return r;
    });
    add("weather", "moon", [](int f) {
        Raster r = Blank();
        Disc(r, 7, 8, 6.5, kYellow);
        Disc(r, 10, 6, 5.5, kDark);
        const int sx[4] = {13, 12, 14, 11}, sy[4] = {11, 13, 9, 12};
        r.set(sx[f], sy[f], kWhite);
        r.set(2 + f % 2, 1, kWhite);
        return r;
    });
    add("weather", "rainbow", [](int f) {
        Raster r = Blank();
        const uint8_t c[4] = {kRed, kYellow, kGreen, kCyan};
        for (int i = 0; i < 4; ++i)
            Ring(r, 8, 14, 8 - i * 1.5, 1.5, c[(i + f) % 4]);
        r.rect(0, 14, 15, 15, kDark);
        return r;
    });
    add("weather", "wind", [](int f) {
        Raster r = Blank();
        for (int i = 0; i < 3; ++i) {
            const int y = 4 + i * 4, x0 = ((f * 4 + i * 5) % 16) - 8;
            Line(r, x0, y, x0 + 10, y, kWhite);
        }
        return r;
    });
    add("weather", "thermometer", [](int f) {
        Raster r = Blank();
        r.rect(6, 1, 9, 11, kWhite);
        Disc(r, 7.5, 12.5, 3.3, kRed);
        r.rect(7, 10 - f * 2, 8, 11, kRed);
        return r;
    });

    // Phone and messages.
    add("phone", "phone ringing", [](int f) {
        Raster r = Phone(f % 2 ? 1 : 0, kGreen);
        if (f % 2) {
            Ring(r, 3, 13, 12, 1, kWhite);
            r.rect(0, 0, 15, 1, kDark);
        }
        return r;
    });
    add("phone", "phone waves", [](int f) {
        Raster r = Phone(0, kWhite);
        for (int i = 0; i <= f % 3; ++i)
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) {
                    const double d = std::hypot(x - 5.0, y - 10.0);
                    if (x > 8 && y < 7 && d > 6 + i * 2.5 && d < 7.2 + i * 2.5)
                        r.set(x, y, kYellow);
                }
        return r;
    });
    add("phone", "mobile", [](int f) {
        Raster r = Blank();
        r.rect(4, 0, 11, 15, kWhite);
        r.rect(5, 2, 10, 12, f % 2 ? kCyan : kBlue);
        r.set(7, 14, kDark);
        r.set(8, 14, kDark);
        return r;
    });
    add("phone", "mail", [](int f) { return Envelope(f); });
    add("phone", "bell ringing", [](int f) { const int s[4] = {0, 1, 0, -1}; return Bell(s[f]); });
    add("phone", "speech bubble", [](int f) {
        Raster r = Blank();
        Ellipse(r, 8, 6.5, 7.5, 5.5, kWhite);
        Poly(r, {{4, 10}, {7, 11}, {2, 15}}, kWhite);
        for (int i = 0; i <= f % 4 && i < 3; ++i)
            Disc(r, 4.5 + i * 3.5, 6.5, 1.1, kDark);
        return r;
    });

    // Food and drink.
    add("food", "coffee", [](int f) { return Cup(f, kYellow); });
    add("food", "tea", [](int f) { return Cup(f + 1, kGreen); });
    add("food", "beer", [](int f) {
        Raster r = Blank();
        r.rect(3, 3, 10, 15, kYellow);
        r.rect(3, 1, 10, 3, kWhite);
        Ring(r, 11, 9, 3.5, 1.3, kWhite);
        r.set(5 + f % 3, 12 - f * 2, kWhite);
        r.set(8, 13 - ((f + 2) % 4) * 2, kWhite);
        return r;
    });
    add("food", "cake", [](int f) {
        Raster r = Blank();
        r.rect(2, 9, 13, 15, kMagenta);
        r.rect(2, 11, 13, 11, kWhite);
        r.rect(7, 5, 8, 8, kWhite);
        r.set(7 + (f % 2), 3, kYellow);
        r.set(7, 4, kRed);
        r.set(8, 4, kYellow);
        return r;
    });
    add("food", "ice cream", [](int f) {
        Raster r = Blank();
        Poly(r, {{4, 8}, {12, 8}, {8, 16}}, kYellow);
        const uint8_t c[4] = {kMagenta, kWhite, kGreen, kRed};
        Disc(r, 8, 6, 4.2, c[f]);
        return r;
    });
    add("food", "apple", [](int f) {
        Raster r = Blank();
        Disc(r, 6, 9.5, 5, kRed);
        Disc(r, 10, 9.5, 5, kRed);
        r.rect(8, 1, 8, 5, kYellow);
        Ellipse(r, 10.5, 3, 2.5, 1.2, kGreen);
        if (f % 2)
            r.set(5, 7, kWhite);
        return r;
    });

    // Music.
    add("music", "note bouncing", [](int f) { const double d[4] = {0, -1, -2, -1}; return Note(d[f], kCyan, false); });
    add("music", "notes", [](int f) { const uint8_t c[4] = {kYellow, kGreen, kCyan, kMagenta}; return Note(f % 2 ? -1 : 0, c[f], true); });
    add("music", "speaker", [](int f) {
        Raster r = Blank();
        Poly(r, {{1, 6}, {4, 6}, {8, 2}, {8, 14}, {4, 10}, {1, 10}}, kWhite);
        for (int i = 0; i < f; ++i)
            for (int y = 0; y < 16; ++y)
                for (int x = 9; x < 16; ++x) {
                    const double d = std::hypot(x - 6.0, y - 8.0);
                    if (d > 4 + i * 2.6 && d < 5.2 + i * 2.6)
                        r.set(x, y, kYellow);
                }
        return r;
    });
    add("music", "equalizer", [](int f) {
        Raster r = Blank();
        Rng g(7 + f);
        for (int i = 0; i < 5; ++i) {
            const int hgt = 3 + g.Below(12);
            for (int y = 15; y > 15 - hgt; --y)
                r.rect(i * 3 + 1, y, i * 3 + 2, y, y < 5 ? kRed : y < 9 ? kYellow : kGreen);
        }
        return r;
    });
    add("music", "notes rising", [](int f) {
        Raster r = Blank();
        r.blit(Shift(Note(0, kYellow, false), -3, 4 - f * 2, true), 0, 0);
        return r;
    });
    add("music", "drum", [](int f) {
        Raster r = Blank();
        Ellipse(r, 8, 7, 6.5, 2.5, kWhite);
        r.rect(2, 7, 13, 13, kRed);
        Ellipse(r, 8, 13, 6, 1.8, kRed);
        Line(r, 3 + (f % 2) * 2, 0, 6 + (f % 2), 5, kYellow, 1.2);
        Line(r, 13 - ((f + 1) % 2) * 2, 0, 10 - ((f + 1) % 2), 5, kYellow, 1.2);
        return r;
    });

    // Fire.
    add("fire", "flame", [](int f) { return Flame(f, kRed, kYellow); });
    add("fire", "flame blue", [](int f) { return Flame(f, kBlue, kCyan); });
    add("fire", "candle", [](int f) {
        Raster r = Blank();
        r.rect(6, 8, 9, 15, kWhite);
        Raster fl = Flame(f, kRed, kYellow);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                if (fl.at(x, y))
                    r.set(6 + (x - 3) * 4 / 10, y / 2, fl.at(x, y));
        return r;
    });
    add("fire", "campfire", [](int f) {
        Raster r = Flame(f, kRed, kYellow);
        Line(r, 1, 15, 14, 11, kYellow, 1.6);
        Line(r, 1, 11, 14, 15, kYellow, 1.6);
        return r;
    });
    add("fire", "firework", [](int f) {
        Raster r = Blank();
        const uint8_t c[4] = {kWhite, kYellow, kRed, kMagenta};
        for (int i = 0; i < 8; ++i) {
            const double a = i * M_PI / 4, rad = 1.5 + f * 2;
            r.set(int(8 + rad * std::sin(a)), int(8 - rad * std::cos(a)), c[f]);
            r.set(int(8 + (rad - 1) * std::sin(a)), int(8 - (rad - 1) * std::cos(a)), c[(f + 1) % 4]);
        }
        return r;
    });

    // Faces.
    add("faces", "smile blinking", [](int f) { return Face(0, f == 3 ? 1 : 0, kYellow); });
    add("faces", "wink", [](int f) { return Face(0, f % 2 ? 2 : 0, kYellow); });
    add("faces", "laughing", [](int f) { return Shift(Face(1, 1, kYellow), 0, f % 2 ? -1 : 0, false); });
    add("faces", "sad", [](int f) { return Face(2, f == 2 ? 1 : 0, kCyan); });
    add("faces", "surprised", [](int f) { return Face(3, 7, f % 2 ? kYellow : kWhite); });
    add("faces", "angry", [](int f) {
        Raster r = Face(2, 0, f % 2 ? kRed : kYellow);
        Line(r, 3, 3, 7, 5, kDark);
        Line(r, 12, 3, 9, 5, kDark);
        return r;
    });
    add("faces", "tongue", [](int f) { return Face(f % 2 ? 5 : 4, 2, kYellow); });
    add("faces", "in love", [](int f) { return Face(0, 3, f % 2 ? kYellow : kMagenta); });
    add("faces", "cool", [](int f) { return Shift(Face(0, 4, kYellow), f == 1 ? 1 : f == 3 ? -1 : 0, 0, false); });
    add("faces", "looking around", [](int f) { const int e[4] = {0, 5, 0, 6}; return Face(4, e[f], kYellow); });
    add("faces", "sleeping", [](int f) {
        Raster r = Face(4, 1, kCyan);
        const int zx = 11 + f % 2, zy = 1 + (f / 2);
        for (int i = 0; i < 3; ++i) {
            r.set(zx + i, zy, kWhite);
            r.set(zx + i, zy + 2, kWhite);
        }
        r.set(zx + 1, zy + 1, kWhite);
        return r;
    });
    add("faces", "nodding", [](int f) { return Shift(Face(0, 0, kGreen), 0, f % 2, false); });

    // Signs.
    add("signs", "check", [](int f) {
        Raster r = Blank();
        const double t = (f + 1) / 4.0;
        Line(r, 2, 8, 2 + 4 * std::min(1.0, t * 2), 8 + 4 * std::min(1.0, t * 2), kGreen, 2.2);
        if (t > 0.5)
            Line(r, 6, 12, 6 + 8 * (t - 0.5) * 2, 12 - 10 * (t - 0.5) * 2, kGreen, 2.2);
        return r;
    });
    add("signs", "cross", [](int f) {
        Raster r = Blank();
        const uint8_t c = f % 2 ? kRed : kWhite;
        Line(r, 3, 3, 12, 12, c, 2.4);
        Line(r, 12, 3, 3, 12, c, 2.4);
        return r;
    });
    add("signs", "exclamation", [](int f) {
        Raster r = Blank();
        Poly(r, {{8, 1}, {15, 14.5}, {1, 14.5}}, f % 2 ? kRed : kYellow);
        r.rect(7, 5, 8, 10, kDark);
        r.rect(7, 12, 8, 13, kDark);
        return r;
    });
    add("signs", "question", [](int f) {
        Raster r = Blank();
        Ring(r, 8, 5.5, 4.5, 2, kCyan);
        r.rect(3, 5, 7, 10, kDark);
        r.rect(7, 9, 8, 11, kCyan);
        r.rect(7, 13, 8, 14, kCyan);
        return Shift(r, 0, f % 2 ? -1 : 0, false);
    });
    add("signs", "stop", [](int f) {
        Raster r = Blank();
        Poly(r, Star(8, 8, 7.8, 7.8 * std::cos(M_PI / 8), 8, M_PI / 8), f % 2 ? kRed : kWhite);
        r.rect(3, 7, 12, 8, f % 2 ? kWhite : kRed);
        return r;
    });
    add("signs", "no entry", [](int f) {
        Raster r = Blank();
        Disc(r, 8, 8, 7.5, kRed);
        r.rect(3, 7, 12, 8, f < 2 ? kWhite : kYellow);
        return r;
    });
    add("signs", "plus", [](int f) {
        Raster r = Blank();
        const uint8_t c[4] = {kGreen, kWhite, kGreen, kYellow};
        r.rect(6, 2, 9, 13, c[f]);
        r.rect(2, 6, 13, 9, c[f]);
        return r;
    });
    add("signs", "power", [](int f) {
        Raster r = Blank();
        Ring(r, 8, 9, 6.5, 1.7, f % 2 ? kGreen : kWhite);
        r.rect(6, 0, 9, 3, kDark);
        r.rect(7, 1, 8, 8, f % 2 ? kGreen : kWhite);
        return r;
    });
    add("signs", "signal bars", [](int f) {
        Raster r = Blank();
        for (int i = 0; i <= f; ++i)
            r.rect(1 + i * 4, 12 - i * 3, 3 + i * 4, 14, kGreen);
        return r;
    });
    add("signs", "battery charging", [](int f) {
        Raster r = Blank();
        r.rect(1, 4, 13, 12, kWhite);
        r.rect(2, 5, 12, 11, kDark);
        r.rect(14, 6, 15, 10, kWhite);
        for (int i = 0; i <= f; ++i)
            r.rect(3 + i * 2 + i / 2, 6, 4 + i * 2 + i / 2, 10, f == 3 ? kGreen : kYellow);
        return r;
    });
    add("signs", "wifi", [](int f) {
        Raster r = Blank();
        Disc(r, 8, 13, 1.5, kWhite);
        for (int i = 0; i < f; ++i)
            for (int y = 0; y < 12; ++y)
                for (int x = 0; x < 16; ++x) {
                    const double d = std::hypot(x + 0.5 - 8, y + 0.5 - 13);
                    if (d > 3.5 + i * 3.5 && d < 5 + i * 3.5 && y < 11 - i)
                        r.set(x, y, kCyan);
                }
        return r;
    });
    add("signs", "target", [](int f) {
        Raster r = Blank();
        for (int i = 0; i < 4; ++i)
            Ring(r, 8, 8, 7.5 - i * 2, 2, (i + f) % 2 ? kWhite : kRed);
        return r;
    });

    // Things.
    add("things", "clock", [](int f) { return Clock(f); });
    add("things", "hourglass", [](int f) {
        Raster r = Blank();
        Poly(r, {{3, 2}, {12, 2}, {8.5, 8}, {12, 14}, {3, 14}, {7.5, 8}}, kWhite);
        Poly(r, {{4.5, 3}, {11.5, 3}, {8, 7.5}}, kDark);
        Poly(r, {{8, 8.5}, {11.5, 13}, {4.5, 13}}, kDark);
        // Sand: the upper heap sinks while the lower one grows.
        const double top = 3 + f * 1.1, pile = 13 - (f + 1) * 1.1;
        Poly(r, {{4.5 + (top - 3) * 0.78, top}, {11.5 - (top - 3) * 0.78, top}, {8, 7.5}}, kYellow);
        Poly(r, {{8, pile}, {11.5, 13}, {4.5, 13}}, kYellow);
        r.rect(7, 8, 8, 12, f % 2 ? kYellow : kDark);
        r.rect(2, 0, 13, 1, kRed);
        r.rect(2, 14, 13, 15, kRed);
        return r;
    });
    add("things", "gift", [](int f) {
        Raster r = Blank();
        r.rect(2, 6, 13, 15, f % 2 ? kMagenta : kRed);
        r.rect(1, 5, 14, 7, f % 2 ? kMagenta : kRed);
        r.rect(7, 5, 8, 15, kYellow);
        r.rect(1, 6, 14, 6, kYellow);
        Ellipse(r, 5.5, 3, 2.5, 1.6, kYellow);
        Ellipse(r, 10.5, 3, 2.5, 1.6, kYellow);
        return r;
    });
    add("things", "house", [](int f) {
        Raster r = Blank();
        Poly(r, {{8, 1}, {15.5, 8}, {0.5, 8}}, kRed);
        r.rect(2, 8, 13, 15, kWhite);
        r.rect(4, 10, 6, 12, f % 2 ? kYellow : kDark);
        r.rect(9, 10, 11, 15, kBlue);
        return r;
    });
    add("things", "car", [](int f) {
        Raster r = Blank();
        r.rect(1, 7, 14, 11, kRed);
        Poly(r, {{4, 7}, {5.5, 3.5}, {11, 3.5}, {12.5, 7}}, kRed);
        r.rect(6, 4, 8, 6, kCyan);
        r.rect(9, 4, 10, 6, kCyan);
        Disc(r, 4.5, 12, 2, kWhite);
        Disc(r, 11.5, 12, 2, kWhite);
        r.set(4 + f % 2, 12, kDark);
        r.set(11 + f % 2, 12, kDark);
        return Shift(r, f - 2, 0, true);
    });
    add("things", "plane", [](int f) {
        Raster r = Blank();
        Poly(r, {{1, 7}, {14, 7}, {15.5, 8}, {14, 9}, {1, 9}}, kWhite);
        Poly(r, {{6, 8}, {10, 8}, {6, 14}}, kCyan);
        Poly(r, {{6, 8}, {10, 8}, {6, 2}}, kCyan);
        Poly(r, {{1, 8}, {3, 8}, {1, 4}}, kCyan);
        return Shift(r, f * 4 - 6, 0, true);
    });
    add("things", "rocket", [](int f) {
        Raster r = Blank();
        Poly(r, {{8, 0}, {11, 4}, {11, 11}, {5, 11}, {5, 4}}, kWhite);
        Disc(r, 8, 6, 1.5, kCyan);
        Poly(r, {{5, 8}, {2, 12}, {5, 11}}, kRed);
        Poly(r, {{11, 8}, {14, 12}, {11, 11}}, kRed);
        Poly(r, {{6, 11}, {10, 11}, {8, 14.0 + f % 2 * 2}}, f % 2 ? kYellow : kRed);
        return r;
    });
    add("things", "ship", [](int f) {
        Raster r = Blank();
        Poly(r, {{1, 9}, {15, 9}, {12, 13}, {4, 13}}, kRed);
        r.rect(7, 2, 7, 9, kWhite);
        Poly(r, {{8, 2}, {13, 8}, {8, 8}}, kWhite);
        for (int x = 0; x < 16; ++x)
            r.set(x, 14 + ((x + f) / 2) % 2, kBlue);
        return r;
    });
    add("things", "bulb", [](int f) {
        Raster r = Blank();
        Disc(r, 8, 6.5, 5, f % 2 ? kYellow : kWhite);
        r.rect(6, 11, 9, 14, kWhite);
        r.rect(6, 12, 9, 12, kDark);
        if (f % 2) {
            r.set(1, 6, kYellow);
            r.set(14, 6, kYellow);
            r.set(8, 0, kYellow);
        }
        return r;
    });
    add("things", "key", [](int f) {
        Raster r = Blank();
        Ring(r, 4.5, 8, 4, 2, kYellow);
        r.rect(8, 7, 15, 8, kYellow);
        r.rect(12, 9, 12, 10, kYellow);
        r.rect(14, 9, 14, 11, kYellow);
        if (f == 1)
            r.set(4, 4, kWhite);
        return r;
    });
    add("things", "flower", [](int f) {
        Raster r = Blank();
        r.rect(8, 9, 8, 15, kGreen);
        Ellipse(r, 10.5, 12, 2, 1, kGreen);
        const uint8_t c[4] = {kRed, kMagenta, kYellow, kRed};
        for (int i = 0; i < 5; ++i) {
            const double a = i * 2 * M_PI / 5 + f * 0.3;
            Disc(r, 8 + 3.3 * std::sin(a), 6 - 3.3 * std::cos(a), 2.2, c[f]);
        }
        Disc(r, 8, 6, 1.6, kYellow);
        return r;
    });
    add("things", "tree", [](int f) {
        Raster r = Blank();
        Poly(r, {{8, 0}, {14, 12}, {2, 12}}, kGreen);
        r.rect(7, 12, 8, 15, kRed);
        const int lx[4] = {6, 10, 8, 5}, ly[4] = {6, 9, 3, 10};
        r.set(lx[f], ly[f], kYellow);
        r.set(lx[(f + 2) % 4], ly[(f + 2) % 4], kRed);
        return r;
    });

    // Shapes.
    add("shapes", "square spinning", [](int f) {
        Raster r = Blank();
        Poly(r, Star(8, 8, 7, 7 * std::cos(M_PI / 4), 4, f * M_PI / 8), kCyan);
        return r;
    });
    add("shapes", "circle pulsing", [](int f) { Raster r = Blank(); Disc(r, 8, 8, 3 + f * 1.5, f % 2 ? kGreen : kCyan); return r; });
    add("shapes", "ring expanding", [](int f) { Raster r = Blank(); Ring(r, 8, 8, 2 + f * 2, 1.5, kYellow); return r; });
    add("shapes", "diamond", [](int f) {
        Raster r = Blank();
        Poly(r, {{8, 0.5}, {15.5, 8}, {8, 15.5}, {0.5, 8}}, f % 2 ? kCyan : kWhite);
        Poly(r, {{8, 4}, {12, 8}, {8, 12}, {4, 8}}, f % 2 ? kWhite : kCyan);
        return r;
    });
    add("shapes", "loading", [](int f) {
        Raster r = Blank();
        for (int i = 0; i < 8; ++i) {
            const double a = i * M_PI / 4;
            Disc(r, 8 + 5.5 * std::sin(a), 8 - 5.5 * std::cos(a), 1.5, (i / 2) == f ? kWhite : kBlue);
        }
        return r;
    });
    add("shapes", "dots", [](int f) {
        Raster r = Blank();
        for (int i = 0; i < 3; ++i)
            Disc(r, 3 + i * 5, i == f ? 6 : 9, 1.8, i == f ? kYellow : kGreen);
        return r;
    });
    add("shapes", "ball bouncing", [](int f) {
        Raster r = Blank();
        const double y[4] = {3, 8, 12, 8};
        Disc(r, 8, y[f], 3, kRed);
        r.rect(0, 15, 15, 15, kGreen);
        return r;
    });
    add("shapes", "frame flashing", [](int f) {
        Raster r = Blank();
        for (int i = 0; i < 60; ++i) {
            const int k = i, x = k < 15 ? k : k < 30 ? 15 : k < 45 ? 45 - k : 0, y = k < 15 ? 0 : k < 30 ? k - 15 : k < 45 ? 15 : 60 - k;
            r.set(x, y, ((i + f) / 2) % 2 ? kYellow : kRed);
        }
        return r;
    });
    add("shapes", "checker", [](int f) {
        Raster r = Blank();
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                if (((x / 4) + (y / 4) + f) % 2)
                    r.set(x, y, f < 2 ? kRed : kBlue);
        return r;
    });
    add("shapes", "triangle turning", [](int f) {
        Raster r = Blank();
        Poly(r, {{8, 1}, {15, 14}, {1, 14}}, kMagenta);
        return Turn(r, f);
    });
    return m;
}

} // namespace

std::vector<std::string> MoveNames()
{
    std::vector<std::string> v;
    for (const MoveDef& d : Catalogue())
        v.push_back(std::string(d.group) + ": " + d.name);
    return v;
}

int MoveIndex(const std::string& name)
{
    const std::vector<std::string> names = MoveNames();
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == name)
            return int(i);
    throw std::out_of_range("no move " + name);
}

std::vector<RgxImage> Moves()
{
    std::vector<RgxImage> out;
    const std::vector<MoveDef> defs = Catalogue();
    uint16_t first = 0;
    for (size_t i = 0; i < defs.size(); ++i) {
        if (i == 0 || std::string(defs[i].group) != defs[i - 1].group)
            first = uint16_t(i);
        std::vector<Raster> frames;
        for (int f = 0; f < 4; ++f) {
            Raster r = defs[i].draw(f);
            r.w = 16, r.h = 16, r.px.resize(256);
            frames.push_back(r);
        }
        out.push_back(MakeRgx(kMove, frames, 256, first, 0, 0));
    }
    return out;
}

} // namespace qvrbuild
