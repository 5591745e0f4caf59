// SPDX-License-Identifier: BSD-2-Clause
// Glyph painting: a character cell becomes colour values for one animation
// frame. This runs for every cell of the shown item at every frame, so it only
// looks up tables, keeps its working rows on the stack and writes each output
// byte once.
#include "qvr/content.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

using qvr::kPatternBytes;

constexpr unsigned kNoEntry = 0xFFFF;

// Where a glyph lies in a double-byte face: rows first..first+rows-1 and
// columns 0xA1..0xFE of its code.
constexpr unsigned kFirstColumn = 0xA1;
constexpr unsigned kLastColumn = 0xFE;
constexpr unsigned kGlyphsPerRow = 94;
constexpr unsigned kHangulFirstRow = 0xB0;
constexpr unsigned kHangulRows = 25;
constexpr unsigned kHanjaFirstRow = 0xCA;
constexpr unsigned kHanjaRows = 52;
constexpr unsigned kGBFirstRow = 0xB0;
constexpr unsigned kGBRows = 72;
constexpr unsigned kGBFaceGlyphs = kGBRows * kGlyphsPerRow; // 6,768
// The code table's stand-in for the last Hangul place.
constexpr unsigned kHangulFiller = 0x0FFF;
constexpr unsigned kHangulLast = 0xC8FE;

// Moves are 16x16 frames of 4-bit pixels.
constexpr unsigned kMoveSide = 16;
constexpr unsigned kMoveFrameBytes = kMoveSide * kMoveSide / 2;
constexpr unsigned kMoveFrames = CRGX<1040>::kCapacity / kMoveFrameBytes;

// Index of a double-byte code in a face of `rows` rows from `firstRow`, or -1
// when the code lies outside the face.
long FacePlace(unsigned code, unsigned firstRow, unsigned rows)
{
    const unsigned row = code >> 8, column = code & 0xFF;
    if (row < firstRow || row >= firstRow + rows || column < kFirstColumn || column > kLastColumn)
        return -1;
    return static_cast<long>((row - firstRow) * kGlyphsPerRow + column - kFirstColumn);
}

// Frame t of a sequence of n steps (n > 0), also for negative t.
unsigned Step(long t, unsigned n)
{
    const long r = t % static_cast<long>(n);
    return static_cast<unsigned>(r < 0 ? r + static_cast<long>(n) : r);
}

long CellWidth(unsigned widthIndex, unsigned size) { return gWF[widthIndex & 7] * static_cast<long>(size >> 1); }

// Latin glyphs are one width step narrower; index 0 wraps to 7 (width 0)
// instead of reading before the table.
long LatinWidth(const QVXF& a) { return CellWidth(a.widthIndex - 1u, a.size); }
long FullWidth(const QVXF& a) { return CellWidth(a.widthIndex, a.size); }
long CellHeight(const QVXF& a) { return static_cast<long>(a.size) * 8; }

// The size a builder reports: the rows that fit the buffer.
SIZE Fit(long w, long h, size_t capacity)
{
    if (w > 0 && static_cast<size_t>(w) * static_cast<size_t>(h) > capacity)
        h = static_cast<long>(capacity / static_cast<size_t>(w));
    SIZE s;
    s.cx = static_cast<LONG>(w);
    s.cy = static_cast<LONG>(h);
    return s;
}

// How many output dots each source column gives when `cols` columns are
// stretched to w dots: a single-precision accumulator grows by w / cols per
// column and the column is emitted while it exceeds the dots emitted so far.
void Stretch(long w, int cols, unsigned char* runs)
{
    const float step = static_cast<float>(w) / static_cast<float>(cols);
    float acc = 0.0f;
    long emitted = 0;
    for (int x = 0; x < cols; ++x) {
        acc += step;
        unsigned char n = 0;
        while (emitted < w && acc > static_cast<float>(emitted)) {
            ++emitted;
            ++n;
        }
        runs[x] = n;
    }
}

