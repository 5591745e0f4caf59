// SPDX-License-Identifier: GPL-2.0-or-later
// The items of one Ad on the clipboard: 824-byte item records back to back,
// no header, under the type kItemsMimeType. Writing is plain; reading treats
// the bytes as untrusted: anything but one to four whole records that each
// read as an item is refused.
#pragma once

#include "core/result.h"

#include <qvr/records.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CContent;

namespace lumivo {

inline constexpr const char* kItemsMimeType = "application/x-lumivo-items";

// The records of the items, in order.
std::vector<uint8_t> StoreClipboardItems(const std::vector<CLumivo>& items);

// Reads the records into items. Refused, leaving items untouched, when the
// size is 0, not a multiple of 824 or more than four records, a record is
// not an item (ItemProblem), or the items together are higher than a board
// of `boardLines` 16-dot lines; the message names the fault.
Result LoadClipboardItems(const uint8_t* data, size_t size, unsigned boardLines, std::vector<CLumivo>& items);

// What a page read from the clipboard will show differently on this board,
// as warnings of a successful result: the characters of its texts that
// `content` cannot draw exactly (named), and lines of the board its items
// leave empty. content may be null (no characters checked).
Result PasteWarnings(const std::vector<CLumivo>& items, const CContent* content, unsigned boardLines);

// Why record `number` (1-based) read from outside cannot be an item of a
// project, as a sentence in the interface language: an unknown kind, no
// height, or a picture that no library slot holds. Empty when it can.
std::string ItemProblem(const CLumivo& item, size_t number);

} // namespace lumivo
