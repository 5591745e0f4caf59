// SPDX-License-Identifier: GPL-2.0-or-later
// Code pages through the C library's iconv: KS X 1001 (EUC-KR) and GB2312,
// the glyph orders of the Hangul, Hanja and GB2312 faces, the special-symbol
// set, and the container's Unicode code table built from them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace qvrbuild {

enum class Charset { EucKr, Gb2312 };

// Two-byte EUC code of cp (0xB0A1 form), cp itself for ASCII, 0 when the charset lacks it.
unsigned EucCode(Charset cs, char32_t cp);
// Code point of a two-byte EUC code, 0 when the code is unassigned.
char32_t FromEuc(Charset cs, unsigned code);

// Glyph orders: entry i of a face is the code point at (row - first) * 94 + column - 0xA1;
// 0 where the code page leaves the place unassigned.
std::vector<char32_t> HangulOrder(); // rows 0xB0-0xC8 of KS X 1001, 2,350
std::vector<char32_t> HanjaOrder();  // rows 0xCA-0xFD of KS X 1001, 4,888
std::vector<char32_t> Gb2312Order(); // rows 0xB0-0xF7 of GB2312, 6,768 places

constexpr int kSymbolCount = 1242;
// True when the glyph renderer draws cp from the special-symbol set.
bool IsSymbolCode(char32_t cp);
// The special symbols in set order: the symbol rows of KS X 1001 first, then
// further blocks (arrows, box drawing, shapes, dingbats ...) until 1,242.
// usable() tells whether the fonts draw a symbol; the set takes only those.
template <class F> std::vector<char32_t> SpecialSymbols(F usable);

// The code table section: for every code point 0-65534 two little-endian u16
// (first column, GB2312 column), 262,140 bytes.
std::vector<uint8_t> BuildCodeTable(const std::vector<char32_t>& symbols);
// The first column for a Hangul syllable: its KS X 1001 code, or for a syllable
// outside the code page the code of the nearest one that has the same initial and vowel.
unsigned HangulCode(char32_t cp);

// Blocks after the KS X 1001 symbol rows, in the order the set takes them.
const std::vector<std::pair<char32_t, char32_t>>& SymbolBlocks();
std::vector<char32_t> KsSymbolCandidates();

template <class F> std::vector<char32_t> SpecialSymbols(F usable)
{
    std::vector<char32_t> out;
    std::vector<bool> seen(0x10000);
    auto take = [&](char32_t cp) {
        if (out.size() < size_t(kSymbolCount) && cp < 0x10000 && IsSymbolCode(cp) && !seen[cp] && usable(cp)) {
            seen[cp] = true;
            out.push_back(cp);
        }
    };
    for (char32_t cp : KsSymbolCandidates())
        take(cp);
    for (auto [a, b] : SymbolBlocks())
        for (char32_t cp = a; cp <= b; ++cp)
            take(cp);
    return out;
}

} // namespace qvrbuild
