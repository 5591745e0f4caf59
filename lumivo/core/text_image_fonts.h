// SPDX-License-Identifier: GPL-2.0-or-later
// The font families of this computer, as fontconfig lists them, for the
// choice of a font for text images.
#pragma once

#include <string>
#include <vector>

namespace lumivo {

// At most this many families are listed; a computer with more still opens
// any of them by name.
constexpr size_t kMaxFontFamilies = 20000;

// Every family name fontconfig knows (the first name of each font), each
// once, sorted without regard to case. Empty when fontconfig cannot start.
std::vector<std::string> FontFamilies();

} // namespace lumivo
