// SPDX-License-Identifier: GPL-2.0-or-later
// The one application object of the window's benchmarks, made on first use,
// on Qt's offscreen platform unless QT_QPA_PLATFORM names another.
#pragma once

#include <QApplication>

inline void StartQt()
{
    static int argc = 1;
    static char name[] = "bench_lumivo_app";
    static char* argv[] = {name, nullptr};
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
}
