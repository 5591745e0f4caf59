// SPDX-License-Identifier: GPL-2.0-or-later
// A language text filled printf-style ("%s", "%d"), its "\n" pairs made line
// breaks, as a QString.
#pragma once

#include "core/item_text.h"
#include "ui/qt_text.h"

#include <QStringList>

namespace lumivo {

inline QString TrFormat(const char* section, const char* key, const QStringList& args)
{
    std::vector<FormatArg> values;
    for (const QString& a : args)
        values.emplace_back(a.toStdU16String());
    return FromU16(FormatText(LangText(section, key), values)).replace(QLatin1String("\\n"), QLatin1String("\n"));
}

} // namespace lumivo
