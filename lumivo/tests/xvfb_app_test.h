// SPDX-License-Identifier: GPL-2.0-or-later
// XvfbAppTest: the real program on an X display (the *_xvfb entries run it
// under xvfb-run), driven by keys at whatever has the focus.
#pragma once

#include "gui_test_util.h"

#include <QApplication>
#include <QGuiApplication>
#include <QTest>

class XvfbAppTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "runs on an X display (xvfb-run)";
    }
    static void Key(QKeyCombination key)
    {
        QWidget* to = QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
        ASSERT_NE(to, nullptr);
        QTest::keyClick(to, key.key(), key.keyboardModifiers());
    }
    static void Type(const QString& text) { QTest::keyClicks(QApplication::focusWidget(), text); }
};
