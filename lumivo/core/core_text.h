// SPDX-License-Identifier: GPL-2.0-or-later
// The core's own messages (files, projects, Ad blobs, schedules, calendars):
// section "Core" of the language tables, so the window and lumivo-cli show
// them in the interface language.
#pragma once

#include "core/board_text.h"

namespace lumivo {

// The text of key in section "Core" (english when the language file has
// none), each "%s" filled with the next argument; UTF-8.
inline std::string CoreText(const char* key, const char* english, std::initializer_list<std::string> args = {})
{
    return SectionText("Core", key, english, args);
}

} // namespace lumivo
