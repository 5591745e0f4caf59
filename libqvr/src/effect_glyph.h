// The glyph services the engine takes from the content library.
#pragma once

#include <qvr/content.h>

namespace qvr {

// Paints a cell of kind 1 or 7 (fonts) or 5 (move) into buf and returns its size.
SIZE EngineGlyph(CContent* content, const QVXF& attr, uint16_t code, long frame, unsigned char* buf);
SIZE EngineMove(CContent* content, const QVXF& attr, uint16_t code, long frame, unsigned char* buf);
// Width of a line that ends with code 0 or a line control.
long EngineLineWidth(CContent* content, const CLumiChar* cells);
// Width of one cell.
long EngineCellWidth(CContent* content, const CLumiChar& cell);

} // namespace qvr
