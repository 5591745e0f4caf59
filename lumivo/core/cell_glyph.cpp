// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/cell_glyph.h"

#include "core/item_text.h"

#include <algorithm>
#include <array>
#include <mutex>

#include <iconv.h>

namespace lumivo {

namespace {

constexpr unsigned kNoEntry = 0xFFFF;
constexpr unsigned kHangulFiller = 0x0FFF;
constexpr unsigned kSymbols = static_cast<unsigned>(qvr::kSymbols);
constexpr char16_t kFirstSyllable = 0xAC00;
constexpr unsigned kSyllables = 11172;

// Whether a double-byte code lies in a face of `rows` rows from `firstRow`
// (columns 0xA1 to 0xFE), as the painters index their faces.
bool InFace(unsigned code, unsigned firstRow, unsigned rows)
{
    const unsigned row = code >> 8, column = code & 0xFF;
    return row >= firstRow && row < firstRow + rows && column >= 0xA1 && column <= 0xFE;
}

// The KS X 1001 (EUC-KR) code of every Hangul syllable, 0 for the 8,822 the
// code page lacks; the C library's converter is the reference.
const std::array<uint16_t, kSyllables>& KsHangul()
{
    static std::array<uint16_t, kSyllables> table{};
    static std::once_flag once;
    std::call_once(once, [] {
        iconv_t cd = iconv_open("EUC-KR", "UTF-16LE");
        if (cd == reinterpret_cast<iconv_t>(-1))
            return;
        for (unsigned i = 0; i < kSyllables; ++i) {
            const char16_t cp = static_cast<char16_t>(kFirstSyllable + i);
            char in[2] = {static_cast<char>(cp & 0xFF), static_cast<char>(cp >> 8)};
            char out[4] = {};
            char* ip = in;
            char* op = out;
            size_t inLeft = sizeof in, outLeft = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &ip, &inLeft, &op, &outLeft) != static_cast<size_t>(-1) && op - out == 2)
                table[i] = static_cast<uint16_t>((static_cast<unsigned char>(out[0]) << 8) |
                                                 static_cast<unsigned char>(out[1]));
        }
        iconv_close(cd);
    });
    return table;
}

} // namespace

SIZE PaintCell(const CContent& content, const CLumiChar& cell, long frame, unsigned char* out, size_t capacity)
{
    const QVXF a = cell.attr;
    if (a.kind == qvr::kKindFont || a.kind == qvr::kKindSmall)
        return content.GetFontData(a, cell.code, frame, out, capacity);
    if (a.kind == qvr::kKindMove)
        return a.size < 4 ? content.make_mov16x16(a, cell.code, frame, out, capacity)
                          : content.make_mov32x32(a, cell.code, frame, out, capacity);
    return SIZE{};
}

GlyphFit CheckGlyph(const CContent& content, const CLumiChar& cell)
{
    const unsigned c = cell.code;
    const QVXF a = cell.attr;
    if (a.kind == qvr::kKindMove)
        return c >= 1 && c <= content.GetContentCount(CONTENT_MOVE) ? GlyphFit::Exact : GlyphFit::Missing;
    if ((a.kind != qvr::kKindFont && a.kind != qvr::kKindSmall) || c == 0 || c == 10 || c == 13)
        return GlyphFit::Exact;
    if (a.kind == qvr::kKindSmall)
        return c < qvr::kLatinLimit ? GlyphFit::Exact : GlyphFit::Missing;
    // The 32-dot glyph sets come only with libraries for boards of two rows or more.
    if (a.size >= 4 && content.GetContentRow() < qvr::kContentRow32)
        return GlyphFit::Missing;
    if (c < qvr::kLatinLimit)
        return GlyphFit::Exact;
    const unsigned first = content.m_CodeTable[c][0];
    if ((c >= 0x4E00 && c < 0x9FB0) || (c >= 0xF900 && c < 0xFB00)) {
        if (content.GetContentLanguage() == qvr::kLanguageHangul)
            return InFace(first, 0xCA, 52) ? GlyphFit::Exact : GlyphFit::Missing;
        return InFace(content.m_CodeTable[c][1], 0xB0, 72) ? GlyphFit::Exact : GlyphFit::Missing;
    }
    if (c >= 0xAC00 && c < 0xD7B0) {
        if (content.m_HangulFaces == 0 || c - kFirstSyllable >= kSyllables)
            return GlyphFit::Missing;
        if (first == kHangulFiller)
            return GlyphFit::Nearest;
        if (!InFace(first, 0xB0, 25))
            return GlyphFit::Missing;
        return KsHangul()[c - kFirstSyllable] == first ? GlyphFit::Exact : GlyphFit::Nearest;
    }
    return first != kNoEntry && first < kSymbols ? GlyphFit::Exact : GlyphFit::Missing;
}

std::u16string InexactChars(const CContent& content, const CLumiChar* cells, size_t count)
{
    std::u16string out;
    for (size_t i = 0; i < count; ++i) {
        const CLumiChar& cell = cells[i];
        if (cell.attr.kind == qvr::kKindMove || CheckGlyph(content, cell) == GlyphFit::Exact)
            continue;
        const char16_t ch = static_cast<char16_t>(cell.code);
        if (out.find(ch) == std::u16string::npos)
            out += ch;
    }
    return out;
}

std::u16string InexactNotice(const CContent& content, const CLumiChar* cells, size_t count)
{
    const std::u16string inexact = InexactChars(content, cells, count);
    if (inexact.empty())
        return {};
    std::u16string list;
    for (char16_t c : inexact)
        list += (list.empty() ? u"" : u" ") + std::u16string(1, c);
    return FormatText(LangText("Error", "ErrNoGlyph"), {list});
}

} // namespace lumivo
