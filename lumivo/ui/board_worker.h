// SPDX-License-Identifier: GPL-2.0-or-later
// The board session on a thread of its own. The window hands it one job at a
// time with the blobs it needs (packed on the GUI thread) and gets the outcome
// back as a value on the GUI thread; the session never touches the project.
// Its questions reach the user through CWindowBoardUi, which asks them on the
// GUI thread and waits there for the answer: the worker waits for the GUI,
// never the other way round.
#pragma once

#include "core/board_session.h"
#include "core/board_stage.h"
#include "core/trace_log.h"

#include <serio/packet.h>

#include <QObject>
#include <QPointer>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

class CPacketOwnerWidget;
class QWidget;

enum class BoardJob { Connect, Send, Disconnect, ModuleState, UserImages };

// What one job brought back.
struct BoardOutcome {
    BoardJob job = BoardJob::Connect;
    lumivo::BoardResult result = lumivo::BoardResult::Failed;
    std::string error;              // the session's last error, in words
    bool connected = false;         // the port is open after the job
    bool messageShown = false;      // a box already told the user about it
    long openError = 0;             // connect: why the port did not open (0: it did)
    serio::ModuleInfo moduleInfo{};
    serio::ControllerSettings settings{};
    lumivo::BoardReadBack readBack; // for the project (connect)
    lumivo::Result notes;           // blobs refused on the way
};

// What the board's questions and chores do on the GUI thread.
struct BoardUiHooks {
    std::function<bool(const QString& caption, const QString& text)> askRetry;
    std::function<bool(const QString& caption, const QString& text)> askYesNo;
    std::function<void(lumivo::MessageIcon, const QString& caption, const QString& text)> message;
    std::function<bool(lumivo::CModuleStateModel& model)> editModuleState;
    std::function<bool()> mayReplaceAds;
    std::function<void(bool shown)> showWait;
    std::function<void()> bringToFront;
    std::function<void(int columns, int rows)> resizePreview;
};

// The session's user, called on the worker thread; every call runs its hook
// on the GUI thread (the questions wait there for their answer). Drawing
// locks and clearing the preview do nothing: the window keeps painting and
// the preview keeps playing during an exchange.
class CWindowBoardUi final : public lumivo::IBoardUi {
public:
    CWindowBoardUi(QObject* guiContext, BoardUiHooks hooks) : m_gui(guiContext), m_hooks(std::move(hooks)) {}

    bool AskRetry(const std::string& text, const std::string& caption) override;
    bool AskYesNo(const std::string& text, const std::string& caption) override;
    void ShowMessage(const std::string& text, const std::string& caption, lumivo::MessageIcon icon) override;
    bool EditModuleState(lumivo::CModuleStateModel& model) override;
    bool MayReplaceAds() override;
    void ShowWait(bool shown) override;
    void BringToFront() override;
    void ResizePreview(int moduleColumns, int moduleRows) override;

    // From now on every question is answered Cancel / No without asking
    // (the program is ending).
    void CancelAll() { m_cancelled = true; }
    // Whether a message box was shown since the last call.
    bool TakeMessageShown() { return m_messageShown.exchange(false); }

private:
    // Runs fn on the GUI thread and waits for it (at once when called there).
    void OnGui(const std::function<void()>& fn);
    void LaterOnGui(std::function<void()> fn);

    QPointer<QObject> m_gui;
    BoardUiHooks m_hooks;
    std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_messageShown{false};
};

// Progress windows for a packet used on the worker thread: made on the GUI
// thread over the owner window.
class CGuiProgressOwner final : public serio::IPacketOwner {
public:
    explicit CGuiProgressOwner(QWidget* owner);
    ~CGuiProgressOwner() override;
    std::unique_ptr<serio::ISerialProgress> CreateProgressWindow(const char* title, DWORD dwTotal) override;
    // The windows' Cancel (GUI thread).
    void SetCancelHandler(std::function<void()> onCancel);

private:
    QPointer<QWidget> m_owner;
    std::unique_ptr<CPacketOwnerWidget> m_widgets;
};

class CBoardWorker final : public QObject {
    Q_OBJECT
public:
    // The packet, the user and the progress owner outlive the worker.
    CBoardWorker(CPacket& packet, CWindowBoardUi& ui, serio::IPacketOwner* progressOwner, lumivo::CTraceLog* trace);
    ~CBoardWorker() override;

    // Runs on the worker thread; done gets the outcome on the GUI thread.
    void Run(BoardJob job, std::vector<BYTE> adBlob, std::vector<BYTE> imageBlob);
    std::function<void(const BoardOutcome&)> done;
    QObject* doneContext = nullptr;

    // For the settings dialog's own Read and Write, run while the worker
    // waits for the dialog (so the session has one user at a time).
    lumivo::CBoardSession& Session() { return m_session; }

private:
    CWindowBoardUi& m_ui;
    lumivo::CBoardSession m_session;
};
