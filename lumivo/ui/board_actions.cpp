// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/board_actions.h"

#include "app/commands.h"
#include "core/page_layout.h"
#include "core/image_use.h"
#include "core/user_image_order.h"
#include "ui/board_adapt.h"
#include "ui/board_qtext.h"
#include "lumivo_doc.h"
#include "app/prompts.h"
#include "ui/module_state_dlg.h"
#include "ui/simulated_board.h"
#include "ui/user_image_dlg.h"

#include <serio/packet.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QUndoStack>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdlib>

namespace {

using lumivo::BoardResult;


CPrompts::Icon IconOf(lumivo::MessageIcon icon)
{
    switch (icon) {
    case lumivo::MessageIcon::Stop: return CPrompts::Icon::Error;
    case lumivo::MessageIcon::Warning: return CPrompts::Icon::Warning;
    case lumivo::MessageIcon::Information: return CPrompts::Icon::Information;
    case lumivo::MessageIcon::None: break;
    }
    return CPrompts::Icon::None;
}

// How often an idle connection is checked for a device that went away.
constexpr int kWatchMs = 250;

} // namespace

CBoardActions::CBoardActions(CPacket& packet, CLumivoDoc& doc, CPrompts& prompts, QWidget* window)
    : CCommandGroup(window), m_packet(packet), m_doc(doc), m_prompts(prompts), m_window(window),
      m_simulator(new CSimulatedBoard(this)), m_watch(new QTimer(this))
{
    using namespace lumivo;
    auto* commSetup = MakeAction(cmd::kCommSetup, "rbHome", "rbCommSetup");
    commSetup->setIcon(window->style()->standardIcon(QStyle::SP_ComputerIcon));
    auto* connectAction = MakeAction(cmd::kCommConnect, "rbHome", "rbCommConnect");
    auto* disconnectAction = MakeAction(cmd::kCommDisconnect, "rbHome", "rbCommDisconnect", false);
    auto* send = MakeAction(cmd::kCommSend, "rbHome", "rbCommSend", false);
    auto* setup = MakeAction(cmd::kCtrlSetup, "rbHome", "rbCtrlSetup", false);
    auto* images = MakeAction(cmd::kCtrlUserImage, "rbHome", "rbCtrlUserImage");
    commSetup->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F5));
    connectAction->setShortcut(QKeySequence(Qt::Key_F5));
    disconnectAction->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F5));
    send->setShortcut(QKeySequence(Qt::Key_F6));
    setup->setShortcut(QKeySequence(Qt::Key_F7));
    images->setShortcut(QKeySequence(Qt::Key_F8));
    for (QAction* a : {commSetup, connectAction, disconnectAction, send, setup, images}) {
        a->setShortcutContext(Qt::WindowShortcut);
        window->addAction(a);
    }

    connect(commSetup, &QAction::triggered, this, [this] {
        if (m_connected || m_busy)
            return;
        if (m_packet.SerialSetup(0))
            m_packet.SaveSettings();
    });
    connect(connectAction, &QAction::triggered, this, &CBoardActions::OnConnect);
    connect(disconnectAction, &QAction::triggered, this, &CBoardActions::OnDisconnect);
    connect(send, &QAction::triggered, this, &CBoardActions::OnSend);
    connect(setup, &QAction::triggered, this, &CBoardActions::OnModuleState);
    connect(images, &QAction::triggered, this, &CBoardActions::OnUserImages);

    BoardUiHooks hooks;
    hooks.askRetry = [this](const QString& caption, const QString& text) {
        return m_prompts.askRetry && m_prompts.askRetry(caption, text);
    };
    hooks.askYesNo = [this](const QString& caption, const QString& text) {
        return m_prompts.askYesNo && m_prompts.askYesNo(caption, text);
    };
    hooks.message = [this](lumivo::MessageIcon icon, const QString& caption, const QString& text) {
        Message(icon, caption, text);
    };
    hooks.editModuleState = [this](lumivo::CModuleStateModel& model) { return EditModuleState(model); };
    hooks.mayReplaceAds = [this] { return !saveModified || saveModified(); };
    hooks.showWait = [this](bool shown) { ShowWait(shown); };
    hooks.bringToFront = [this] {
        if (m_window) {
            m_window->raise();
            m_window->activateWindow();
        }
    };
    // Settings written with another board size: the project is offered the
    // new size once the exchange has ended.
    hooks.resizePreview = [this](int columns, int rows) { m_writtenSize = std::make_pair(columns, rows); };
    m_ui = std::make_unique<CWindowBoardUi>(this, std::move(hooks));
    m_progress = std::make_unique<CGuiProgressOwner>(window);
    m_progress->SetCancelHandler([this] { CancelExchange(); });
    // Escape reaches the exchange from the window too: the progress window
    // does not take the keyboard.
    m_cancel = new QAction(lumivo::BoardQText("CancelExchange", "Cancel the exchange with the board"), this);
    m_cancel->setShortcut(QKeySequence(Qt::Key_Escape));
    m_cancel->setShortcutContext(Qt::WindowShortcut);
    m_cancel->setEnabled(false);
    window->addAction(m_cancel);
    connect(m_cancel, &QAction::triggered, this, &CBoardActions::CancelExchange);
    connect(&m_doc, &CLumivoDoc::boardChanged, this, &CBoardActions::UpdateSendBlock);
    m_worker = new CBoardWorker(m_packet, *m_ui, m_progress.get(), &m_trace);
    m_worker->doneContext = this;
    m_worker->done = [this](const BoardOutcome& outcome) { Finished(outcome); };
    m_worker->moveToThread(&m_thread);
    m_thread.setObjectName(QStringLiteral("board link"));
    m_thread.start();

    // A device pulled out while the link is idle closes the port by itself.
    m_watch->setInterval(kWatchMs);
    connect(m_watch, &QTimer::timeout, this, [this] {
        if (m_connected && !m_busy && !m_packet.IsOpen())
            OnDeviceLost();
    });
    UpdateEnabling();
    UpdateLinkText();
}

