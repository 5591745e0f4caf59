// SPDX-License-Identifier: GPL-2.0-or-later
// Building one item as the Ad editor's pages do, from plain choices: the
// editor's pages and the command-line tool both fill an ItemChoices.
#pragma once

#include "core/result.h"

#include <qvr/records.h>

#include <optional>
#include <string>
#include <vector>

class CContent;

namespace lumivo {

struct ItemChoices {
    int type = LUMIVO_TEXT;  // a kind the editor has a page for: 0-7 or 10
    std::u16string text;     // Text, Eng2Line line 1, Date/Time/Temperature sample cells
    std::u16string text2;    // Eng2Line line 2
    unsigned lines = 1;      // 16-dot lines the item is high (1 to 7)
    bool fit = false;        // Text, Eng2Line, Date, Time, Temperature only
    unsigned format = 0;     // Date, Time, Temperature
    // The item's option byte: the Analog page's 1-based style entry (1 when
    // not given), the hold seconds of other kinds (the default 5 when not given).
    std::optional<unsigned> option;
    unsigned index = 0;      // Image, Movie, Animation: the content index
    unsigned delay = 15;     // Image, Movie, Animation: delay choice d, speed byte 3 x d + 5
    // Glyph choices applied to every cell built (Analog: the colour row is
    // the clock's colour scheme, kept in the first cell): colour row, attribute row,
    // face, the width list's entry (widthIndex = entry + 1) and the glyph
    // height in units of 8 dots (2: 16 dots, 4: 32 dots).
    std::optional<unsigned> color, attrib, face, width, size;
    // Effect codes and speed byte that replace the kind's defaults.
    std::optional<unsigned> effectS, effectW, effectE, speed;
    // Text and Eng2Line: the character editor's cells, used instead of text,
    // text2 and the glyph choices. Text copies them up to a cell of code 0 or
    // 10 that is not a move; Eng2Line takes line 1 up to a code 0 or 10 and
    // line 2 after that break, each up to its next code 0 or 10.
    std::optional<std::vector<CLumiChar>> cells;
};

// Longest text of one item, and of one Eng2Line line.
constexpr unsigned kMaxItemChars = CLumivo::kCells;
constexpr unsigned kMaxLineChars = CLumivo::kLineCells;

// Builds the item; fails (with the editor's message) for a kind that has no
// editor page, a text that does not fit, or a value out of its field's range.
// With a content library, characters of a Text or Eng2Line item that it
// cannot draw exactly are named in a warning (the item is built all the same).
Result BuildItem(const ItemChoices& choices, CLumivo& out, const CContent* content = nullptr);

// The item kind built by the editor's sheet page of this index (0 Text,
// 1 Eng2Line, 2 Image, 3 Movie, 4 Animation, 5 Date, 6 Time, 7 Temperature,
// 8 Analog); 12 (None) for any other index.
int SheetPageKind(int index);

// The warning "ErrAfterBreak" when the editor's cells hold characters past
// the last line a Text (one line) or Eng2Line (two) item stores; "" if none.
std::u16string LeftOutNotice(const std::vector<CLumiChar>& cells, int type);

// The text a Date, Time or Temperature item of this format shows now, as the
// board writes it into the item's cells; "" for other kinds. The content
// library decides the language of dates (null: the English pictures).
std::u16string LiveText(int type, unsigned format, CContent* content);

// The codes of an item's cells up to the first 0, as a live item's sample
// text is stored.
std::u16string StoredText(const CLumivo& item);

// The kind for a name as the command line spells it ("text", "eng2line",
// "date", "time", "temperature", "analog", "image", "movie", "animation");
// -1 for others.
int ItemKindFromName(std::string_view name);

} // namespace lumivo
