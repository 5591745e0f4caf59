// SPDX-License-Identifier: GPL-2.0-or-later
// The board link's own texts (section "Board") as QStrings.
#pragma once

#include "core/board_text.h"

#include <QString>

namespace lumivo {

inline QString BoardQText(const char* key, const char* english, std::initializer_list<std::string> args = {})
{
    return QString::fromStdString(BoardText(key, english, args));
}

} // namespace lumivo
