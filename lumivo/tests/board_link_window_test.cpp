// SPDX-License-Identifier: GPL-2.0-or-later
// The window's board link when things are not as expected: ports that do not
// open, a board other than the project's, pages that do not fill the board,
// a project opened during an exchange, Cancel by Escape, and the program
// asked to end during a send.
#include "board_window_util.h"

#include "app/commands.h"
#include "core/board_text.h"
#include "core/text_image_project.h"
#include "app/termination_signals.h"
#include "ui/main_frame.h"
#include "ui/module_state_dlg.h"

#include <serio/widgets/serial_dialogs.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QUndoStack>

#include <csignal>
#include <sys/stat.h>

namespace {

namespace cmd = lumivo::cmd;
constexpr BYTE kSendAds = 0x5B, kLeave = 0x45, kModuleInfo = 0x56;
// The Ads' try waits this long for an answer: a Cancel that ends the send
// in well under it did not wait for the try, however slow the machine.
constexpr int kSendAdsTimeoutMs = 10000;

} // namespace

class BoardLinkWindow : public BoardWindowTest {
protected:
    // Connected (the project adapted to the board) with one page that fills it.
    void ConnectWithOneAd(boardsim::Options o = {})
    {
        StartLinked(o);
        ASSERT_TRUE(KeyJob(Qt::Key_F5));
        ASSERT_TRUE(Board()->IsConnected());
        ASSERT_TRUE(Doc()->AppendPage({TextItem(u"Sale")}));
    }
    QString Trace() const
    {
        QFile f(Path(QStringLiteral("trace.log")));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    int Leaves() const { return Requests(kLeave); }
};

// Devices that exist but do not open are listed with the reason; the stored
// device is selected even then, and never the simulated board instead.
TEST_F(BoardLinkWindow, PortListNamesWhyADeviceDoesNotOpenAndNeverPicksTheSimulator)
{
    boardsim::CBoardSim held({}, nullptr);
    ASSERT_EQ(0, held.Create());
    CSerial holder; // another program's hold on the device
    ASSERT_EQ(0, holder.Open(held.DevicePath()));
    ASSERT_TRUE(Start());
    InstallBoardPrompts();
    ::unsetenv(serio::kSerialDeviceEnv);

    struct Seen {
        QString text, device;
        bool simulatedListed = false;
    };
    auto portDialog = [&](const std::string& stored) {
        serio::SerialSettings s = Frame()->Packet().GetSettings();
        s.strDevice = stored;
        Frame()->Packet().SetSettings(s);
        Seen seen;
        WhenModal([&seen](QWidget* w) {
            auto* dlg = qobject_cast<CSerialPortDlg*>(w);
            ASSERT_NE(dlg, nullptr);
            seen.text = dlg->PortList()->currentText();
            seen.device = dlg->PortList()->currentData().toString();
            seen.simulatedListed = dlg->PortList()->findData(QStringLiteral("simulated")) >= 0;
            dlg->accept();
        });
        Frame()->Packet().SerialSetup(1);
        return seen;
    };

    const Seen busy = portDialog(held.DevicePath());
    EXPECT_EQ(busy.device.toStdString(), held.DevicePath());
    EXPECT_TRUE(busy.text.contains(QStringLiteral("in use by "))) << busy.text.toStdString();
    EXPECT_TRUE(busy.text.contains(QStringLiteral("(pid %1)").arg(::getpid()))) << busy.text.toStdString();
    EXPECT_TRUE(busy.simulatedListed);
    EXPECT_EQ(Frame()->Packet().GetSettings().strDevice, held.DevicePath()); // OK kept the choice

    const Seen missing = portDialog("/dev/ttyUSB97");
    EXPECT_EQ(missing.device, QStringLiteral("/dev/ttyUSB97"));
    EXPECT_TRUE(missing.text.contains(QStringLiteral("not present"))) << missing.text.toStdString();
    EXPECT_EQ(Frame()->Packet().GetSettings().strDevice, "/dev/ttyUSB97");

    // The full set-up has a key of its own.
    EXPECT_EQ(Frame()->Action(cmd::kCommSetup)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F5));
}