CBoardActions::~CBoardActions()
{
    m_watch->stop();
    m_ui->CancelAll();
    m_packet.CancelExchange();
    m_thread.quit();
    // A question the worker waits for is answered (Cancel) by the events
    // handled here; an exchange in progress ends at once.
    while (!m_thread.wait(10))
        QCoreApplication::processEvents();
    // Program end: leave update mode without waiting for the controller.
    m_worker->Session().End();
    delete m_worker;
    m_worker = nullptr;
    RestoreChosenPort();
    m_simulator->Stop();
}

void CBoardActions::SetTraceFile(const QString& path)
{
    m_trace.Close();
    if (!path.isEmpty())
        m_trace.Open(path.toStdString());
}

void CBoardActions::Message(lumivo::MessageIcon icon, const QString& caption, const QString& text)
{
    m_prompts.Show(IconOf(icon), caption, text);
}

void CBoardActions::UpdateEnabling()
{
    using namespace lumivo;
    const bool idle = !m_busy;
    Action(cmd::kCommSetup)->setEnabled(idle && !m_connected);
    Action(cmd::kCommConnect)->setEnabled(idle && !m_connected);
    Action(cmd::kCommDisconnect)->setEnabled(idle && m_connected);
    Action(cmd::kCommSend)->setEnabled(idle && m_connected && m_sendBlocked.isEmpty());
    Action(cmd::kCommSend)->setStatusTip(m_sendBlocked);
    Action(cmd::kCommSend)->setToolTip(m_sendBlocked);
    Action(cmd::kCtrlSetup)->setEnabled(idle && m_connected);
    Action(cmd::kCtrlUserImage)->setEnabled(idle);
}

void CBoardActions::SetConnected(bool connected)
{
    const bool changed = connected != m_connected;
    m_connected = connected;
    if (connected)
        m_watch->start();
    else
        m_watch->stop();
    // Unconnected, live dates and times follow the content library again.
    if (!connected)
        m_doc.SetBoardLanguage(0);
    if (!connected) {
        m_linkBoard.reset();
        m_sendBlocked.clear();
    }
    UpdateEnabling();
    UpdateLinkText();
    if (changed)
        emit connectionChanged(connected);
}

void CBoardActions::OnDeviceLost()
{
    const std::string text = lumivo::DeviceLostText(m_linkDevice.toStdString());
    m_trace.Trace("Link: " + text);
    m_lostDevice = m_linkDevice;
    SetConnected(false);
    Message(lumivo::MessageIcon::Stop, CPrompts::Caption(), QString::fromStdString(text));
}

void CBoardActions::SetBusy(bool busy)
{
    if (m_busy == busy)
        return;
    m_busy = busy;
    m_cancel->setEnabled(busy);
    UpdateEnabling();
    emit busyChanged(busy);
}

void CBoardActions::CancelExchange()
{
    if (!m_busy)
        return;
    // The worker sees it within a write slice or a wait step and ends the
    // exchange with the closing command.
    m_packet.CancelExchange();
}

