// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/lumivo_app.h"
#include "app/termination_signals.h"

#include <cstdio>
#include <cstring>

namespace {

// --help and --version answer without a window, a display or the
// one-instance check, so that scripts and packagers may ask.
bool AnswerInfoOption(int argc, char** argv, int& rc)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s %s\n", qPrintable(CLumivoApp::Title()), CLumivoApp::kVersion);
            rc = 0;
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("usage: lumivo [FILE.qvndoc]\n"
                        "       lumivo --help | --version\n\n"
                        "Composes, previews and sends Ads for colour LED sign boards. Opens\n"
                        "FILE.qvndoc, else a new project. Only one runs per user: starting it\n"
                        "again brings the running window to the front and opens FILE.qvndoc\n"
                        "there.\n\n"
                        "  --help      show this text\n"
                        "  --version   show the program's version\n");
            rc = 0;
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (int rc = 0; AnswerInfoOption(argc, argv, rc))
        return rc;
    CLumivoApp app(argc, argv);
    // Before the start-up: a stop asked for while the window is still being
    // made waits for the event loop instead of killing the program mid-way.
    CTerminationSignals termination;
    AppOptions options;
    options.files = app.arguments().mid(1);
    if (!app.InitInstance(options))
        return 0;
    const int rc = app.exec();
    const int exitRc = app.ExitInstance();
    return rc ? rc : exitRc;
}
