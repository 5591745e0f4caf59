// SPDX-License-Identifier: GPL-2.0-or-later
// Small vector drawing on colour rasters for the icons and pictures.
#pragma once

#include "raster.h"

#include <cmath>
#include <initializer_list>
#include <utility>
#include <vector>

namespace qvrbuild {

// Colour nibbles by name.
constexpr uint8_t kDark = 0, kRed = 1, kGreen = 2, kYellow = 3, kBlue = 4, kMagenta = 5, kCyan = 6, kWhite = 7;

struct Pt {
    double x, y;
};

inline void Disc(Raster& r, double cx, double cy, double rad, uint8_t c)
{
    for (int y = 0; y < r.h; ++y)
        for (int x = 0; x < r.w; ++x)
            if (std::hypot(x + 0.5 - cx, y + 0.5 - cy) <= rad)
                r.set(x, y, c);
}
inline void Ring(Raster& r, double cx, double cy, double rad, double width, uint8_t c)
{
    for (int y = 0; y < r.h; ++y)
        for (int x = 0; x < r.w; ++x) {
            const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            if (d <= rad && d > rad - width)
                r.set(x, y, c);
        }
}
inline void Ellipse(Raster& r, double cx, double cy, double rx, double ry, uint8_t c)
{
    for (int y = 0; y < r.h; ++y)
        for (int x = 0; x < r.w; ++x) {
            const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
            if (dx * dx + dy * dy <= 1)
                r.set(x, y, c);
        }
}
// Even-odd fill of a polygon, sampled at dot centres.
inline void Poly(Raster& r, const std::vector<Pt>& p, uint8_t c)
{
    for (int y = 0; y < r.h; ++y)
        for (int x = 0; x < r.w; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            bool in = false;
            for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++)
                if ((p[i].y > py) != (p[j].y > py) && px < (p[j].x - p[i].x) * (py - p[i].y) / (p[j].y - p[i].y) + p[i].x)
                    in = !in;
            if (in)
                r.set(x, y, c);
        }
}
inline void Line(Raster& r, double x0, double y0, double x1, double y1, uint8_t c, double width = 1)
{
    const double len = std::hypot(x1 - x0, y1 - y0);
    const int steps = int(len * 3) + 1;
    for (int i = 0; i <= steps; ++i) {
        const double t = double(i) / steps, x = x0 + (x1 - x0) * t, y = y0 + (y1 - y0) * t;
        if (width <= 1)
            r.set(int(std::floor(x)), int(std::floor(y)), c);
        else
            Disc(r, x, y, width / 2, c);
    }
}
// Points of a regular star or polygon (inner = outer for a polygon).
inline std::vector<Pt> Star(double cx, double cy, double outer, double inner, int points, double turn)
{
    std::vector<Pt> v;
    for (int i = 0; i < points * 2; ++i) {
        const double a = turn + i * M_PI / points, rad = i % 2 ? inner : outer;
        v.push_back({cx + rad * std::sin(a), cy - rad * std::cos(a)});
    }
    return v;
}
// Turns a square raster a quarter turn clockwise, k times.
inline Raster Turn(const Raster& r, int k)
{
    Raster o = r;
    for (int n = 0; n < (k & 3); ++n) {
        Raster t(o.h, o.w);
        for (int y = 0; y < o.h; ++y)
            for (int x = 0; x < o.w; ++x)
                t.set(o.h - 1 - y, x, o.at(x, y));
        o = t;
    }
    return o;
}
inline Raster Mirror(const Raster& r)
{
    Raster o(r.w, r.h);
    for (int y = 0; y < r.h; ++y)
        for (int x = 0; x < r.w; ++x)
            o.set(r.w - 1 - x, y, r.at(x, y));
    return o;
}
// Replaces every non-dark dot by colour c.
inline Raster Recolour(const Raster& r, uint8_t c)
{
    Raster o = r;
    for (uint8_t& v : o.px)
        if (v)
            v = c;
    return o;
}
inline Raster Shift(const Raster& r, int dx, int dy, bool wrap)
{
    Raster o(r.w, r.h);
    for (int y = 0; y < r.h; ++y)
        for (int x = 0; x < r.w; ++x) {
            int sx = x - dx, sy = y - dy;
            if (wrap) {
                sx = ((sx % r.w) + r.w) % r.w;
                sy = ((sy % r.h) + r.h) % r.h;
            }
            o.set(x, y, r.at(sx, sy));
        }
    return o;
}

} // namespace qvrbuild