// The attribute pattern's effect on a colour value: 0 keeps it, 1 to 3 paint
// that colour, 4 to 7 invert it, 8 and above blank it. Without branches, as
// pattern values change from pixel to pixel.
struct AttributeRule {
    unsigned char keep[256]; // 0xFF for 0
    unsigned char invert[256]; // 3 for 4 to 7
    unsigned char paint[256]; // the value itself for 1 to 3
    constexpr AttributeRule() : keep(), invert(), paint()
    {
        keep[0] = 0xFF;
        for (int p = 1; p <= 3; ++p)
            paint[p] = static_cast<unsigned char>(p);
        for (int p = 4; p <= 7; ++p)
            invert[p] = 3;
    }
};
constexpr AttributeRule kAttributeRule;

inline unsigned char Attribute(unsigned char p, unsigned char v)
{
    return static_cast<unsigned char>((v & kAttributeRule.keep[p]) | (~v & kAttributeRule.invert[p]) |
                                      kAttributeRule.paint[p]);
}

// The patterns of one frame.
struct Patterns {
    const unsigned char* attrib; // P
    const unsigned char* fore;   // F
    const unsigned char* back;   // B
    unsigned char shadow;        // shadow or outline colour
    bool shadowed;               // colour rows 6 and 7
    bool outlined;               // colour rows 8 to 11
};

// Out-of-table selectors paint as row 0 (plain, first colour).
const unsigned char* AttribPattern(const QVXF& a, long t, const unsigned char* area)
{
    const unsigned short* row = gQvxfAttrib[a.attrib < qvr::kAttribRows ? a.attrib : 0];
    return area + size_t(row[2 + Step(t, row[1])]) * kPatternBytes;
}

Patterns FramePatterns(const QVXF& a, long t, const unsigned char* attribArea, const unsigned char* colorArea)
{
    const unsigned kr = a.color < qvr::kColorRows ? a.color : 0;
    const unsigned char* krow = gQvxfColor[kr];
    Patterns p;
    p.attrib = AttribPattern(a, t, attribArea);
    p.fore = colorArea + size_t(krow[2 + Step(t, krow[1])]) * kPatternBytes;
    p.back = colorArea + size_t(krow[0]) * kPatternBytes;
    p.shadowed = kr >= qvr::kFirstShadowColor && kr <= qvr::kLastOutlineColor;
    p.outlined = kr >= qvr::kFirstOutlineColor && kr <= qvr::kLastOutlineColor;
    p.shadow = p.shadowed ? CContent::m_ShadowColor[kr - qvr::kFirstShadowColor] : 0;
    return p;
}

// Shape of one glyph set: source columns and rows, bytes per glyph row, how
// patterns are sampled (row = y * RowMul >> RowShift, column = x * ColMul >>
// ColShift) and whether it reads the 32-dot pattern areas.
template <int Cols, int Rows, int RowBytes, int RowMul, int RowShift, int ColMul, int ColShift, bool Big,
          bool Shadow>
struct Layout {
    static constexpr int kCols = Cols;
    static constexpr int kRows = Rows;
    static constexpr int kRowBytes = RowBytes;
    static constexpr bool kBig = Big;
    static constexpr bool kShadow = Shadow;
    static constexpr size_t PatternRow(long y) { return size_t((y * RowMul) >> RowShift) * 16; }
    static constexpr size_t PatternColumn(int x) { return size_t((x * ColMul) >> ColShift); }
    static constexpr uint32_t kFull = Cols == 32 ? 0xFFFFFFFFu : (1u << Cols) - 1u;
};
using Fnt06 = Layout<6, 8, 1, 2, 0, 2, 0, false, false>;
using Fnt08x16 = Layout<8, 16, 1, 1, 0, 2, 0, false, true>;
using Fnt16x16 = Layout<16, 16, 2, 1, 0, 1, 0, false, true>;
using Fnt16x32 = Layout<16, 32, 2, 1, 1, 1, 0, true, true>;
using Fnt32x32 = Layout<32, 32, 4, 1, 1, 1, 1, true, true>;

// Glyph row r as bits, leftmost dot at bit Cols - 1.
template <typename L>
uint32_t GlyphRow(const unsigned char* g, int r)
{
    const unsigned char* p = g + r * L::kRowBytes;
    uint32_t v = 0;
    for (int b = 0; b < L::kRowBytes; ++b)
        v = (v << 8) | p[b];
    if constexpr (L::kCols == 6)
        v >>= 2; // the six dots sit in bits 7 to 2
    return v;
}

