// SPDX-License-Identifier: GPL-2.0-or-later
// The GUI tests share one application object, as the program has one.
#include "app/lumivo_app.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdlib>

int main(int argc, char** argv)
{
    // Nothing of the user's: settings, desktop and runtime folders are ours.
    QTemporaryDir home;
    setenv("HOME", home.path().toLocal8Bit().constData(), 1);
    setenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit().constData(), 1);
    setenv("XDG_RUNTIME_DIR", home.path().toLocal8Bit().constData(), 1);
    CLumivoApp app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
