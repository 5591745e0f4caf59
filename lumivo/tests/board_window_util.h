// SPDX-License-Identifier: GPL-2.0-or-later
// The program connected to a simulated controller on a pseudo-terminal: the
// window's board commands driven by their keys, every box answered in code.
#pragma once

#include "gui_test_util.h"

#include "ui/board_actions.h"

#include <boardsim.h>
#include <serio/serio.h>
#include <serio/widgets/serial_dialogs.h>

#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

// Runs fn on the next modal window that opens (a dialog shown by exec()
// from inside the event loop), as a user at the keyboard would.
inline void WhenModal(std::function<void(QWidget*)> fn, int timeoutMs = 20000)
{
    auto* timer = new QTimer;
    auto elapsed = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, fn, elapsed, timeoutMs] {
        *elapsed += 10;
        if (QWidget* w = QApplication::activeModalWidget(); w && w->isVisible()) {
            timer->stop();
            timer->deleteLater();
            fn(w);
        } else if (*elapsed > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "no modal window opened";
        }
    });
    timer->start(10);
}

// The visible progress window, if any.
inline CSerialProgressDlg* ProgressWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* dlg = qobject_cast<CSerialProgressDlg*>(w); dlg && dlg->isVisible())
            return dlg;
    return nullptr;
}

inline QString ProgressText()
{
    CSerialProgressDlg* dlg = ProgressWindow();
    return dlg ? dlg->Status()->text() : QString();
}

inline void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::vector<uint8_t> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class BoardWindowTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        options.showWindow = true;
        state = Path(QStringLiteral("board-state")).toStdString();
    }
    void TearDown() override
    {
        AppTest::TearDown();
        if (sim)
            sim->Stop();
        ::unsetenv(serio::kSerialDeviceEnv);
    }

    // The simulator (state in `state`), then the program pointed at it.
    void StartLinked(boardsim::Options o = {})
    {
        o.stateDir = state.string();
        sim = std::make_unique<boardsim::CBoardSim>(std::move(o), nullptr);
        ASSERT_EQ(0, sim->Create());
        sim->Start();
        ::setenv(serio::kSerialDeviceEnv, sim->DevicePath().c_str(), 1);
        ASSERT_TRUE(Start());
        InstallBoardPrompts();
        Frame()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Frame()));
    }
    void InstallBoardPrompts()
    {
        CPrompts& p = App().Prompts();
        p.askRetry = [this](const QString&, const QString& text) {
            retryTexts.append(text);
            if (retries <= 0)
                return false;
            --retries;
            return true;
        };
        // The question whether to adapt the project to the board is kept
        // apart: Yes by default, as the project took the board before it was asked.
        p.askYesNo = [this](const QString&, const QString& text) {
            if (text.startsWith(QStringLiteral("The board is "))) {
                adaptQuestions.append(text);
                return adaptAnswer;
            }
            questions.append(text);
            return answerYes;
        };
        p.titledMessage = [this](CPrompts::Icon, const QString& caption, const QString& text) {
            messages.append(text);
            captions.append(caption);
        };
    }

    // The window takes the keyboard back, as it does when a box closes.
    void Activate() const
    {
        Frame()->activateWindow();
        // Best effort: a key test that needs the window fails on its own.
        static_cast<void>(QTest::qWaitForWindowActive(Frame(), 1000));
    }
    CMainFrame* Frame() const { return App().MainFrame(); }
    CBoardActions* Board() const { return Frame()->findChild<CBoardActions*>(); }
    CLumivoDoc* Doc() const { return App().Document(); }
    bool Enabled(int command) const { return Frame()->Action(command)->isEnabled(); }

    // A key on the window, then the job it started run to its end.
    bool KeyJob(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier, int timeoutMs = 30000)
    {
        QSignalSpy done(Board(), &CBoardActions::jobFinished);
        Activate();
        QTest::keyClick(Frame(), key, mods);
        return done.wait(timeoutMs);
    }
    int Requests(BYTE command) const
    {
        int n = 0;
        for (const auto& f : sim->Received())
            n += f.command == command;
        return n;
    }

    std::filesystem::path state;
    std::unique_ptr<boardsim::CBoardSim> sim;
    QStringList retryTexts;
    QStringList adaptQuestions;
    bool adaptAnswer = true;
    QStringList captions;
    int retries = 0;
};
