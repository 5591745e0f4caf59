// SPDX-License-Identifier: GPL-2.0-or-later
// Language texts as QStrings.
#pragma once

#include <common/globalization.h>

#include <QString>

namespace lumivo {

inline QString Tr(const char* section, const char* key)
{
    const std::u16string t = CGlobalization::GetText(std::string_view(section), std::string_view(key));
    return QString::fromUtf16(t.data(), qsizetype(t.size()));
}

inline QString FromU16(const std::u16string& s) { return QString::fromUtf16(s.data(), qsizetype(s.size())); }

} // namespace lumivo
