// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/content_language.h"

#include <QLocale>

namespace lumivo {

uint8_t DesktopContentLanguage() { return QLocale::system().language() == QLocale::Korean ? 'A' : 'E'; }

} // namespace lumivo