#if defined(__SSE2__)
// Byte masks of sixteen dots: lane i is FF when bit 7 - i of `first` is set
// (lanes 0 to 7) or bit 15 - i of `second` (lanes 8 to 15).
inline __m128i DotMasks(uint32_t first, uint32_t second)
{
    const __m128i bit = _mm_setr_epi8(char(0x80), 0x40, 0x20, 0x10, 8, 4, 2, 1, char(0x80), 0x40, 0x20,
                                      0x10, 8, 4, 2, 1);
    const __m128i v = _mm_unpacklo_epi64(_mm_set1_epi8(char(first)), _mm_set1_epi8(char(second)));
    return _mm_cmpeq_epi8(_mm_and_si128(v, bit), bit);
}

// Attribute applied to sixteen values at once (see Attribute).
inline __m128i Attributes16(__m128i attrib, __m128i v)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i keep = _mm_cmpeq_epi8(attrib, zero);
    const __m128i high = _mm_and_si128(attrib, _mm_set1_epi8(char(0xFC)));
    const __m128i invert = _mm_and_si128(_mm_cmpeq_epi8(high, _mm_set1_epi8(4)), _mm_set1_epi8(3));
    const __m128i paint = _mm_andnot_si128(keep, _mm_and_si128(_mm_cmpeq_epi8(high, zero), attrib));
    return _mm_or_si128(_mm_or_si128(_mm_and_si128(v, keep), _mm_andnot_si128(v, invert)), paint);
}

// Sixteen colour values as the scalar rule gives them: dots take the
// foreground, shadow dots the shadow colour, the others the background;
// then the attribute keeps (0), paints (1 to 3), inverts (4 to 7) or blanks.
inline __m128i Colours16(__m128i dot, __m128i shadowDot, __m128i fore, __m128i back, __m128i attrib,
                         __m128i shadow)
{
    const __m128i shade = _mm_andnot_si128(dot, shadowDot);
    const __m128i c = _mm_or_si128(_mm_or_si128(_mm_and_si128(fore, dot), _mm_and_si128(shadow, shade)),
                                   _mm_andnot_si128(_mm_or_si128(dot, shade), back));
    return Attributes16(attrib, c);
}
#endif

// The colours of glyph row `y` (dots g, shadow dots m), one per source column.
template <typename L>
void RowColours(const Patterns& pat, size_t pr, uint32_t g, uint32_t m, unsigned char* v)
{
#if defined(__SSE2__)
    // Pattern rows are 16 bytes: read whole, sampled at 2x (8 dots), x (16)
    // or x / 2 (32).
    constexpr bool even8 = L::kCols == 8 && L::PatternColumn(1) == 2 && L::PatternColumn(7) == 14;
    constexpr bool each16 = L::kCols == 16 && L::PatternColumn(1) == 1 && L::PatternColumn(15) == 15;
    constexpr bool half32 = L::kCols == 32 && L::PatternColumn(1) == 0 && L::PatternColumn(31) == 15;
    if constexpr (even8 || each16 || half32) {
        const auto load = [pr](const unsigned char* area) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(area + pr));
        };
        const __m128i f = load(pat.fore), b = load(pat.back), a = load(pat.attrib);
        const __m128i shadow = _mm_set1_epi8(char(pat.shadow));
        if constexpr (even8) {
            const __m128i low = _mm_set1_epi16(0x00FF), zero = _mm_setzero_si128();
            const auto evens = [&](__m128i x) { return _mm_packus_epi16(_mm_and_si128(x, low), zero); };
            const __m128i out = Colours16(DotMasks(g, 0), DotMasks(m, 0), evens(f), evens(b), evens(a), shadow);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(v), out);
        } else if constexpr (each16) {
            const __m128i out = Colours16(DotMasks(g >> 8, g), DotMasks(m >> 8, m), f, b, a, shadow);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(v), out);
        } else {
            const __m128i left = Colours16(DotMasks(g >> 24, g >> 16), DotMasks(m >> 24, m >> 16),
                                           _mm_unpacklo_epi8(f, f), _mm_unpacklo_epi8(b, b),
                                           _mm_unpacklo_epi8(a, a), shadow);
            const __m128i right = Colours16(DotMasks(g >> 8, g), DotMasks(m >> 8, m), _mm_unpackhi_epi8(f, f),
                                            _mm_unpackhi_epi8(b, b), _mm_unpackhi_epi8(a, a), shadow);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(v), left);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(v + 16), right);
        }
        return;
    }
