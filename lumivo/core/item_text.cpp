// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/item_text.h"

#include <qvr/effect.h>

#include <common/datetime.h>
#include <common/globalization.h>
#include <common/text.h>

#include <algorithm>
#include <ctime>

namespace lumivo {

namespace {

// The rows a code can fall in, per phase.
struct Table {
    const EFFECT_DESC* rows;
    unsigned count;
};

Table TableOf(int phase)
{
    switch (phase) {
    case 0: return {aEffectS, 9};
    case 1: return {aEffectW, 8};
    case 2: return {aEffectE, 9};
    default: return {nullptr, 0};
    }
}

constexpr unsigned kNoRow = 9;

} // namespace

std::u16string FormatText(std::u16string_view format, const std::vector<FormatArg>& args)
{
    std::u16string out;
    size_t next = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != u'%') {
            out += format[i];
            continue;
        }
        size_t j = i + 1;
        if (j < format.size() && format[j] == u'%') {
            out += u'%';
            i = j;
            continue;
        }
        bool left = false, zero = false;
        for (; j < format.size() && (format[j] == u'-' || format[j] == u'0' || format[j] == u'+' ||
                                     format[j] == u' ');
             ++j) {
            left |= format[j] == u'-';
            zero |= format[j] == u'0';
        }
        size_t width = 0;
        for (; j < format.size() && format[j] >= u'0' && format[j] <= u'9'; ++j)
            width = std::min<size_t>(width * 10 + (format[j] - u'0'), 64);
        if (j >= format.size()) {
            out.append(format.substr(i));
            break;
        }
        const char16_t conv = format[j];
        i = j;
        if (conv != u's' && conv != u'd' && conv != u'u' && conv != u'i') {
            out += u'%';
            out += conv;
            continue;
        }
        if (next >= args.size())
            continue;
        const FormatArg& a = args[next++];
        std::u16string piece;
        bool negative = false;
        if (const auto* s = std::get_if<std::u16string>(&a)) {
            piece = *s;
            zero = false;
        } else {
            const long long v = std::get<long long>(a);
            negative = v < 0;
            piece = common::Utf8ToUtf16(std::to_string(negative ? static_cast<unsigned long long>(-(v + 1)) + 1ULL : v + 0ULL));
        }
        const size_t used = piece.size() + (negative ? 1 : 0);
        const size_t pad = width > used ? width - used : 0;
        if (left)
            piece = (negative ? u"-" : u"") + piece + std::u16string(pad, u' ');
        else if (zero)
            piece = (negative ? u"-" : u"") + std::u16string(pad, u'0') + piece;
        else
            piece = std::u16string(pad, u' ') + (negative ? u"-" : u"") + piece;
        out += piece;
    }
    return out;
}

std::u16string LangText(std::string_view section, std::string_view key)
{
    std::u16string text = CGlobalization::GetText(section, key);
    if (text.empty())
        text = common::Utf8ToUtf16(key);
    return text;
}

namespace {

void AppendLine(std::u16string& out, const CLumivo& item, int from, int count)
{
    for (int i = from; i < from + count; ++i) {
        if (item.chars[i].code == 0)
            break;
        out += static_cast<char16_t>(item.chars[i].code);
    }
}

// What a live date or time shows now, as the board draws it: the picture
// of the library's language (not the menus'), filled with the local time.
std::u16string FormatSample(const CLumivo& item, bool koreanLibrary)
{
    static const char16_t* const dateKeys[2][5] = {
        {u"fmtDateM1", u"fmtDateM2_E", u"fmtDateM3", u"fmtDateM4_E", u"fmtDateM5"},
        {u"fmtDateM1", u"fmtDateM2_K", u"fmtDateM3", u"fmtDateM4_K", u"fmtDateM5"}};
    static const char16_t* const timeKeys[4] = {u"fmtTimeM1", u"fmtTimeM2", u"fmtTimeM3", u"fmtTimeM4"};
    const bool date = item.type == LUMIVO_DATE && item.format < 5;
    const bool time = item.type == LUMIVO_TIME && item.format < 4;
    if (!date && !time)
        return common::Utf8ToUtf16(std::to_string(item.format));
    const std::u16string_view language = koreanLibrary ? u"Korean" : u"English";
    const std::u16string picture = CGlobalization::GetTextOf(
        language, u"Format", date ? dateKeys[koreanLibrary ? 1 : 0][item.format] : timeKeys[item.format]);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const SYSTEMTIME st = common::SystemTimeFromTm(local);
    const LANGID lang = koreanLibrary ? common::kLangKorean : common::kLangEnglish;
    return date ? common::FormatDate(lang, st, picture) : common::FormatTime(lang, st, picture);
}

} // namespace

