// PENDING: the glyph operations of CContent are not on this branch yet; these
// return empty cells until they are, and are replaced by calls to them.
#include "effect_glyph.h"

namespace qvr {

SIZE EngineGlyph(CContent*, const QVXF&, uint16_t, long, unsigned char*) { return SIZE{}; }
SIZE EngineMove(CContent*, const QVXF&, uint16_t, long, unsigned char*) { return SIZE{}; }
long EngineLineWidth(CContent*, const CLumiChar*) { return 0; }
long EngineCellWidth(CContent*, const CLumiChar&) { return 0; }

} // namespace qvr