// A board other than the project's: the project changes only on Yes, as one
// undo step that marks it modified; No keeps it and Send stays off, saying why.
TEST_F(BoardLinkWindow, OtherBoardIsAdaptedOnlyOnYesAndNoKeepsSendOff)
{
    boardsim::Options o;
    o.moduleRows = 2;
    o.moduleCols = 8;
    o.language = 'A';
    StartLinked(o);
    QSignalSpy links(Board(), &CBoardActions::linkTextChanged);
    ASSERT_EQ(Doc()->SetBoard(1, 6, 'E', 1, 6), 0); // no content library in the tests: the board is set anyway
    Doc()->SetModifiedFlag(false);
    const int steps = Doc()->UndoStack()->count();
    ASSERT_TRUE(Doc()->AppendPage({TextItem(u"Mine")}));
    Doc()->SetModifiedFlag(false);

    adaptAnswer = false;
    ASSERT_TRUE(KeyJob(Qt::Key_F5));
    ASSERT_EQ(adaptQuestions, QStringList({"The board is 2 × 8 modules, Korean; the project is 1 × 6, Latin and "
                                           "Chinese. Adapt the project to the board?"}));
    EXPECT_EQ(Doc()->ModuleRows(), 1u);
    EXPECT_EQ(Doc()->Core().Board().language, 'E');
    EXPECT_FALSE(Doc()->IsModified());
    EXPECT_TRUE(Board()->IsConnected());
    EXPECT_FALSE(Enabled(cmd::kCommSend));
    EXPECT_TRUE(Board()->SendBlockedReason().contains(QStringLiteral("the project is 1 × 6, Latin and Chinese")));
    EXPECT_EQ(Frame()->Action(cmd::kCommSend)->toolTip(), Board()->SendBlockedReason());
    ASSERT_FALSE(links.isEmpty());
    EXPECT_EQ(links.last().at(0).toString(), QStringLiteral("Connected to %1 — 2 × 8, Korean")
                                                   .arg(QString::fromStdString(sim->DevicePath())));
    messages.clear();
    Board()->OnSend();
    EXPECT_EQ(messages, QStringList({Board()->SendBlockedReason()}));
    EXPECT_EQ(Requests(kSendAds), 0);

    ASSERT_TRUE(KeyJob(Qt::Key_F5, Qt::ShiftModifier));
    EXPECT_EQ(links.last().at(0).toString(), QStringLiteral("Not connected"));
    adaptAnswer = true;
    ASSERT_TRUE(KeyJob(Qt::Key_F5));
    EXPECT_EQ(adaptQuestions.size(), 2);
    EXPECT_EQ(Doc()->ModuleRows(), 2u);
    EXPECT_EQ(Doc()->ModuleColumns(), 8u);
    EXPECT_EQ(Doc()->Core().Board().language, 'A');
    EXPECT_TRUE(Doc()->IsModified());
    EXPECT_TRUE(Enabled(cmd::kCommSend));
    EXPECT_EQ(Doc()->UndoStack()->count(), steps + 2); // the page, then the board
    Doc()->UndoStack()->undo();
    EXPECT_EQ(Doc()->ModuleRows(), 1u);
    EXPECT_EQ(Doc()->Core().Board().language, 'E');
    EXPECT_FALSE(Enabled(cmd::kCommSend)); // the board is not the project's again
}

// Settings written with another size: the board reports it, and the project
// is offered it.
TEST_F(BoardLinkWindow, SettingsWrittenWithAnotherSizeOfferTheSameQuestion)
{
    StartLinked();
    ASSERT_TRUE(KeyJob(Qt::Key_F5));
    adaptQuestions.clear();
    WhenModal([](QWidget* w) {
        auto* dlg = qobject_cast<CModuleStateDlg*>(w);
        ASSERT_NE(dlg, nullptr);
        dlg->ColumnsField()->setValue(10);
        dlg->RowsField()->setValue(2);
        dlg->accept();
    });
    ASSERT_TRUE(KeyJob(Qt::Key_F7));
    ASSERT_EQ(adaptQuestions.size(), 1);
    EXPECT_TRUE(adaptQuestions[0].startsWith(QStringLiteral("The board is 2 × 10 modules"))) << adaptQuestions[0].toStdString();
    EXPECT_EQ(Doc()->ModuleRows(), 2u);
    EXPECT_EQ(Doc()->ModuleColumns(), 10u);
    EXPECT_EQ(sim->MakeModuleInfo().byModuleCols, 10);
    EXPECT_EQ(sim->MakeModuleInfo().byModuleRows, 2);
}

