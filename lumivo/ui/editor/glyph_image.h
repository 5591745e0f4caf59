// SPDX-License-Identifier: GPL-2.0-or-later
// Cells drawn as the board draws them, one pixel per LED, for the editor's
// widgets: the character editor, the choice lists and the samples.
#pragma once

#include <qvr/content.h>
#include <qvr/records.h>

#include <QImage>
#include <QPixmap>

#include <string_view>
#include <vector>

namespace lumivo {

// The screen colour of an LED colour value (bit 0 red, bit 1 green, bit 2 blue).
QRgb LedRgb(unsigned char value);

// Paints the cell into `leds` (Format_RGB32) with its top-left corner at
// (x, y), clipped to the image; dark LEDs are left as they are. Returns the
// cell's size in LEDs ({0, 0} for a cell that draws nothing).
QSize PaintCellInto(const CContent& content, const CLumiChar& cell, long frame, QImage& leds, int x, int y);

// The cell's size in LEDs as the board lays it out ({0, 0} for a cell that
// draws nothing).
QSize CellSize(const CContent& content, const CLumiChar& cell);

// Cells side by side on a black strip `height` LEDs high (at least the
// tallest cell); frame picks the step of animated colours and attributes.
QImage CellsImage(const CContent& content, const std::vector<CLumiChar>& cells, long frame, int height = 0);

// Text cells for a sample: each character in a copy of attr.
std::vector<CLumiChar> SampleCells(std::u16string_view text, const QVXF& attr);

// The image scaled by a whole number of pixels per LED, without smoothing.
QPixmap Magnified(const QImage& leds, int zoom);

// A sample of an animated selector: the text at `frames` steps spread over
// the colour row's and attribute row's cycles, side by side.
QPixmap ChoiceSample(const CContent& content, std::u16string_view text, const QVXF& attr, int frames, int zoom);

} // namespace lumivo
