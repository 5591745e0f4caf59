// SPDX-License-Identifier: GPL-2.0-or-later
// CBoardActions: the commands of the Communications and Controller panels
// (port set-up, connect, disconnect, send, controller settings, user images)
// and their enabling. The exchanges run on the board worker's thread; the
// window stays alive meanwhile. Only this class, on the GUI thread, applies
// what an exchange brought back to the project.
#pragma once

#include "ui/board_worker.h"
#include "ui/command_group.h"

#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class CLumivoDoc;
class CPacket;
class CSimulatedBoard;
class QTimer;
class QWidget;
struct CPrompts;

class CBoardActions : public CCommandGroup {
    Q_OBJECT
public:
    CBoardActions(CPacket& packet, CLumivoDoc& doc, CPrompts& prompts, QWidget* window);
    // Stops the worker (questions still open are answered Cancel), then
    // leaves update mode without waiting, as the program's end does.
    ~CBoardActions() override;

    // Where the session's steps are traced (the program's trace file).
    void SetTraceFile(const QString& path);
    // Asks to save unsaved changes before Ads read back replace them; false
    // when the user cancelled. Empty: the changes are replaced (undoably).
    std::function<bool()> saveModified;

    bool IsConnected() const { return m_connected; }
    // An exchange is running on the worker.
    bool IsBusy() const { return m_busy; }
    // What the controller reported at the last connection.
    const serio::ModuleInfo& ModuleInfo() const { return m_moduleInfo; }
    const serio::ControllerSettings& Settings() const { return m_settings; }
    CSimulatedBoard& SimulatedBoard() const { return *m_simulator; }
    // "Not connected", "Connected to /dev/ttyUSB0 — 2 × 8, Korean" or
    // "Connected to the simulated board", as linkTextChanged last said.
    QString LinkText() const { return m_linkText; }
    // Why Send is off while connected (empty: it is not).
    QString SendBlockedReason() const { return m_sendBlocked; }
    // Ends the running exchange at once (the board leaves update mode, the
    // port closes, the project stays as it was); nothing when idle.
    void CancelExchange();

    void OnConnect();
    void OnDisconnect();
    void OnSend();
    void OnModuleState();
    void OnUserImages();

signals:
    // After every job, with its outcome (tests and the status bar follow it).
    void jobFinished(int job, int result);
    void connectionChanged(bool connected);
    void linkTextChanged(const QString& text);
    // An exchange started or ended (the window keeps Open and New off meanwhile).
    void busyChanged(bool busy);

private:
    void Start(BoardJob job, std::vector<BYTE> adBlob = {}, std::vector<BYTE> imageBlob = {});
    void Finished(const BoardOutcome& outcome);
    void ApplyReadBack(const lumivo::BoardReadBack& readBack);
    void SetConnected(bool connected);
    // The port closed by itself while idle: the device went away.
    void OnDeviceLost();
    void SetBusy(bool busy);
    void UpdateLinkText();
    // The board the link reported differs from the project's: asks whether
    // to adapt the project (one undo step) or keep it and leave Send off.
    void OfferAdapt(const lumivo::BoardValues& board);
    void UpdateSendBlock();
    // The Ads of the project that do not fill its board, 1-based.
    QStringList UnfilledAds() const;
    void UpdateEnabling();
    // Points the packet at the simulator when that is the chosen port;
    // false (with the reason shown) when it cannot start.
    bool PrepareSimulatedPort();
    void RestoreChosenPort();
    void ShowWait(bool shown);
    bool EditModuleState(lumivo::CModuleStateModel& model);
    void Message(lumivo::MessageIcon icon, const QString& caption, const QString& text);

    CPacket& m_packet;
    CLumivoDoc& m_doc;
    CPrompts& m_prompts;
    QPointer<QWidget> m_window;
    std::unique_ptr<CWindowBoardUi> m_ui;
    std::unique_ptr<CGuiProgressOwner> m_progress;
    lumivo::CTraceLog m_trace;
    QThread m_thread;
    CBoardWorker* m_worker = nullptr; // lives on m_thread
    CSimulatedBoard* m_simulator;
    QTimer* m_watch;
    QPointer<QWidget> m_wait;
    std::string m_chosenDevice; // the settings' device while the simulator's is used
    bool m_usingSimulator = false;
    bool m_linkSimulated = false;        // the connection is to the simulator
    QString m_linkDevice;                // the device of the connection
    QString m_lostDevice;                // the device that went away, until the next connect
    QString m_linkText;
    QString m_sendBlocked;
    std::optional<lumivo::BoardValues> m_linkBoard; // the connected board, when it differs from the project
    std::optional<std::pair<int, int>> m_writtenSize; // columns, rows of settings written
    QAction* m_cancel = nullptr;
    bool m_connected = false;
    bool m_busy = false;
    serio::ModuleInfo m_moduleInfo{};
    serio::ControllerSettings m_settings{};
};
