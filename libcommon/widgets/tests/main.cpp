// SPDX-License-Identifier: BSD-2-Clause
// The widget tests need one application object (on the platform the test
// environment names: offscreen unless the caller chose another).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
