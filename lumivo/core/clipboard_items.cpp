// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/clipboard_items.h"

#include "core/cell_glyph.h"
#include "core/item_text.h"
#include "core/page_layout.h"
#include "core/project.h"

#include <common/text.h>

namespace lumivo {

namespace {

std::u16string Number(size_t n) { return common::Utf8ToUtf16(std::to_string(n)); }

std::string Sentence(const char* key, const std::vector<FormatArg>& args)
{
    return common::Utf16ToUtf8(FormatText(LangText("Error", key), args));
}

// What is wrong, then what it means for the project, both in the interface
// language.
Result Refuse(const std::string& why)
{
    return Result::Fail(why + " " + common::Utf16ToUtf8(LangText("Error", "ErrClipboard")));
}

Result Refuse(const char* key, const std::vector<FormatArg>& args = {}) { return Refuse(Sentence(key, args)); }

} // namespace

std::vector<uint8_t> StoreClipboardItems(const std::vector<CLumivo>& items)
{
    std::vector<uint8_t> bytes(items.size() * qvr::kItemBytes);
    for (size_t i = 0; i < items.size(); ++i)
        qvr::StoreItem(items[i], bytes.data() + i * qvr::kItemBytes);
    return bytes;
}

Result PasteWarnings(const std::vector<CLumivo>& items, const CContent* content, unsigned boardLines)
{
    Result r;
    if (content) {
        // One list for the whole page, named as the Ad editor names them.
        std::vector<CLumiChar> cells;
        for (const CLumivo& item : items)
            if (item.type == LUMIVO_TEXT || item.type == LUMIVO_ENG2LINE)
                cells.insert(cells.end(), item.chars, item.chars + CLumivo::kCells);
        if (const std::u16string notice = InexactNotice(*content, cells.data(), cells.size()); !notice.empty())
            r.Warn(common::Utf16ToUtf8(notice));
    }
    const unsigned lines = CPageLayout(boardLines, items).UsedLines();
    if (lines < boardLines)
        r.Warn(common::Utf16ToUtf8(FormatText(LangText("Error", "ErrPasteLower"),
                                              {static_cast<long long>(lines), static_cast<long long>(boardLines)})));
    return r;
}

std::string ItemProblem(const CLumivo& item, size_t number)
{
    const std::u16string n = Number(number);
    if (item.type > LUMIVO_HUMIDITY)
        return Sentence("ClipUnknownKind", {n, Number(item.type)});
    if (ItemLines(item) == 0)
        return Sentence("ClipNoHeight", {n});
    const int content = qvr::ContentTypeOfItem(item.type);
    if (content != 0 && item.chars[0].code >= qvr::ContentCapacity(content))
        return Sentence("ClipFarPicture", {n, Number(size_t(item.chars[0].code) + 1)});
    return {};
}

Result LoadClipboardItems(const uint8_t* data, size_t size, unsigned boardLines, std::vector<CLumivo>& items)
{
    if (data == nullptr || size == 0)
        return Refuse("ClipEmpty");
    if (size % qvr::kItemBytes != 0)
        return Refuse("ClipPartial", {Number(size)});
    const size_t count = size / qvr::kItemBytes;
    if (count > kMaxPageItems)
        return Refuse("ClipTooMany", {Number(count)});
    std::vector<CLumivo> read(count);
    for (size_t i = 0; i < count; ++i) {
        qvr::LoadItem(data + i * qvr::kItemBytes, read[i]);
        if (const std::string why = ItemProblem(read[i], i + 1); !why.empty())
            return Refuse(why);
    }
    // An Ad copied from a taller board would run off this one.
    const unsigned lines = CPageLayout(boardLines, read).UsedLines();
    if (lines > boardLines)
        return Refuse("ClipTooHigh", {Number(lines), Number(boardLines)});
    items = std::move(read);
    return {};
}

} // namespace lumivo