#endif
    for (int x = 0; x < L::kCols; ++x) {
        const uint32_t bit = 1u << (L::kCols - 1 - x);
        const size_t pi = pr + L::PatternColumn(x);
        const unsigned char c = (g & bit) ? pat.fore[pi] : (m & bit) ? pat.shadow : pat.back[pi];
        v[x] = Attribute(pat.attrib[pi], c);
    }
}

// Paints a glyph into the W x H cell; rows below the glyph's own are dark.
template <typename L>
SIZE Paint(const CContent& c, const QVXF& a, const unsigned char* glyph, long t, unsigned char* out,
           size_t capacity, long w, long h)
{
    const SIZE size = Fit(w, h, capacity);
    if (out == nullptr || size.cx <= 0 || size.cy <= 0)
        return size;

    const Patterns pat = FramePatterns(a, t, L::kBig ? c.m_Attrib32 : c.m_Attrib16,
                                       L::kBig ? c.m_Color32 : c.m_Color16);
    uint32_t rows[L::kRows] = {};
    uint32_t mask[L::kRows] = {};
    if (glyph != nullptr)
        for (int r = 0; r < L::kRows; ++r)
            rows[r] = GlyphRow<L>(glyph, r);
    if (L::kShadow && pat.shadowed) {
        for (int r = 0; r < L::kRows; ++r) {
            mask[r] |= rows[r] >> 1;
            if (r + 1 < L::kRows)
                mask[r + 1] |= rows[r];
            if (pat.outlined) {
                if (r >= 1)
                    mask[r - 1] |= rows[r];
                mask[r] |= (rows[r] << 1) & L::kFull;
            }
        }
    }

    unsigned char runs[L::kCols];
    if (L::kCols == 6)
        std::memset(runs, 1, sizeof runs); // the small font is never stretched
    else
        Stretch(size.cx, L::kCols, runs);

    const long paintRows = size.cy < L::kRows ? size.cy : L::kRows;
    const bool unstretched = size.cx == L::kCols; // the common case: one dot a column
    unsigned char* o = out;
    for (long y = 0; y < paintRows; ++y) {
        unsigned char v[L::kCols];
        RowColours<L>(pat, L::PatternRow(y), rows[y], mask[y], v);
        if (unstretched) {
            std::memcpy(o, v, L::kCols);
            o += L::kCols;
        } else {
            for (int x = 0; x < L::kCols; ++x)
                for (unsigned n = runs[x]; n > 0; --n)
                    *o++ = v[x];
        }
    }
    // Cells taller than the glyph set: blank rows below the glyph.
    if (size.cy > paintRows)
        std::memset(o, 0, size_t(size.cy - paintRows) * size_t(size.cx));
    return size;
}

