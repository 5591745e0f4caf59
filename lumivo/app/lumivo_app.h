// SPDX-License-Identifier: GPL-2.0-or-later
// CLumivoApp: the application object. Start-up and shut-down in a fixed
// order, one running instance per user, the trace log, the settings, the one
// document with its frame and view, the File commands, recent files and the
// update exchange.
#pragma once

#include "app/app_profile.h"
#include "core/crc8.h"
#include "app/prompts.h"
#include "app/update_exchange.h"
#include "ui/frame_host.h"

#include <QApplication>
#include <QPointer>
#include <QStringList>
#include <QTcpSocket>

#include <cstdio>
#include <functional>
#include <memory>

#include "core/project.h"

class CAutosave;
class CLumivoDoc;
class CMainFrame;
class CSingleInstance;
namespace serio {
class ISerialSetupUi;
}

struct AppOptions {
    QString instanceKey;                 // empty: the title and the user
    QString traceFile = QStringLiteral("trace.log");
    QString settingsFile;                // empty: the user's QSettings file
    bool tryRealtime = true;
    bool showWindow = true;
    bool interactive = true;             // false: the caller sets Prompts() first
    lumivo::ContentLoader contentLoader; // empty: the program's containers
    QStringList files;                   // from the command line
    QString stateDir;                    // recovery copies; empty: $XDG_STATE_HOME/lumivo
};

class CLumivoApp : public QApplication, public IFrameHost {
    Q_OBJECT
public:
    static constexpr const char* kVersion = LUMIVO_VERSION; // the project's version (CMake)
    static QString Title() { return QStringLiteral("lumivo"); }
    static CLumivoApp* Instance();

    CLumivoApp(int& argc, char** argv);
    ~CLumivoApp() override;

    bool InitInstance(const AppOptions& options = {});
    int ExitInstance();

    // One line "YYYY-MM-DD hh:mm:ss text" (UTC) when the trace is open.
    void Trace(const QString& text);
    bool IsTraceOpen() const { return m_trace != nullptr; }
    // The trace file's path (empty before start-up).
    const QString& TraceFile() const override { return m_traceFile; }

    CPrompts& Prompts() override { return m_prompts; }
    CLumivoDoc* Document() const { return m_doc.get(); }
    CMainFrame* MainFrame() const { return m_frame.get(); }
    CSingleInstance* SingleInstance() const { return m_instance.get(); }
    CAutosave* Autosave() const { return m_autosave.get(); }
    const lumivo::CCrc8& Crc() const { return m_crc; }
    // What start-up and shut-down did, in order.
    const QStringList& Steps() const { return m_steps; }
    unsigned NewProjectCounter() const { return m_newProjectCounter; }
    bool RealtimePriority() const { return m_realtime; }

    // File commands. New asks for the new project's board and place; the
    // open project stays until that dialog's OK.
    void OnFileNew() override;
    void OnFileOpen() override;
    bool OpenDocumentFile(const QString& path) override;
    void OpenRecentFile(const QString& path) override;
    // A failed save says why and goes on to Save As at a writable place.
    bool OnFileSave() override;
    bool OnFileSaveAs() override;
    void OnAppAbout() override;
    // Asks to save a modified document; false when the user cancelled.
    bool SaveModified() override;

    QStringList RecentFiles() const override;
    void AddToRecentFileList(const QString& path);
    void RemoveFromRecentFileList(const QString& path);

    // The update exchange. The server is the "Update" settings "Server" and
    // "Port"; an empty server means no exchange.
    bool StartUpdateCheck();
    // Runs the exchange on the connected update socket (and closes it), then
    // offers what it found.
    lumivo::UpdateResult OnUpdateConnected();
    // Asks about a new version and, confirmed, downloads and opens it.
    // Returns true when the downloaded file was opened.
    bool OfferUpdate(const lumivo::UpdateResult& result);
    QTcpSocket* UpdateSocket() const { return m_updateSocket; }
    // Ends the program after an update was opened (tests replace it).
    std::function<void()> quitForUpdate;

signals:
    void updateExchangeDone(const lumivo::UpdateResult& result);

private:
    void Step(const QString& text) { m_steps.append(text); }
    // The project a start without a file begins with: empty, on the stored board.
    void NewEmptyProject();
    // Asks for a name until the project is saved there; false when cancelled.
    bool SaveAs(QString proposed);
    // Where Save As proposes to put the project after a save to path failed.
    static QString SaveAsProposal(const QString& path);
    bool RaisePriority();
    void CloseUpdateSocket();
    void RaiseFrame();

    lumivo::CCrc8 m_crc; // built with the application object
    CPrompts m_prompts;
    std::unique_ptr<CQtProfile> m_profile;
    std::unique_ptr<CSingleInstance> m_instance;
    std::unique_ptr<serio::ISerialSetupUi> m_serialUi;
    std::unique_ptr<CLumivoDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<CAutosave> m_autosave;
    QPointer<QTcpSocket> m_updateSocket;
    std::FILE* m_trace = nullptr;
    QString m_traceFile;
    QStringList m_steps;
    unsigned m_newProjectCounter = 0;
    bool m_realtime = false;
    bool m_initialised = false;
};
