// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/editor/glyph_image.h"

#include "core/cell_glyph.h"

#include <qvr/effect.h>
#include <qvr/glyph.h>

#include <QPainter>

#include <algorithm>

namespace lumivo {

QRgb LedRgb(unsigned char value) { return 0xFF000000u | CEffect::GetRGX2RGB(value); }

QSize PaintCellInto(const CContent& content, const CLumiChar& cell, long frame, QImage& leds, int x, int y)
{
    alignas(8) unsigned char glyph[CEffect::kGlyphBytes];
    std::fill(std::begin(glyph), std::end(glyph), 0);
    const SIZE s = PaintCell(content, cell, frame, glyph, sizeof glyph);
    if (s.cx <= 0 || s.cy <= 0)
        return {};
    static const QRgb colours[8] = {LedRgb(0), LedRgb(1), LedRgb(2), LedRgb(3),
                                    LedRgb(4), LedRgb(5), LedRgb(6), LedRgb(7)};
    const int rows = std::min<int>(s.cy, y < 0 ? 0 : leds.height() - y);
    const int c0 = std::max(0, -x);
    const int c1 = std::min<int>(s.cx, leds.width() - x);
    for (int r = 0; r < rows; ++r) {
        auto* line = reinterpret_cast<QRgb*>(leds.scanLine(y + r));
        const unsigned char* src = glyph + r * s.cx;
        for (int c = c0; c < c1; ++c)
            if (src[c])
                line[x + c] = colours[src[c] & 7];
    }
    return {int(s.cx), int(s.cy)};
}

QSize CellSize(const CContent& content, const CLumiChar& cell)
{
    const SIZE s = PaintCell(content, cell, 0, nullptr, CEffect::kGlyphBytes);
    return s.cx > 0 && s.cy > 0 ? QSize(int(s.cx), int(s.cy)) : QSize();
}

QImage CellsImage(const CContent& content, const std::vector<CLumiChar>& cells, long frame, int height)
{
    int width = 0;
    for (const CLumiChar& c : cells) {
        const QSize s = CellSize(content, c);
        width += s.width();
        height = std::max(height, s.height());
    }
    QImage leds(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    leds.fill(Qt::black);
    int x = 0;
    for (const CLumiChar& c : cells)
        x += PaintCellInto(content, c, frame, leds, x, 0).width();
    return leds;
}

std::vector<CLumiChar> SampleCells(std::u16string_view text, const QVXF& attr)
{
    std::vector<CLumiChar> cells;
    for (char16_t ch : text) {
        CLumiChar c;
        c.code = ch;
        c.attr = attr;
        c.lines = attr.kind == qvr::kKindSmall ? 1 : 2;
        cells.push_back(c);
    }
    return cells;
}

QPixmap Magnified(const QImage& leds, int zoom)
{
    return QPixmap::fromImage(leds.scaled(leds.size() * zoom, Qt::IgnoreAspectRatio, Qt::FastTransformation));
}

QPixmap ChoiceSample(const CContent& content, std::u16string_view text, const QVXF& attr, int frames, int zoom)
{
    const unsigned colourSteps = attr.color < qvr::kColorRows ? std::max<unsigned>(gQvxfColor[attr.color][1], 1) : 1;
    const unsigned attribSteps = attr.attrib < qvr::kAttribRows ? std::max<unsigned>(gQvxfAttrib[attr.attrib][1], 1) : 1;
    const long cycle = long(std::max(colourSteps, attribSteps));
    frames = cycle > 1 ? std::max(frames, 1) : 1;
    const std::vector<CLumiChar> cells = SampleCells(text, attr);
    std::vector<QImage> shots;
    int width = 0, height = 0;
    for (int f = 0; f < frames; ++f) {
        shots.push_back(CellsImage(content, cells, cycle * f / frames));
        width += shots.back().width() + (f ? 2 : 0);
        height = std::max(height, shots.back().height());
    }
    QImage strip(width, height, QImage::Format_RGB32);
    strip.fill(QColor(0x40, 0x40, 0x40));
    QPainter p(&strip);
    int x = 0;
    for (const QImage& s : shots) {
        p.drawImage(x, 0, s);
        x += s.width() + 2;
    }
    p.end();
    return Magnified(strip, zoom);
}

} // namespace lumivo