// Paints a 16x16 move frame (4-bit pixels) stretched to W; Half doubles rows.
template <bool Half>
SIZE PaintMove(const CContent& c, const QVXF& a, unsigned short code, long t, unsigned char* out,
               size_t capacity)
{
    const SIZE size = Fit(FullWidth(a), CellHeight(a), capacity);
    if (out == nullptr || size.cx <= 0 || size.cy <= 0 || c.m_MoveCount == 0)
        return size;
    // Move numbers are 1-based; 0 wraps around as 16-bit arithmetic does.
    const CRGX<1040>& move = c.m_Move[static_cast<unsigned short>(code - 1u) % c.m_MoveCount];
    const unsigned frames = move.header.frames < kMoveFrames ? move.header.frames : kMoveFrames;
    if (frames == 0)
        return size;
    const unsigned char* frame = move.data + Step(t, frames) * kMoveFrameBytes;
    const unsigned char* p = AttribPattern(a, t, Half ? c.m_Attrib32 : c.m_Attrib16);

    unsigned char runs[kMoveSide];
    Stretch(size.cx, kMoveSide, runs);
    const long sourceRows = Half ? 2 * kMoveSide : kMoveSide;
    const long paintRows = size.cy < sourceRows ? size.cy : sourceRows;
    unsigned char* o = out;
    for (long y = 0; y < paintRows; ++y) {
        if (Half && (y & 1)) { // the same source row as the row above
            std::memcpy(o, o - size.cx, static_cast<size_t>(size.cx));
            o += size.cx;
            continue;
        }
        const long sy = Half ? y / 2 : y;
        const unsigned char* src = frame + sy * (kMoveSide / 2);
        const unsigned char* pr = p + sy * kMoveSide;
        unsigned char v[kMoveSide];
#if defined(__SSE2__)
        // High nibble first: each byte gives two pixels.
        const __m128i raw = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src));
        const __m128i low4 = _mm_set1_epi8(0x0F);
        const __m128i nibbles = _mm_unpacklo_epi8(_mm_and_si128(_mm_srli_epi16(raw, 4), low4),
                                                  _mm_and_si128(raw, low4));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(v),
                         Attributes16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pr)), nibbles));
#else
        for (unsigned x = 0; x < kMoveSide; ++x)
            v[x] = Attribute(pr[x], (x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4));
#endif
        for (unsigned x = 0; x < kMoveSide; ++x)
            for (unsigned n = runs[x]; n > 0; --n)
                *o++ = v[x];
    }
    if (size.cy > paintRows)
        std::memset(o, 0, size_t(size.cy - paintRows) * size_t(size.cx));
    return size;
}

} // namespace

// ---- Painters ----

SIZE CContent::make_fnt06(QVXF attr, const unsigned char* glyph, long frame, unsigned char* out,
                          size_t capacity) const
{
    return Paint<Fnt06>(*this, attr, glyph, frame, out, capacity, 6, 8);
}

SIZE CContent::make_fnt08x16(QVXF attr, const unsigned char* glyph, long frame, unsigned char* out,
                             size_t capacity) const
{
    return Paint<Fnt08x16>(*this, attr, glyph, frame, out, capacity, LatinWidth(attr), CellHeight(attr));
}

SIZE CContent::make_fnt16x16(QVXF attr, const unsigned char* glyph, long frame, unsigned char* out,
                             size_t capacity) const
{
    return Paint<Fnt16x16>(*this, attr, glyph, frame, out, capacity, FullWidth(attr), CellHeight(attr));
}

SIZE CContent::make_fnt16x32(QVXF attr, const unsigned char* glyph, long frame, unsigned char* out,
                             size_t capacity) const
{
    return Paint<Fnt16x32>(*this, attr, glyph, frame, out, capacity, LatinWidth(attr), CellHeight(attr));
}

SIZE CContent::make_fnt32x32(QVXF attr, const unsigned char* glyph, long frame, unsigned char* out,
                             size_t capacity) const
{
    return Paint<Fnt32x32>(*this, attr, glyph, frame, out, capacity, FullWidth(attr), CellHeight(attr));
}

// ---- Builders ----

SIZE CContent::make_ascii(QVXF attr, unsigned short code, long frame, unsigned char* out,
                          size_t capacity) const
{
    if (code >= qvr::kLatinGlyphs)
        code = qvr::kQuestionMark; // only reachable by direct calls
    if (code == ' ')
        return Fit(LatinWidth(attr), CellHeight(attr), capacity);
    const size_t glyph = (attr.face % qvr::kLatinFaces) * qvr::kLatinGlyphs + code;
    if (attr.size < 4)
        return make_fnt08x16(attr, m_Latin16 + glyph * 16, frame, out, capacity);
    return make_fnt16x32(attr, m_Latin32 + glyph * 64, frame, out, capacity);
}

SIZE CContent::make_eng08(QVXF attr, unsigned short code, long frame, unsigned char* out,
                          size_t capacity) const
{
    if (code >= qvr::kFont06Glyphs)
        code = qvr::kQuestionMark;
    return make_fnt06(attr, m_Font06 + size_t(code) * 8, frame, out, capacity);
}

