// SPDX-License-Identifier: GPL-2.0-or-later
// The window's benchmarks share one application object, made by their own
// main() before any benchmark runs and destroyed after the last one, while
// Qt's own globals still exist (a function-static one outlived them and
// crashed at exit). On Qt's offscreen platform unless QT_QPA_PLATFORM names
// another.
#pragma once

#include <QApplication>

// The application object; main() has made it.
inline void StartQt()
{
    Q_ASSERT(qApp != nullptr);
}
