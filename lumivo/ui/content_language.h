// SPDX-License-Identifier: GPL-2.0-or-later
// The one name of the board's content language, wherever it is chosen (new
// project, Board Properties, the simulated board, the controller settings).
#pragma once

#include "ui/qt_text.h"

#include <cstdint>

namespace lumivo {

// A project's or simulated board's language: 'A' (65) Korean, any other
// value the Latin and Chinese library (the normalising rule of the core).
inline QString ContentLanguageName(uint8_t language)
{
    return language == 'A' ? Tr("Content", "LangKorean") : Tr("Content", "LangLatin");
}

// The controller settings' language value: 0 English, 1 Korean, 2 Chinese
// (the Latin and Chinese library).
inline QString ControllerLanguageName(int value)
{
    return value == 1 ? Tr("Content", "LangKorean") : value == 2 ? Tr("Content", "LangLatin") : Tr("Content", "LangEnglish");
}

// The language a new project starts with when no setting says: the
// desktop's, 'A' for a Korean desktop, else 'E'.
uint8_t DesktopContentLanguage();

} // namespace lumivo
