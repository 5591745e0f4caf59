// SPDX-License-Identifier: BSD-2-Clause
// The dialogs' texts from the language files, as QStrings.
#pragma once

#include <common/globalization.h>

#include <QString>
#include <QStringList>

namespace serio::widgets {

// english: what shows where no language file is loaded (a program or test
// of its own that uses the dialogs).
inline QString Text(const char* section, const char* key, const char* english = nullptr)
{
    const std::u16string t = CGlobalization::GetText(std::string_view(section), std::string_view(key));
    if (t.empty() && english)
        return QString::fromUtf8(english);
    // A line break is written as backslash and n in the files.
    return QString::fromUtf16(t.data(), qsizetype(t.size())).replace(QLatin1String("\\n"), QLatin1String("\n"));
}

// Each "%s" of a language text replaced by the next argument, in order.
inline QString Fill(QString text, const QStringList& args)
{
    qsizetype at = 0;
    for (const QString& arg : args) {
        at = text.indexOf(QLatin1String("%s"), at);
        if (at < 0)
            break;
        text.replace(at, 2, arg);
        at += arg.size();
    }
    return text;
}

} // namespace serio::widgets