// Glyph `glyph` of a square set, from its 16x16 or its 32x32 area by size.
static SIZE Square(const CContent& c, QVXF attr, size_t glyph, const unsigned char* area16,
                   const unsigned char* area32, long frame, unsigned char* out, size_t capacity)
{
    if (attr.size < 4)
        return c.make_fnt16x16(attr, area16 + glyph * 32, frame, out, capacity);
    return c.make_fnt32x32(attr, area32 + glyph * 128, frame, out, capacity);
}

SIZE CContent::make_spc_unic(QVXF attr, unsigned short code, long frame, unsigned char* out,
                             size_t capacity) const
{
    const unsigned s = m_CodeTable[code][0];
    if (s == kNoEntry)
        return SIZE{};
    if (s >= qvr::kSymbols)
        return make_ascii(attr, qvr::kQuestionMark, frame, out, capacity);
    return Square(*this, attr, s, m_Symbol16, m_Symbol32, frame, out, capacity);
}

SIZE CContent::make_han_unic(QVXF attr, unsigned short code, long frame, unsigned char* out,
                             size_t capacity) const
{
    unsigned k = m_CodeTable[code][0];
    if (k == kHangulFiller)
        k = kHangulLast;
    const long place = FacePlace(k, kHangulFirstRow, kHangulRows);
    if (place < 0)
        return make_ascii(attr, qvr::kQuestionMark, frame, out, capacity);
    // Ten 16x16 faces but five 32x32 ones.
    const size_t faces = attr.size < 4 ? qvr::kHangul16Faces : qvr::kHangul32Faces;
    const size_t glyph = (attr.face % faces) * kHangulRows * kGlyphsPerRow + size_t(place);
    return Square(*this, attr, glyph, m_Hangul16, m_Hangul32, frame, out, capacity);
}

SIZE CContent::make_euckr(QVXF attr, unsigned short code, long frame, unsigned char* out,
                          size_t capacity) const
{
    const long place = FacePlace(m_CodeTable[code][0], kHanjaFirstRow, kHanjaRows);
    if (place < 0)
        return make_ascii(attr, qvr::kQuestionMark, frame, out, capacity);
    return Square(*this, attr, size_t(place), m_Hanja16, m_Hanja32, frame, out, capacity);
}

SIZE CContent::make_gb2312(QVXF attr, unsigned short code, long frame, unsigned char* out,
                           size_t capacity) const
{
    const long place = FacePlace(m_CodeTable[code][1], kGBFirstRow, kGBRows);
    if (place < 0)
        return make_ascii(attr, qvr::kQuestionMark, frame, out, capacity);
    const size_t glyph = size_t(place) + ((attr.face & 1) ? kGBFaceGlyphs : 0);
    return Square(*this, attr, glyph, m_GB16, m_GB32, frame, out, capacity);
}

bool CContent::IsStill(QVXF a)
{
    if (a.kind == qvr::kKindMove)
        return false;
    if (a.kind != qvr::kKindFont && a.kind != qvr::kKindSmall)
        return true; // paints nothing
    const unsigned kr = a.color < qvr::kColorRows ? a.color : 0;
    return gQvxfAttrib[a.attrib < qvr::kAttribRows ? a.attrib : 0][1] <= 1 && gQvxfColor[kr][1] <= 1;
}

SIZE CContent::GetFontData(QVXF attr, unsigned short c, long frame, unsigned char* out, size_t capacity) const
{
    if (c == 10 || c == 13)
        return SIZE{};
    if (c < qvr::kLatinLimit) {
        if (attr.kind == qvr::kKindSmall)
            return make_eng08(attr, c, frame, out, capacity);
        return make_ascii(attr, c, frame, out, capacity);
    }
    if ((c >= 0x4E00 && c < 0x9FB0) || (c >= 0xF900 && c < 0xFB00)) {
        if (GetContentLanguage() == qvr::kLanguageHangul)
            return make_euckr(attr, c, frame, out, capacity);
        return make_gb2312(attr, c, frame, out, capacity);
    }
    if (c >= 0xAC00 && c < 0xD7B0)
        return make_han_unic(attr, c, frame, out, capacity);
    return make_spc_unic(attr, c, frame, out, capacity);
}