namespace {

QString LanguageName(uint8_t language)
{
    return language == 'A' ? lumivo::BoardQText("LangKorean", "Korean")
                           : lumivo::BoardQText("LangLatinChinese", "Latin and Chinese");
}

} // namespace

void CBoardActions::UpdateLinkText()
{
    QString text;
    if (!m_connected && !m_lostDevice.isEmpty())
        text = lumivo::BoardQText("LinkLost", "Not connected: the serial device %s went away",
                                  {m_lostDevice.toStdString()});
    else if (!m_connected)
        text = lumivo::BoardQText("LinkNone", "Not connected");
    else if (m_linkSimulated)
        text = lumivo::BoardQText("LinkSimulated", "Connected to the simulated board");
    else {
        const lumivo::BoardFromModule b = lumivo::BoardValuesOf(m_moduleInfo);
        text = lumivo::BoardQText("LinkDevice", "Connected to %s \u2014 %s \u00d7 %s, %s",
                                  {m_linkDevice.toStdString(), std::to_string(b.moduleRow),
                                   std::to_string(b.moduleColumn), LanguageName(b.language).toStdString()});
    }
    if (text == m_linkText)
        return;
    m_linkText = text;
    emit linkTextChanged(text);
}

void CBoardActions::OfferAdapt(const lumivo::BoardValues& board)
{
    const lumivo::BoardValues project = m_doc.Core().Board();
    if (board == project) {
        m_linkBoard.reset();
        UpdateSendBlock();
        return;
    }
    m_linkBoard = board;
    const QString question = lumivo::BoardQText(
        "AdaptQuestion",
        "The board is %s \u00d7 %s modules, %s; the project is %s \u00d7 %s, %s. Adapt the project to the board?",
        {std::to_string(board.moduleRow), std::to_string(board.moduleColumn),
         LanguageName(board.language).toStdString(), std::to_string(project.moduleRow),
         std::to_string(project.moduleColumn), LanguageName(project.language).toStdString()});
    if (m_prompts.askYesNo && m_prompts.askYesNo(QStringLiteral("Lumivo"), question)) {
        m_doc.UndoStack()->push(new CAdaptBoardCommand(
            m_doc, board, lumivo::BoardQText("UndoAdaptBoard", "Adapt the project to the board")));
    }
    UpdateSendBlock();
}

void CBoardActions::UpdateSendBlock()
{
    QString reason;
    if (m_connected && m_linkBoard && !(*m_linkBoard == m_doc.Core().Board())) {
        const lumivo::BoardValues& b = *m_linkBoard;
        const lumivo::BoardValues p = m_doc.Core().Board();
        reason = lumivo::BoardQText(
            "SendBlockedBoard",
            "Send is off: the project is %s \u00d7 %s, %s, the board %s \u00d7 %s, %s. Adapt the project to the "
            "board (connect again), or open a project made for it.",
            {std::to_string(p.moduleRow), std::to_string(p.moduleColumn), LanguageName(p.language).toStdString(),
             std::to_string(b.moduleRow), std::to_string(b.moduleColumn), LanguageName(b.language).toStdString()});
    }
    if (reason == m_sendBlocked)
        return;
    m_sendBlocked = reason;
    UpdateEnabling();
}

QStringList CBoardActions::UnfilledAds() const
{
    QStringList unfilled;
    const lumivo::CProjectCore& core = m_doc.Core();
    for (unsigned page = 0; page < core.PageCount(); ++page) {
        const std::vector<CLumivo> items = core.PageItems(page);
        if (!items.empty() && !lumivo::CPageLayout(core.Board().moduleRow, items).CheckFilled())
            unfilled.append(QString::number(page + 1));
    }
    return unfilled;
}

void CBoardActions::Start(BoardJob job, std::vector<BYTE> adBlob, std::vector<BYTE> imageBlob)
{
    // A Cancel given to an earlier exchange is spent.
    m_packet.ResetCancel();
    m_writtenSize.reset();
    SetBusy(true);
    QMetaObject::invokeMethod(
        m_worker, [w = m_worker, job, a = std::move(adBlob), i = std::move(imageBlob)]() mutable {
            w->Run(job, std::move(a), std::move(i));
        },
        Qt::QueuedConnection);
}

