// The glyph services the engine takes from the content library.
#include "effect_glyph.h"

#include "qvr/effect.h"

namespace qvr {

SIZE EngineGlyph(CContent* content, const QVXF& attr, uint16_t code, long frame, unsigned char* buf)
{
    return content->GetFontData(attr, code, frame, buf, CEffect::kGlyphBytes);
}

SIZE EngineMove(CContent* content, const QVXF& attr, uint16_t code, long frame, unsigned char* buf)
{
    if (attr.size < 4)
        return content->make_mov16x16(attr, code, frame, buf, CEffect::kGlyphBytes);
    return content->make_mov32x32(attr, code, frame, buf, CEffect::kGlyphBytes);
}

long EngineLineWidth(CContent*, const CLumiChar* cells) { return CContent::GetLumiCharWidth(cells); }

long EngineCellWidth(CContent*, const CLumiChar& cell) { return CContent::GetCharXSize(&cell); }

} // namespace qvr