long CContent::GetFontData(QVXF attr, unsigned short code, BITMAP* bm) const
{
    if (bm == nullptr)
        return 0;
    const long width = GetCharXSize(attr, code);
    const long height = CellHeight(attr);
    qvr::DescribeDib32(*bm, width, height);
    return bm->bmWidthBytes * height;
}

// ---- Moves ----

SIZE CContent::make_mov16x16(QVXF attr, unsigned short move, long frame, unsigned char* out,
                             size_t capacity) const
{
    return PaintMove<false>(*this, attr, move, frame, out, capacity);
}

SIZE CContent::make_mov32x32(QVXF attr, unsigned short move, long frame, unsigned char* out,
                             size_t capacity) const
{
    return PaintMove<true>(*this, attr, move, frame, out, capacity);
}

SIZE CContent::make_move(QVXF attr, unsigned short move, long frame, unsigned char* out, size_t capacity) const
{
    if (attr.size < 4)
        return make_mov16x16(attr, move, frame, out, capacity);
    return make_mov32x32(attr, move, frame, out, capacity);
}

SIZE CContent::GetIconData(QVXF attr, unsigned short move, long frame, unsigned char* out, size_t capacity) const
{
    return make_move(attr, move, frame, out, capacity);
}

// ---- Sizes ----

long CContent::GetCharXSize(QVXF attr, unsigned short code)
{
    switch (attr.kind) {
    case qvr::kKindSmall: return 6;
    case qvr::kKindFont: return code < qvr::kLatinLimit ? LatinWidth(attr) : FullWidth(attr);
    case qvr::kKindMove:
    case qvr::kKindBlank: return FullWidth(attr);
    default: return CellWidth(5, attr.size);
    }
}

long CContent::GetCharYSize(QVXF attr) { return attr.kind == qvr::kKindSmall ? 8 : CellHeight(attr); }

long CContent::GetCharXSize(const CLumiChar* cell) { return cell ? GetCharXSize(cell->attr, cell->code) : 0; }

long CContent::GetCharYSize(const CLumiChar* cell) { return cell ? GetCharYSize(cell->attr) : 0; }

long CContent::GetLumiCharWidth(const CLumiChar* cells) { return GetLumiCharWidth(cells, SIZE_MAX); }

long CContent::GetLumiCharWidth(const CLumiChar* cells, size_t count)
{
    if (cells == nullptr)
        return 0;
    long width = 0;
    for (size_t i = 0; i < count; ++i) {
        const CLumiChar& c = cells[i];
        // A move's code is its number, never an end or a control.
        if (c.attr.kind != qvr::kKindMove && (c.code == 0 || c.code == 10 || c.code == 13))
            break;
        width += GetCharXSize(c.attr, c.code);
    }
    return width;
}

long CContent::GetLumiCharHeight(const CLumiChar* cells) { return GetLumiCharHeight(cells, SIZE_MAX); }

long CContent::GetLumiCharHeight(const CLumiChar* cells, size_t count)
{
    if (cells == nullptr || count == 0)
        return 0;
    long height = GetCharYSize(cells[0].attr);
    for (size_t i = 1; i < count; ++i) {
        const CLumiChar& c = cells[i];
        const bool move = c.attr.kind == qvr::kKindMove;
        if (c.code == 0 && !move)
            break;
        if (c.code == 13)
            height += GetCharYSize(c.attr);
        else if (c.code == 10 && !move)
            height += GetCharXSize(c.attr, c.code);
    }
    return height;
}

SIZE CContent::GetLumiCharSize(const CLumiChar* cells) { return GetLumiCharSize(cells, SIZE_MAX); }

SIZE CContent::GetLumiCharSize(const CLumiChar* cells, size_t count)
{
    SIZE s;
    s.cx = static_cast<LONG>(GetLumiCharWidth(cells, count));
    s.cy = static_cast<LONG>(GetLumiCharHeight(cells, count));
    return s;
}

// ---- Code conversion ----

unsigned short CContent::unic2dbcs(unsigned char set, unsigned short code) const
{
    switch (set) {
    case 4: return m_CodeTable[code][0];
    case 3: return m_CodeTable[code][1];
    default: return kNoEntry;
    }
}

unsigned short CContent::dbcs2unic(unsigned char, const char*) { return 0; }