void CBoardActions::Finished(const BoardOutcome& out)
{
    SetBusy(false);
    ShowWait(false);
    if (out.job == BoardJob::Connect) {
        m_linkDevice = QString::fromStdString(m_packet.GetDeviceName());
        RestoreChosenPort();
        m_moduleInfo = out.moduleInfo;
        m_settings = out.settings;
    }
    SetConnected(out.connected);
    // A connection that was given up leaves the project as it was.
    if (out.job == BoardJob::Connect && out.result == BoardResult::Ok)
        ApplyReadBack(out.readBack);
    if (out.job == BoardJob::ModuleState && m_writtenSize && out.connected) {
        lumivo::BoardFromModule b = lumivo::BoardValuesOf(m_moduleInfo);
        m_moduleInfo.byModuleCols = BYTE(m_writtenSize->first);
        m_moduleInfo.byModuleRows = BYTE(m_writtenSize->second);
        b.moduleColumn = m_moduleInfo.byModuleCols;
        b.moduleRow = m_moduleInfo.byModuleRows;
        UpdateLinkText();
        OfferAdapt({b.moduleRow, b.moduleColumn, b.language, b.lumivoRow, b.lumivoColumn});
    }
    m_writtenSize.reset();
    if (out.connected && out.job == BoardJob::Connect && out.readBack.contentLanguage)
        m_doc.SetBoardLanguage(*out.readBack.contentLanguage);
    for (const lumivo::Message& m : out.notes.messages())
        Message(lumivo::MessageIcon::Warning, CPrompts::Caption(), QString::fromStdString(m.text));
    if (out.result == BoardResult::Failed && !out.messageShown && !out.error.empty())
        Message(lumivo::MessageIcon::Stop, CPrompts::Caption(), QString::fromStdString(out.error));
    // A port that did not open: the port choice is offered at once.
    if (out.job == BoardJob::Connect && out.openError != 0 && m_prompts.askYesNo &&
        m_prompts.askYesNo(CPrompts::Caption(),
                           lumivo::BoardQText("ChoosePort", "Choose another serial port now?")) &&
        m_packet.SerialSetup(1))
        m_packet.SaveSettings();
    emit jobFinished(int(out.job), int(out.result));
}

void CBoardActions::ApplyReadBack(const lumivo::BoardReadBack& r)
{
    std::optional<lumivo::BoardValues> board;
    if (r.board)
        board = lumivo::BoardValues{r.board->moduleRow, r.board->moduleColumn, r.board->language, r.board->lumivoRow,
                                    r.board->lumivoColumn};
    if (!r.pages && !r.userImages) {
        // The project changes only when the user says so.
        if (board)
            OfferAdapt(*board);
        return;
    }
    // The Ads and user images read back are one step, with the board they
    // were made for: one undo gives the project back as it was.
    m_doc.UndoStack()->beginMacro(lumivo::BoardQText("UndoReadBack", "Read the Ads from the board"));
    if (board && !(*board == m_doc.Core().Board()))
        m_doc.UndoStack()->push(new CAdaptBoardCommand(m_doc, *board, QString()));
    if (r.pages)
        m_doc.ReplaceAdList(*r.pages);
    // A recipe stays only with the very pixels it drew: the board may hold
    // other pictures in those slots now.
    if (r.userImages)
        m_doc.ReplaceUserImages(*r.userImages, QString(), lumivo::RecipesStillDrawn(m_doc.Core(), *r.userImages));
    m_doc.UndoStack()->endMacro();
    if (board)
        OfferAdapt(*board); // the board is the project's now: Send is on
}

bool CBoardActions::PrepareSimulatedPort()
{
    const serio::SerialSettings chosen = m_packet.GetSettings();
    const char* env = std::getenv(serio::kSerialDeviceEnv);
    if (chosen.strDevice != CSimulatedBoard::kDevice || (env && *env))
        return true;
    QString error;
    const QString device = m_simulator->Start(CSimulatedBoard::Stored(m_doc.Core().Board()), &error);
    if (device.isEmpty()) {
        Message(lumivo::MessageIcon::Stop, CPrompts::Caption(), error);
        return false;
    }
    // The packet opens the simulator's terminal; the choice stays "simulated".
    serio::SerialSettings s = chosen;
    s.strDevice = device.toStdString();
    m_chosenDevice = chosen.strDevice;
    m_usingSimulator = true;
    m_packet.SetSettings(s);
    return true;
}

void CBoardActions::RestoreChosenPort()
{
    if (!m_usingSimulator)
        return;
    serio::SerialSettings s = m_packet.GetSettings();
    s.strDevice = m_chosenDevice;
    m_packet.SetSettings(s);
    m_usingSimulator = false;
}

