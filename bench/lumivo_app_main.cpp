// SPDX-License-Identifier: GPL-2.0-or-later
// main() of the window's benchmarks: the application object lives on this
// stack frame, so it goes before Qt's globals do. The texts are the English
// ones the window shows (the language files beside the program), so lists
// and columns measure real words.
#include "qt_start.h"

#include <common/globalization.h>

#include <benchmark/benchmark.h>

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    CGlobalization::SelectLanguage(u"English");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