std::u16string ItemTitle(const CLumivo& item, bool koreanLibrary)
{
    std::u16string title;
    const char* kind = qvr::LumivoTypeName(item.type);
    switch (item.type) {
    case LUMIVO_TEXT:
        AppendLine(title, item, 0, CLumivo::kCells);
        break;
    case LUMIVO_ENG2LINE:
        AppendLine(title, item, 0, CLumivo::kLineCells);
        AppendLine(title, item, CLumivo::kLineCells, CLumivo::kLineCells);
        break;
    case LUMIVO_IMAGE:
    case LUMIVO_MOVIE:
    case LUMIVO_ANIMATION:
        // The content number as the user counts it.
        title = FormatText(LangText("Format", "fmtTxtContent"),
                           {LangText("LumivoType", kind), static_cast<long long>(item.chars[0].code) + 1});
        break;
    case LUMIVO_DATE:
    case LUMIVO_TIME:
        title = FormatText(LangText("Format", "fmtTxtType"),
                           {LangText("LumivoType", kind), FormatSample(item, koreanLibrary)});
        break;
    default:
        // Analog, D-Day, D-Time, Temperature, Humidity and unknown kinds.
        if (*kind != '\0')
            title = LangText("LumivoType", kind);
        break;
    }
    return title;
}

std::u16string ItemSummary(const CLumivo& item, bool koreanLibrary)
{
    if (item.type == LUMIVO_TEMPERATURE) {
        std::u16string sample;
        AppendLine(sample, item, 0, CLumivo::kCells);
        return FormatText(LangText("Format", "fmtTemp"), {LangText("LumivoType", "Temperature"), sample});
    }
    std::u16string summary = ItemTitle(item, koreanLibrary);
    if (item.type == LUMIVO_TEXT || item.type == LUMIVO_ENG2LINE) {
        const QVXF& a = item.chars[0].attr;
        summary += u"\n" + FormatText(LangText("Format", "fmtTxtFont"), {static_cast<long long>(a.face) + 1}) + u", " +
                   FormatText(LangText("Format", "fmtTxtColor"), {static_cast<long long>(a.color) + 1}) + u", " +
                   FormatText(LangText("Format", "fmtTxtEffect"), {EffectCellText(0, item.effectS.code)});
    }
    return summary;
}

unsigned EffectRow(int phase, unsigned code)
{
    const Table t = TableOf(phase);
    if (t.rows == nullptr)
        return kNoRow;
    // The fixed codes of picture and clock items lie above every row; they
    // belong to no family the list can name.
    if (!(code & CEFF::kAuto) && (code & 0x7FFFu) > t.rows[t.count - 1].last)
        return kNoRow;
    return static_cast<unsigned>(CEffect::GetEffect2Type(phase, code));
}

int EffectIndex(int phase, unsigned code)
{
    if (EffectRow(phase, code) == kNoRow)
        return 0;
    return CEffect::GetEffect2Index(phase, code);
}

unsigned EffectFamily(int phase, unsigned code)
{
    const unsigned row = EffectRow(phase, code);
    return row == kNoRow ? kNoRow : TableOf(phase).rows[row].type;
}

const char* EffectFamilyName(unsigned row)
{
    static const char* const names[] = {"Auto", "Animation", "Appear", "Flow", "Wave",
                                        "Zoom", "Invert", "3DEffect", "None"};
    return row < std::size(names) ? names[row] : "";
}

std::u16string EffectCellText(int phase, unsigned code)
{
    // Named by the row's family, not by its row number: the wait table has no
    // Scroll row, so its row numbers name the neighbouring family (a None wait
    // would read "3D Effect 1").
    const unsigned familyNumber = EffectFamily(phase, code);
    const char* name = EffectFamilyName(familyNumber);
    if (*name == '\0')
        return {};
    const std::u16string family = LangText("Effect", name);
    if (familyNumber == 0 || familyNumber == 8)
        return FormatText(u"%s", {family});
    return FormatText(u"%s %2d", {family, static_cast<long long>(EffectIndex(phase, code)) + 1});
}

bool ShowsEffectText(int type)
{
    return type == LUMIVO_TEXT || type == LUMIVO_ENG2LINE || type == LUMIVO_DATE ||
           type == LUMIVO_TIME || type == LUMIVO_TEMPERATURE;
}

} // namespace lumivo