void CBoardActions::OnConnect()
{
    if (m_busy || m_connected)
        return;
    if (!PrepareSimulatedPort())
        return;
    m_lostDevice.clear(); // shown until the next try to connect
    UpdateLinkText();
    m_linkSimulated = m_usingSimulator;
    m_worker->Session().SetSimulated(m_usingSimulator); // the worker is idle: no exchange reads it now
    Start(BoardJob::Connect);
}

void CBoardActions::OnDisconnect()
{
    if (m_busy || !m_connected)
        return;
    Start(BoardJob::Disconnect);
}

void CBoardActions::OnSend()
{
    if (m_busy || !m_connected)
        return;
    // A blob of no Ads would wipe the board's Ads: refuse it.
    if (m_doc.Core().ItemCount() == 0) {
        Message(lumivo::MessageIcon::Warning, CPrompts::Caption(),
                lumivo::BoardQText("SendEmpty", "The project has no Ads to send. Add an Ad first."));
        return;
    }
    if (!m_sendBlocked.isEmpty()) {
        Message(lumivo::MessageIcon::Warning, QStringLiteral("Lumivo"), m_sendBlocked);
        return;
    }
    // The board would show such pages with a band left dark.
    if (const QStringList unfilled = UnfilledAds(); !unfilled.isEmpty()) {
        Message(lumivo::MessageIcon::Warning, QStringLiteral("Lumivo"),
                lumivo::BoardQText("SendUnfilled",
                                   "Not sent: Ads %s do not fill the board (%s lines). Fill them in the Ad editor, "
                                   "then send again.",
                                   {unfilled.join(QStringLiteral(", ")).toStdString(),
                                    std::to_string(m_doc.Core().Board().moduleRow)}));
        return;
    }
    // An item of a removed picture would show another one, or none.
    if (const lumivo::Result r = lumivo::CheckBeforeSend(m_doc.Core()); !r) {
        Message(lumivo::MessageIcon::Warning, QStringLiteral("Lumivo"), QString::fromStdString(r.FirstError()));
        return;
    }
    std::vector<BYTE> blob;
    if (!m_doc.PackAdBlob(blob))
        return;
    Start(BoardJob::Send, std::move(blob));
}

void CBoardActions::OnModuleState()
{
    if (m_busy || !m_connected)
        return;
    Start(BoardJob::ModuleState);
}

void CBoardActions::OnUserImages()
{
    if (m_busy)
        return;
    CUserImageDlg dlg(m_doc.Core(), m_window);
    dlg.SetSendEnabled(m_connected);
    if (dlg.exec() != QDialog::Accepted)
        return;
    const std::vector<CRGX<8192>> images = dlg.Images();
    if (!dlg.SameAs(m_doc.Core().UserImages()) &&
        !m_doc.RearrangeUserImages(images, dlg.Origins(),
                                   lumivo::BoardQText("UndoUserImages", "Change the user images")))
        return;
    if (!dlg.SendRequested() || !m_connected || m_busy)
        return;
    std::vector<BYTE> blob;
    if (!m_doc.PackUserImages(blob))
        return;
    Start(BoardJob::UserImages, {}, std::move(blob));
}

bool CBoardActions::EditModuleState(lumivo::CModuleStateModel& model)
{
    CBoardWorker* worker = m_worker;
    // The dialog's Read and Write run on a thread of their own while the
    // worker waits for the dialog, so the session still has one user.
    CModuleStateDlg dlg(
        model, [worker](lumivo::CModuleStateModel& m) {
            return worker->Session().ReadSettings(m) == BoardResult::Ok;
        },
        [worker](lumivo::CModuleStateModel& m) { return worker->Session().WriteSettings(m) == BoardResult::Ok; },
        m_window);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    model = dlg.Model();
    return true;
}

void CBoardActions::ShowWait(bool shown)
{
    if (!shown) {
        if (m_wait)
            m_wait->deleteLater();
        m_wait = nullptr;
        return;
    }
    if (m_wait)
        return;
    auto* wait = new QDialog(m_window, Qt::Tool | Qt::FramelessWindowHint);
    wait->setObjectName(QStringLiteral("WaitWindow"));
    auto* column = new QVBoxLayout(wait);
    column->addWidget(new QLabel(lumivo::BoardQText("Wait", "Talking to the board, please wait...")));
    auto* bar = new QProgressBar;
    bar->setRange(0, 0); // moving without an end
    column->addWidget(bar);
    wait->setModal(false);
    wait->setAttribute(Qt::WA_ShowWithoutActivating);
    wait->show();
    m_wait = wait;
}
