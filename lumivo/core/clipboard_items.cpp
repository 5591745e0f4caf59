// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/clipboard_items.h"

#include "core/cell_glyph.h"
#include "core/item_text.h"
#include "core/page_layout.h"
#include "core/project.h"

#include <common/text.h>

namespace lumivo {

namespace {

Result Refuse(const std::string& why)
{
    return Result::Fail(why + ": " + common::Utf16ToUtf8(LangText("Error", "ErrClipboard")));
}

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

std::string ItemProblem(const CLumivo& item)
{
    if (item.type > LUMIVO_HUMIDITY)
        return "an item of unknown kind " + std::to_string(item.type);
    if (ItemLines(item) == 0)
        return "an item without height";
    const int content = qvr::ContentTypeOfItem(item.type);
    if (content != 0 && item.chars[0].code >= qvr::ContentCapacity(content))
        return "a picture number beyond the content library (" + std::to_string(item.chars[0].code) + ")";
    return {};
}

Result LoadClipboardItems(const uint8_t* data, size_t size, unsigned boardLines, std::vector<CLumivo>& items)
{
    if (data == nullptr || size == 0)
        return Refuse("the clipboard holds no items");
    if (size % qvr::kItemBytes != 0)
        return Refuse("the clipboard data is " + std::to_string(size) + " bytes, not whole items of 824 bytes");
    const size_t count = size / qvr::kItemBytes;
    if (count > kMaxPageItems)
        return Refuse("the clipboard holds " + std::to_string(count) + " items, more than a page's four");
    std::vector<CLumivo> read(count);
    for (size_t i = 0; i < count; ++i) {
        qvr::LoadItem(data + i * qvr::kItemBytes, read[i]);
        if (const std::string why = ItemProblem(read[i]); !why.empty())
            return Refuse("record " + std::to_string(i + 1) + " is " + why);
    }
    // An Ad copied from a taller board would run off this one.
    const unsigned lines = CPageLayout(boardLines, read).UsedLines();
    if (lines > boardLines)
        return Refuse("the Ad is " + std::to_string(lines) + " lines high, the board " + std::to_string(boardLines));
    items = std::move(read);
    return {};
}

} // namespace lumivo
