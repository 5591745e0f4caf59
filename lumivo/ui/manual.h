// SPDX-License-Identifier: GPL-2.0-or-later
// F1: the program's manual in the desktop's viewer. The installed manual
// page lumivo(1) when there is one, else the README beside the program (the
// build tree's), else a message saying what to do.
#pragma once

#include <QString>
#include <QStringList>

struct CPrompts;

namespace lumivo {

// What F1 may open, best first, for a program in exeDir: "man:lumivo(1)"
// when the page is installed beside it, then README files as file URLs.
QStringList ManualAddresses(const QString& exeDir);

// Opens the first address the desktop takes; false (with the message
// shown) when none.
bool OpenManual(const CPrompts& prompts, const QString& exeDir);

} // namespace lumivo
