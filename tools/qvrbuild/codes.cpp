// SPDX-License-Identifier: GPL-2.0-or-later
#include "codes.h"

#include <iconv.h>

#include <array>
#include <cstring>
#include <mutex>
#include <stdexcept>

namespace qvrbuild {

namespace {

struct Tables {
    std::vector<uint16_t> enc;   // code point -> EUC code (0 none)
    std::vector<char32_t> dec;   // EUC code -> code point (0 none)
};

const char* IconvName(Charset cs) { return cs == Charset::EucKr ? "EUC-KR" : "GB2312"; }

// Builds both directions with iconv once; every later lookup is a table read.
const Tables& Get(Charset cs)
{
    static std::array<Tables, 2> tables;
    static std::once_flag once[2];
    const int i = int(cs);
    std::call_once(once[i], [&] {
        Tables& t = tables[i];
        t.enc.assign(0x10000, 0);
        t.dec.assign(0x10000, 0);
        iconv_t to = iconv_open(IconvName(cs), "UTF-32LE");
        iconv_t from = iconv_open("UTF-32LE", IconvName(cs));
        if (to == iconv_t(-1) || from == iconv_t(-1))
            throw std::runtime_error(std::string("iconv lacks ") + IconvName(cs));
        for (char32_t cp = 0x80; cp < 0x10000; ++cp) {
            if (cp >= 0xD800 && cp < 0xE000)
                continue;
            uint8_t in[4] = {uint8_t(cp), uint8_t(cp >> 8), 0, 0}, out[8];
            char* ip = reinterpret_cast<char*>(in);
            char* op = reinterpret_cast<char*>(out);
            size_t il = 4, ol = sizeof out;
            iconv(to, nullptr, nullptr, nullptr, nullptr);
            if (iconv(to, &ip, &il, &op, &ol) != size_t(-1) && sizeof out - ol == 2 && out[0] >= 0xA1 && out[1] >= 0xA1)
                t.enc[cp] = uint16_t(out[0] << 8 | out[1]);
        }
        for (unsigned hi = 0xA1; hi <= 0xFE; ++hi)
            for (unsigned lo = 0xA1; lo <= 0xFE; ++lo) {
                uint8_t in[2] = {uint8_t(hi), uint8_t(lo)}, out[8];
                char* ip = reinterpret_cast<char*>(in);
                char* op = reinterpret_cast<char*>(out);
                size_t il = 2, ol = sizeof out;
                iconv(from, nullptr, nullptr, nullptr, nullptr);
                if (iconv(from, &ip, &il, &op, &ol) != size_t(-1) && sizeof out - ol == 4)
                    t.dec[hi << 8 | lo] = char32_t(out[0] | out[1] << 8 | out[2] << 16 | out[3] << 24);
            }
        iconv_close(to);
        iconv_close(from);
    });
    return tables[i];
}

std::vector<char32_t> Order(Charset cs, unsigned firstRow, unsigned rows)
{
    std::vector<char32_t> v;
    v.reserve(rows * 94);
    for (unsigned r = 0; r < rows; ++r)
        for (unsigned c = 0xA1; c <= 0xFE; ++c)
            v.push_back(FromEuc(cs, (firstRow + r) << 8 | c));
    return v;
}

} // namespace

unsigned EucCode(Charset cs, char32_t cp)
{
    if (cp < 0x80)
        return cp;
    return cp < 0x10000 ? Get(cs).enc[cp] : 0;
}

char32_t FromEuc(Charset cs, unsigned code)
{
    return code < 0x10000 ? Get(cs).dec[code] : 0;
}

std::vector<char32_t> HangulOrder() { return Order(Charset::EucKr, 0xB0, 25); }
std::vector<char32_t> HanjaOrder() { return Order(Charset::EucKr, 0xCA, 52); }
std::vector<char32_t> Gb2312Order() { return Order(Charset::Gb2312, 0xB0, 72); }

bool IsSymbolCode(char32_t c)
{
    return (c >= 591 && c < 0x4E00) || (c >= 0x9FB0 && c < 0xAC00) || (c >= 0xD7B0 && c < 0xF900) ||
           (c >= 0xFB00 && c < 0xFFFF);
}

std::vector<char32_t> KsSymbolCandidates()
{
    return Order(Charset::EucKr, 0xA1, 12); // rows 1-12: punctuation, full-width forms, jamo, ...
}

const std::vector<std::pair<char32_t, char32_t>>& SymbolBlocks()
{
    // Most wanted first: plain arrows, box drawing, blocks and shapes, then
    // the signs of everyday notices (weather, phone, cards, music, hands,
    // checks, stars, hearts ...), then the rest of those blocks as room allows.
    static const std::vector<std::pair<char32_t, char32_t>> blocks = {
        {0x2190, 0x2199}, {0x21D0, 0x21D9}, {0x21E6, 0x21E9}, // arrows
        {0x2500, 0x257F}, // box drawing
        {0x2580, 0x259F}, // block elements
        {0x25A0, 0x25FF}, // geometric shapes
        {0x2600, 0x2603}, {0x2605, 0x2606}, {0x260E, 0x260F}, {0x2614, 0x2615}, {0x261A, 0x261F},
        {0x2620, 0x2620}, {0x2622, 0x2623}, {0x2639, 0x263C}, {0x2640, 0x2642}, {0x2660, 0x266F},
        {0x267B, 0x267B}, {0x267F, 0x267F}, {0x2690, 0x2691}, {0x26A0, 0x26A1}, {0x26BD, 0x26BE},
        {0x26C4, 0x26C5}, {0x26D4, 0x26D4}, {0x26EA, 0x26EA}, {0x26F2, 0x26F5}, {0x26FA, 0x26FA},
        {0x26FD, 0x26FD}, // miscellaneous symbols
        {0x2702, 0x2702}, {0x2705, 0x2705}, {0x2708, 0x270D}, {0x270F, 0x2712}, {0x2713, 0x2718},
        {0x271D, 0x271D}, {0x2721, 0x2721}, {0x2726, 0x272B}, {0x2733, 0x2734}, {0x2744, 0x2744},
        {0x2747, 0x2747}, {0x274C, 0x274C}, {0x274E, 0x274E}, {0x2753, 0x2757}, {0x2763, 0x2764},
        {0x2776, 0x277F}, {0x2794, 0x2797}, {0x27A1, 0x27A1}, {0x27B0, 0x27B0}, {0x27BF, 0x27BF}, // dingbats
        {0x2190, 0x21FF}, // the other arrows
        {0x2600, 0x26FF}, // the other miscellaneous symbols
        {0x2700, 0x27BF}, // the other dingbats
        {0x27F0, 0x27FF}, // supplemental arrows
        {0x2460, 0x24FF}, // enclosed alphanumerics
        {0x2300, 0x23FF}, // technical
        {0x2100, 0x218F}, // letterlike symbols, number forms
        {0x2200, 0x22FF}, // mathematical operators
        {0x2000, 0x206F}, // punctuation
        {0x20A0, 0x20CF}, // currency
        {0x3000, 0x30FF}, // CJK punctuation, kana
        {0xFF00, 0xFFEF}, // half- and full-width forms
    };
    return blocks;
}

unsigned HangulCode(char32_t cp)
{
    if (unsigned k = EucCode(Charset::EucKr, cp))
        return k;
    if (cp < 0xAC00 || cp > 0xD7A3)
        return 0xFFFF;
    const unsigned s = cp - 0xAC00, lv = s / 28, t = s % 28;
    // Same initial and vowel: no final if the code page has it, else the nearest final.
    unsigned best = 0, bestDist = ~0u;
    for (unsigned t2 = 0; t2 < 28; ++t2) {
        unsigned k = EucCode(Charset::EucKr, char32_t(0xAC00 + lv * 28 + t2));
        unsigned dist = t2 == 0 ? 0 : 1 + (t2 > t ? t2 - t : t - t2);
        if (k && dist < bestDist) {
            best = k;
            bestDist = dist;
        }
    }
    if (best)
        return best;
    // Otherwise the initial with the vowel a (every such syllable is in the code page).
    return EucCode(Charset::EucKr, char32_t(0xAC00 + (lv / 21) * 21 * 28));
}

std::vector<uint8_t> BuildCodeTable(const std::vector<char32_t>& symbols)
{
    std::vector<uint16_t> first(0xFFFF, 0xFFFF);
    for (size_t i = 0; i < symbols.size(); ++i)
        if (symbols[i] < 0xFFFF)
            first[symbols[i]] = uint16_t(i);
    std::vector<uint8_t> out;
    out.reserve(0xFFFF * 4);
    for (char32_t cp = 0; cp < 0xFFFF; ++cp) {
        unsigned a = first[cp], g = 0xFFFF;
        if (cp < 0x250)
            a = cp; // ASCII and the Latin faces' own range draw by code
        else if (cp >= 0xAC00 && cp < 0xD7A4)
            a = HangulCode(cp);
        else if ((cp >= 0x4E00 && cp < 0x9FB0) || (cp >= 0xF900 && cp < 0xFB00)) {
            unsigned k = EucCode(Charset::EucKr, cp);
            a = k >= 0xCAA1 ? k : 0xFFFF; // only the Hanja rows
        }
        if (cp < 0x80)
            g = cp;
        else if (unsigned k = EucCode(Charset::Gb2312, cp))
            g = k;
        out.push_back(uint8_t(a));
        out.push_back(uint8_t(a >> 8));
        out.push_back(uint8_t(g));
        out.push_back(uint8_t(g >> 8));
    }
    return out;
}

} // namespace qvrbuild
