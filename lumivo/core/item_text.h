// SPDX-License-Identifier: GPL-2.0-or-later
// Texts the Ad list shows for an item: its title and the names of its
// effects. Language texts come from the selected language file; when no
// language is selected the keys themselves are shown, so tools without a
// language folder still print something meaningful.
#pragma once

#include <qvr/records.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace lumivo {

// A printf-style language format ("%s No. %d", "%s %02d") filled with the
// arguments in order. Understands %s, %d, %u, %% with flags and width; a
// directive without an argument is dropped.
using FormatArg = std::variant<std::u16string, long long>;
std::u16string FormatText(std::u16string_view format, const std::vector<FormatArg>& args);

// GetText(section, key), or the key when the language has no such text.
std::u16string LangText(std::string_view section, std::string_view key);

// The title of an item as the Ad list shows it. koreanLibrary picks the
// Korean date pictures named in the title of a date item.
std::u16string ItemTitle(const CLumivo& item, bool koreanLibrary);

// The Ad editor's label of an item's band: the title, and for Text and
// Eng2Line a second line with the first cell's font and colour and the start
// effect ("fmtTxtFont", "fmtTxtColor", "fmtTxtEffect"); Temperature items
// read "fmtTemp" with the kind's name and the item's text.
std::u16string ItemSummary(const CLumivo& item, bool koreanLibrary);

// Effect rows of the start (phase 0), wait (1) and end (2) tables.
// Row for display: 0 (Auto) when bit 15 is set, else the first row whose last
// code is at least the code's low 15 bits; 9 past the table.
unsigned EffectRow(int phase, unsigned code);
// Position of the code within its row (the wait table's Wave row counts from 60).
int EffectIndex(int phase, unsigned code);
// The family of the code's row (the wait table has no Flow family, so its
// rows 3 to 7 are the families 4 to 8); 9 past the table.
unsigned EffectFamily(int phase, unsigned code);
// The family name of a row or family id ("Auto", "Animation", "Appear", "Flow", "Wave",
// "Zoom", "Invert", "3DEffect", "None"); "" for other rows.
const char* EffectFamilyName(unsigned row);
// The Ad list's effect cell: the family's language text alone for rows 0
// and 8, else followed by the 1-based index ("%s %2d"); "" for unknown rows.
// As the list has always done, the name is looked up by the row number, so
// the wait table's rows 3 to 7 show the name of the family before their own.
std::u16string EffectCellText(int phase, unsigned code);
// Whether the Ad list shows effect texts for items of this kind.
bool ShowsEffectText(int type);

// Number of 16-dot lines of an item (bits 3-5 of byte 819).
inline unsigned ItemLines(const CLumivo& item) { return item.height >> 1; }
// The editor writes bits 3-5 alone: bit 2 stays as it was.
inline void SetItemLines(CLumivo& item, unsigned lines)
{
    item.height = static_cast<uint8_t>((item.height & 1) | ((lines & 7) << 1));
}

} // namespace lumivo
