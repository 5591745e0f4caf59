// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/item_builder.h"
#include "core/core_text.h"

#include "core/cell_glyph.h"
#include "core/cell_text.h"
#include "core/item_text.h"

#include <qvr/effect.h>

#include <common/text.h>

namespace lumivo {

namespace {

void ApplyGlyphChoices(const ItemChoices& choices, CLumiChar& cell)
{
    if (choices.color)
        cell.attr.color = *choices.color;
    if (choices.attrib)
        cell.attr.attrib = *choices.attrib;
    if (choices.face)
        cell.attr.face = *choices.face & 0x1F;
    if (choices.width)
        cell.attr.widthIndex = *choices.width + 1;
    if (choices.size)
        cell.attr.size = *choices.size;
}

// The editor's message for a line longer than `capacity` characters.
Result TooLong(unsigned capacity)
{
    return Result::Fail(common::Utf16ToUtf8(FormatText(LangText("Format", "fmtMaxChar"), {static_cast<long long>(capacity)})));
}

// An Eng2Line line ends at any code 0 or 10, a small-font cell having no moves.
bool EndsEng2Line(const CLumiChar& c) { return c.code == 0 || c.code == CCellText::kLineBreak; }

// Copies a line of text into cells [first, first + capacity).
Result FillCells(const ItemChoices& choices, std::u16string_view text, CLumivo& item, int first,
                 unsigned capacity, LUMIVO_TYPE cellKind)
{
    if (text.find(u'\n') != std::u16string_view::npos)
        return Result::Fail(CoreText("LineBreakInLine", "a line of an item cannot hold a line break"));
    if (text.find(u'\0') != std::u16string_view::npos)
        return Result::Fail(CoreText("ZeroCharacter", "the text holds a zero character"));
    if (text.size() > capacity)
        return TooLong(capacity);
    for (size_t i = 0; i < text.size(); ++i) {
        CLumiChar& cell = item.chars[first + i];
        cell.Initialize(cellKind);
        cell.code = text[i];
        ApplyGlyphChoices(choices, cell);
    }
    return {};
}

// Copies the editor's cells from `at` into item cells [first, first +
// capacity) up to the end of the line: a cell for which ends() holds, or the
// last cell. `at` is left on the cell that ended the line.
template <class Ends>
Result CopyCells(const std::vector<CLumiChar>& cells, size_t& at, CLumivo& item, int first, unsigned capacity,
                 Ends ends)
{
    for (unsigned n = 0; at < cells.size() && !ends(cells[at]); ++at, ++n) {
        if (n == capacity)
            return TooLong(capacity);
        item.chars[first + n] = cells[at];
    }
    return {};
}

Result FillFromCells(const std::vector<CLumiChar>& cells, int type, CLumivo& item)
{
    size_t at = 0;
    Result r;
    if (type == LUMIVO_TEXT) {
        r = CopyCells(cells, at, item, 0, kMaxItemChars, IsLineEnd);
    } else {
        r = CopyCells(cells, at, item, 0, kMaxLineChars, EndsEng2Line);
        if (r && at < cells.size() && cells[at].code == CCellText::kLineBreak) {
            ++at;
            r = CopyCells(cells, at, item, CLumivo::kLineCells, kMaxLineChars, EndsEng2Line);
        }
    }
    if (r) {
        if (const std::u16string notice = LeftOutNotice(cells, type); !notice.empty())
            r.Warn(common::Utf16ToUtf8(notice));
    }
    return r;
}

bool IsTextKind(int t) { return t == LUMIVO_TEXT || t == LUMIVO_ENG2LINE; }
bool IsClockKind(int t) { return t == LUMIVO_DATE || t == LUMIVO_TIME || t == LUMIVO_TEMPERATURE; }
bool IsContentKind(int t) { return t == LUMIVO_IMAGE || t == LUMIVO_MOVIE || t == LUMIVO_ANIMATION; }

Result CheckRange(const std::string& what, std::optional<unsigned> v, unsigned max)
{
    if (v && *v > max)
        return Result::Fail(CoreText("OutOfRange", "%s must lie in 0 to %s", {what, std::to_string(max)}));
    return {};
}

} // namespace

int ItemKindFromName(std::string_view name)
{
    struct Kind {
        const char* name;
        int type;
    };
    static const Kind kinds[] = {{"text", LUMIVO_TEXT},         {"eng2line", LUMIVO_ENG2LINE},
                                 {"image", LUMIVO_IMAGE},       {"movie", LUMIVO_MOVIE},
                                 {"animation", LUMIVO_ANIMATION}, {"date", LUMIVO_DATE},
                                 {"time", LUMIVO_TIME},         {"analog", LUMIVO_ANALOG},
                                 {"temperature", LUMIVO_TEMPERATURE}};
    for (const Kind& k : kinds)
        if (name == k.name)
            return k.type;
    return -1;
}

int SheetPageKind(int index)
{
    static const int kinds[] = {LUMIVO_TEXT, LUMIVO_ENG2LINE, LUMIVO_IMAGE, LUMIVO_MOVIE, LUMIVO_ANIMATION,
                                LUMIVO_DATE, LUMIVO_TIME, LUMIVO_TEMPERATURE, LUMIVO_ANALOG};
    return index >= 0 && index < int(std::size(kinds)) ? kinds[index] : LUMIVO_NONE;
}

std::u16string LeftOutNotice(const std::vector<CLumiChar>& cells, int type)
{
    // Where the item's lines end: the first line end of a Text, the end of
    // the second line of an Eng2Line.
    const bool text = type == LUMIVO_TEXT;
    auto lineEnd = [&](size_t from) {
        while (from < cells.size() && !(text ? IsLineEnd(cells[from]) : EndsEng2Line(cells[from])))
            ++from;
        return from;
    };
    size_t at = lineEnd(0);
    if (!text && at < cells.size() && cells[at].code == CCellText::kLineBreak)
        at = lineEnd(at + 1);
    long long lost = 0;
    for (; at < cells.size(); ++at)
        lost += !IsLineEnd(cells[at]);
    // The board stops at the line's end: what was typed after it is not
    // stored, and the user should hear so rather than find it gone.
    return lost ? FormatText(LangText("Error", "ErrAfterBreak"), {lost}) : std::u16string();
}

std::u16string LiveText(int type, unsigned format, CContent* content)
{
    if (!IsClockKind(type))
        return {};
    CEffect fx;
    if (content)
        fx.SetContent(content);
    CLumivo item;
    item.type = static_cast<uint8_t>(type);
    item.format = static_cast<uint8_t>(format);
    if (type == LUMIVO_TEMPERATURE)
        fx.SetTempText(&item);
    else
        fx.UpdateHangMok(&item);
    return StoredText(item);
}

std::u16string StoredText(const CLumivo& item)
{
    std::u16string text;
    for (int i = 0; i < CLumivo::kCells && item.chars[i].code != 0; ++i)
        text += static_cast<char16_t>(item.chars[i].code);
    return text;
}

Result BuildItem(const ItemChoices& choices, CLumivo& out, const CContent* content)
{
    const int t = choices.type;
    if (!IsTextKind(t) && !IsClockKind(t) && !IsContentKind(t) && t != LUMIVO_ANALOG)
        return Result::Fail(CoreText("NoSuchKind", "the editor builds no items of kind %s", {std::to_string(t)}));
    for (Result r : {CheckRange(CoreText("RangeColour", "colour"), choices.color, 22), CheckRange(CoreText("RangeAttribute", "attribute"), choices.attrib, 23),
                     CheckRange(CoreText("RangeFace", "face"), choices.face, 31), CheckRange(CoreText("RangeWidth", "width"), choices.width, 3), CheckRange(CoreText("RangeSize", "size"), choices.size, 7),
                     CheckRange(CoreText("RangeStartEffect", "start effect"), choices.effectS, 0xFFFF),
                     CheckRange(CoreText("RangeWaitEffect", "wait effect"), choices.effectW, 0xFFFF),
                     CheckRange(CoreText("RangeEndEffect", "end effect"), choices.effectE, 0xFFFF),
                     CheckRange(CoreText("RangeSpeed", "speed"), choices.speed, 255), CheckRange(CoreText("RangeOption", "option"), choices.option, 255),
                     CheckRange(CoreText("RangeContent", "content index"), choices.index, 0xFFFF),
                     CheckRange(CoreText("RangeDelay", "delay"), choices.delay, 83)})
        if (!r)
            return r;
    if (choices.lines < 1 || choices.lines > 7)
        return Result::Fail(CoreText("LinesRange", "lines must lie in 1 to 7"));
    const unsigned maxFormat = t == LUMIVO_DATE ? 4 : t == LUMIVO_TIME ? 3 : 1;
    if (IsClockKind(t) && choices.format > maxFormat)
        return Result::Fail(CoreText("FormatRange", "format must lie in 0 to %s", {std::to_string(maxFormat)}));

    CLumivo item;
    Result result; // the warnings given on the way
    if (choices.cells && IsTextKind(t)) {
        result = FillFromCells(*choices.cells, t, item);
        if (!result)
            return result;
    } else if (t == LUMIVO_ENG2LINE) {
        Result r = FillCells(choices, choices.text, item, 0, kMaxLineChars, LUMIVO_ENG2LINE);
        if (r)
            r = FillCells(choices, choices.text2, item, CLumivo::kLineCells, kMaxLineChars, LUMIVO_ENG2LINE);
        if (!r)
            return r;
    } else if (t == LUMIVO_TEXT || IsClockKind(t)) {
        if (IsClockKind(t)) {
            // The engine writes the live text into these cells and keeps
            // their glyph choices, so every cell carries them.
            for (CLumiChar& cell : item.chars)
                ApplyGlyphChoices(choices, cell);
        }
        if (Result r = FillCells(choices, choices.text, item, 0, kMaxItemChars, LUMIVO_TEXT); !r)
            return r;
    } else if (IsContentKind(t)) {
        item.chars[0].code = static_cast<uint16_t>(choices.index);
        item.chars[0].attr.kind = t == LUMIVO_IMAGE ? 2 : t == LUMIVO_MOVIE ? 4 : 3;
    }

    item.type = static_cast<uint8_t>(t);
    SetItemLines(item, choices.lines);
    item.fit = (choices.fit && (IsTextKind(t) || IsClockKind(t))) ? 1 : 0;

    const uint16_t speed = static_cast<uint16_t>(3 * choices.delay + 5);
    switch (t) {
    case LUMIVO_IMAGE:
        item.effectS = CEFF(104, speed), item.effectW = CEFF(96, speed), item.effectE = CEFF(101, speed);
        break;
    case LUMIVO_MOVIE:
        item.effectS = CEFF(102, speed), item.effectW = CEFF(94, speed), item.effectE = CEFF(99, speed);
        break;
    case LUMIVO_ANIMATION:
        item.effectS = CEFF(103, speed), item.effectW = CEFF(95, speed), item.effectE = CEFF(100, speed);
        break;
    case LUMIVO_DATE:
    case LUMIVO_TIME:
    case LUMIVO_TEMPERATURE:
        item.format = static_cast<uint8_t>(choices.format);
        break;
    case LUMIVO_ANALOG:
        item.effectS.code = 101, item.effectW.code = 93, item.effectE.code = 98;
        item.option = static_cast<uint8_t>(choices.option.value_or(1));
        // The clock's colours follow the first cell's colour row.
        if (choices.color)
            item.chars[0].attr.color = *choices.color;
        break;
    default:
        break;
    }
    if (t != LUMIVO_ANALOG && choices.option)
        item.option = static_cast<uint8_t>(*choices.option);
    if (choices.effectS)
        item.effectS.code = static_cast<uint16_t>(*choices.effectS);
    if (choices.effectW)
        item.effectW.code = static_cast<uint16_t>(*choices.effectW);
    if (choices.effectE)
        item.effectE.code = static_cast<uint16_t>(*choices.effectE);
    if (choices.speed) {
        for (CEFF* e : {&item.effectS, &item.effectW, &item.effectE})
            e->param = static_cast<uint16_t>((e->param & 0xFF00) | *choices.speed);
    }
    if (content && IsTextKind(t)) {
        const std::u16string notice = InexactNotice(*content, item.chars, CLumivo::kCells);
        if (!notice.empty())
            result.Warn(common::Utf16ToUtf8(notice));
    }
    out = item;
    return result;
}

} // namespace lumivo