// Pages that leave part of the board dark, and Image items whose picture is
// gone, are not sent; the message names them.
TEST_F(BoardLinkWindow, SendRefusesAdsTheBoardWouldNotShowAsMade)
{
    boardsim::Options o;
    o.moduleRows = 2;
    StartLinked(o);
    ASSERT_TRUE(KeyJob(Qt::Key_F5));
    ASSERT_EQ(Doc()->ModuleRows(), 2u);
    ASSERT_TRUE(Doc()->AppendPage({TextItem(u"Top"), TextItem(u"Bottom")}));
    ASSERT_TRUE(Doc()->AppendPage({TextItem(u"Half")}));
    messages.clear();
    Activate();
    QTest::keyClick(Frame(), Qt::Key_F6);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Not sent: Ads 2 do not fill the board (2 lines)")))
        << messages[0].toStdString();
    EXPECT_EQ(Requests(kSendAds), 0);

    // The second line filled by an Image item of a user image the project
    // does not hold (a file made where it had one).
    const unsigned held = Doc()->Core().UserImageCount();
    CLumivo image;
    ASSERT_TRUE(lumivo::BuildUserImageItem(Doc()->Core(), held, 16, image).ok());
    ASSERT_TRUE(Doc()->ReplacePage(1, {TextItem(u"Half"), image}));
    messages.clear();
    QTest::keyClick(Frame(), Qt::Key_F6);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Not sent: the project holds %1 user images").arg(held)))
        << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains(QStringLiteral("Ad 2, item 2 (user image %1)").arg(held + 1)))
        << messages[0].toStdString();
    EXPECT_EQ(Requests(kSendAds), 0);
    EXPECT_TRUE(Board()->IsConnected());
}

// A device pulled out while the link is idle: the simulator's process ends
// and its terminal goes with it. The window notices within a few seconds,
// says so in the status area and a message, and connects again afterwards.
TEST_F(BoardLinkWindow, DevicePulledOutWhileIdleEndsTheConnectionAndConnectingAgainWorks)
{
    auto startBoard = [](QProcess& board) {
        board.start(QCoreApplication::applicationDirPath() + QStringLiteral("/lumivo-boardsim"), {});
        if (!board.waitForReadyRead(10000))
            return QString();
        const QString device = QString::fromLocal8Bit(board.readLine()).trimmed();
        ::setenv(serio::kSerialDeviceEnv, device.toLocal8Bit().constData(), 1);
        return device;
    };
    QProcess board;
    board.setStandardErrorFile(QProcess::nullDevice());
    const QString device = startBoard(board);
    ASSERT_FALSE(device.isEmpty());
    ASSERT_TRUE(Start());
    InstallBoardPrompts();
    ASSERT_TRUE(KeyJob(Qt::Key_F5));
    ASSERT_TRUE(Board()->IsConnected()) << messages.join('|').toStdString();
    messages.clear();
    board.terminate();
    ASSERT_TRUE(board.waitForFinished(5000));
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(WaitFor([&] { return !Board()->IsConnected(); }, 5000)) << Trace().toStdString();
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_TRUE(Enabled(cmd::kCommConnect));
    EXPECT_FALSE(Enabled(cmd::kCommSend));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("went away"))) << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains(device));
    EXPECT_TRUE(Board()->LinkText().contains(QStringLiteral("went away"))) << Board()->LinkText().toStdString();
    EXPECT_TRUE(Board()->LinkText().contains(device));
    EXPECT_TRUE(Trace().contains(QStringLiteral("went away"))) << Trace().toStdString();

    // The board is back: F5 connects again.
    ASSERT_FALSE(startBoard(board).isEmpty());
    ASSERT_TRUE(KeyJob(Qt::Key_F5));
    EXPECT_TRUE(Board()->IsConnected()) << messages.join('|').toStdString();
    EXPECT_TRUE(Board()->LinkText().startsWith(QStringLiteral("Connected to "))) << Board()->LinkText().toStdString();
    board.terminate();
    board.waitForFinished(5000);
}

