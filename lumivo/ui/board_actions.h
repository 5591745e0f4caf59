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
    // Resizes the preview to a board of columns × rows modules.
    std::function<void(int columns, int rows)> resizePreview;

    bool IsConnected() const { return m_connected; }
    // An exchange is running on the worker.
    bool IsBusy() const { return m_busy; }
    // What the controller reported at the last connection.
    const serio::ModuleInfo& ModuleInfo() const { return m_moduleInfo; }
    const serio::ControllerSettings& Settings() const { return m_settings; }
    CSimulatedBoard& SimulatedBoard() const { return *m_simulator; }

    void OnConnect();
    void OnDisconnect();
    void OnSend();
    void OnModuleState();
    void OnUserImages();

signals:
    // After every job, with its outcome (tests and the status bar follow it).
    void jobFinished(int job, int result);
    void connectionChanged(bool connected);

private:
    void Start(BoardJob job, std::vector<BYTE> adBlob = {}, std::vector<BYTE> imageBlob = {});
    void Finished(const BoardOutcome& outcome);
    void ApplyReadBack(const lumivo::BoardReadBack& readBack);
    void SetConnected(bool connected);
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
    bool m_connected = false;
    bool m_busy = false;
    serio::ModuleInfo m_moduleInfo{};
    serio::ControllerSettings m_settings{};
};
