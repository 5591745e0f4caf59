// SPDX-License-Identifier: GPL-2.0-or-later
// The five visual styles the Style button offers (commands 215 to 219),
// each a style sheet over the Fusion style.
#pragma once

#include <QString>

namespace lumivo {

inline constexpr int kFirstStyleCommand = 215;
inline constexpr int kLastStyleCommand = 219;
inline constexpr int kDefaultStyleCommand = 215;

bool IsStyleCommand(int command);
// The menu text of a style command, in the interface language ("" for
// other numbers).
QString StyleName(int command);
// The style sheet of a style command; the default style's for other numbers.
QString StyleSheet(int command);

// From now on no dialog of the program can be maximised (an application
// event filter; installing it twice does nothing).
void InstallDialogConventions();

} // namespace lumivo