// Ads read back belong to the project that asked: Open and New are off
// while an exchange runs.
TEST_F(BoardLinkWindow, OpenAndNewAreOffWhileAnExchangeRuns)
{
    boardsim::Options o;
    o.delay[kModuleInfo] = {1500, 1};
    StartLinked(o);
    QSignalSpy done(Board(), &CBoardActions::jobFinished);
    Activate();
    QTest::keyClick(Frame(), Qt::Key_F5);
    ASSERT_TRUE(Board()->IsBusy());
    EXPECT_FALSE(Enabled(cmd::kFileOpen));
    EXPECT_FALSE(Enabled(cmd::kFileNew));
    ASSERT_TRUE(Doc()->AppendPage({TextItem(u"Kept")}));
    QTest::keyClick(Frame(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(newProjectCalls.isEmpty());
    ASSERT_TRUE(done.wait(20000));
    EXPECT_EQ(Doc()->Core().ItemCount(), 1u);
    EXPECT_TRUE(Enabled(cmd::kFileOpen));
    EXPECT_TRUE(Enabled(cmd::kFileNew));
}

// Escape during a send: the progress window has told what it does, the
// exchange ends at once with the closing command, the project is untouched,
// and the trace says so.
TEST_F(BoardLinkWindow, EscapeCancelsASendAtOnceAndLeavesTheProjectAlone)
{
    boardsim::Options o;
    o.noAnswer[kSendAds] = -1;
    ConnectWithOneAd(o);
    std::vector<uint8_t> blob;
    ASSERT_TRUE(Doc()->PackAdBlob(blob)); // numbers the items, as every send does
    const std::vector<uint8_t> before = Doc()->Core().Serialize();
    const int steps = Doc()->UndoStack()->index();
    QSignalSpy done(Board(), &CBoardActions::jobFinished);
    Activate();
    QTest::keyClick(Frame(), Qt::Key_F6);
    ASSERT_TRUE(WaitFor([] { return ProgressText().startsWith(QStringLiteral("Waiting for the board's answer")); },
                        10000))
        << ProgressText().toStdString();
    EXPECT_EQ(ProgressText(), QStringLiteral("Waiting for the board's answer (try 1 of 3)…"));
    ASSERT_NE(ProgressWindow()->CancelButton(), nullptr);
    EXPECT_TRUE(ProgressWindow()->CancelButton()->isVisible());
    const int leaves = Leaves();
    QElapsedTimer clock;
    clock.start();
    // Escape where the keyboard is: the progress window, or the main window.
    QTest::keyClick(QApplication::activeWindow() ? QApplication::activeWindow() : Frame(), Qt::Key_Escape);
    ASSERT_TRUE(done.wait(3 * kSendAdsTimeoutMs)) << Trace().toStdString();
    EXPECT_LT(clock.elapsed(), kSendAdsTimeoutMs / 2);
    EXPECT_TRUE(WaitFor([&] { return Leaves() == leaves + 1; }));
    EXPECT_FALSE(Board()->IsConnected());
    EXPECT_TRUE(retryTexts.isEmpty());
    EXPECT_EQ(Requests(kSendAds), 1);
    EXPECT_EQ(Doc()->Core().Serialize(), before);
    EXPECT_EQ(Doc()->UndoStack()->index(), steps);
    EXPECT_TRUE(Trace().contains(QStringLiteral("Cancelled: sending the Ads: cancelled"))) << Trace().toStdString();
}

// SIGTERM during a send cancels it like Escape, then the window closes as usual.
TEST_F(BoardLinkWindow, SigtermDuringASendEndsItWithTheClosingCommandThenCloses)
{
    boardsim::Options o;
    o.noAnswer[kSendAds] = -1;
    ConnectWithOneAd(o);
    CTerminationSignals termination;
    ASSERT_TRUE(termination.IsInstalled());
    Activate();
    QTest::keyClick(Frame(), Qt::Key_F6);
    ASSERT_TRUE(WaitFor([&] { return Requests(kSendAds) == 1; }, 10000));
    const int leaves = Leaves();
    QElapsedTimer clock;
    clock.start();
    ::kill(::getpid(), SIGTERM); // as the system sends it: to the process
    ASSERT_TRUE(WaitFor([&] { return !Frame()->isVisible(); }, 3 * kSendAdsTimeoutMs))
        << "SIGTERM did not close the window; busy " << Board()->IsBusy() << ", modal "
        << (QApplication::activeModalWidget() ? QApplication::activeModalWidget()->metaObject()->className() : "none")
        << ", leaves " << Leaves() - leaves << "\n" << messages.join('|').toStdString();
    EXPECT_LT(clock.elapsed(), kSendAdsTimeoutMs / 2);
    EXPECT_TRUE(WaitFor([&] { return Leaves() > leaves; })); // the board got the closing command
    EXPECT_FALSE(Board()->IsBusy());
}

// The permission advice's udev rule can be selected and copied from the box
// (the keyboard copies the whole box with Ctrl+C).
TEST_F(BoardLinkWindow, PermissionAdviceRuleCanBeSelected)
{
    ASSERT_TRUE(Start());
    const QString device = Path(QStringLiteral("ttyUSB-locked"));
    WriteBytes(device.toStdString(), {});
    ASSERT_EQ(::chmod(QFile::encodeName(device).constData(), 0), 0);
    const QString text = QString::fromStdString(lumivo::OpenErrorText(device.toStdString(), EACCES));
    ASSERT_TRUE(text.contains(QStringLiteral("MODE=\"0660\""))) << text.toStdString();
    QString selected;
    WhenModal([&](QWidget* w) {
        for (QLabel* label : w->findChildren<QLabel*>()) {
            if (!label->text().contains(QStringLiteral("GROUP=\"dialout\"")))
                continue;
            EXPECT_TRUE(label->textInteractionFlags() & Qt::TextSelectableByMouse);
            label->setSelection(0, int(label->text().size()));
            selected = label->selectedText();
        }
        QTest::keyClick(w, Qt::Key_Escape);
    });
    CPrompts::Interactive([] { return App().MainFrame(); }).Show(CPrompts::Icon::Error, CPrompts::Caption(), text);
    EXPECT_TRUE(selected.contains(QStringLiteral("SUBSYSTEM==\"tty\""))) << selected.toStdString();
}
