// SPDX-License-Identifier: GPL-2.0-or-later
// Where projects go: the folder a new project or Save As proposes, and a
// writable place when the chosen one cannot take the file.
#pragma once

#include <QString>

namespace lumivo {

// The user's Documents folder (XDG), created when it is missing. Empty when
// it cannot be made.
QString DocumentsFolder();
// The folder last saved to ("Project Path") while it exists, else the
// Documents folder.
QString ProposedFolder();
// An existing folder this user may write in.
bool IsWritableFolder(const QString& folder);
// preferred when it is writable, else the Documents folder, else the home folder.
QString WritableFolder(const QString& preferred);

} // namespace lumivo
