// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/lumivo_app.h"

#include "app/commands.h"
#include "app/autosave.h"
#include "core/atomic_file.h"
#include "lumivo_doc.h"
#include "app/project_places.h"
#include "app/single_instance.h"
#include "ui/about_dlg.h"
#include "ui/board_setup_ui.h"
#include "ui/main_frame.h"
#include "ui/new_project_dlg.h"
#include "ui/qt_text.h"
#include "ui/tr_format.h"

#include <serio/widgets/serial_dialogs.h>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <cerrno>
#include <cstring>

#include <sched.h>

// The icon lives in a static library; its resources register by hand.
static void InitResources() { Q_INIT_RESOURCE(lumivo); }

namespace {
constexpr const char* kRecentSection = "Recent File List";
constexpr const char* kUpdateSection = "Update";
} // namespace

CLumivoApp* CLumivoApp::Instance() { return qobject_cast<CLumivoApp*>(QCoreApplication::instance()); }

CLumivoApp::CLumivoApp(int& argc, char** argv) : QApplication(argc, argv)
{
    InitResources();
    setOrganizationName(QStringLiteral("Tessel"));
    setApplicationName(Title());
    setApplicationVersion(QLatin1String(kVersion));
    setWindowIcon(QIcon(QStringLiteral(":/lumivo/lumivo.svg")));
    quitForUpdate = [] { QCoreApplication::exit(0); };
}

CLumivoApp::~CLumivoApp()
{
    if (m_initialised)
        ExitInstance();
}

bool CLumivoApp::RaisePriority()
{
    // The desktop gives the real-time class to whoever asks; here it takes
    // privileges most users lack, so a refusal is expected and not an error.
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_RR);
    if (sched_setscheduler(0, SCHED_RR, &param) == 0)
        return true;
    Trace(QStringLiteral("real-time priority not granted (%1); normal priority kept")
              .arg(QString::fromLocal8Bit(std::strerror(errno))));
    return false;
}

bool CLumivoApp::InitInstance(const AppOptions& options)
{
    m_steps.clear();
    m_newProjectCounter = 0;
    // One instance per user: a second start raises the first and ends.
    m_instance = std::make_unique<CSingleInstance>(
        options.instanceKey.isEmpty() ? CSingleInstance::KeyForTitle(Title()) : options.instanceKey);
    QStringList files;
    for (const QString& file : options.files)
        if (!file.startsWith(QLatin1Char('-')))
            files.append(QFileInfo(file).absoluteFilePath());
    if (!m_instance->Acquire(files)) {
        Step(QStringLiteral("instance: another one runs"));
        m_instance.reset();
        return false;
    }
    Step(QStringLiteral("instance"));

    // The trace opens before anything that may want to write to it.
    m_traceFile = options.traceFile;
    m_trace = std::fopen(QFile::encodeName(options.traceFile).constData(), "a+");
    Step(QStringLiteral("trace"));
    Trace(QStringLiteral("%1 v%2 start").arg(Title(), QLatin1String(kVersion)));

    if (options.tryRealtime)
        m_realtime = RaisePriority();
    Step(QStringLiteral("priority"));

    m_profile = options.settingsFile.isEmpty() ? std::make_unique<CQtProfile>()
                                               : std::make_unique<CQtProfile>(options.settingsFile);
    common::SetAppProfile(m_profile.get());
    Step(QStringLiteral("settings"));

    if (options.interactive)
        m_prompts = CPrompts::Interactive([this]() -> QWidget* { return m_frame.get(); });

    // The document template: one document, its frame and its view.
    m_doc = std::make_unique<CLumivoDoc>(m_prompts, options.contentLoader ? options.contentLoader
                                                                           : lumivo::DefaultContentLoader());
    m_frame = std::make_unique<CMainFrame>(*this, *m_doc);
    m_serialUi = std::make_unique<CBoardSetupUi>(m_frame.get(), [this] { return m_doc->Core().Board(); });
    serio::SetSerialSetupUi(m_serialUi.get());
    connect(m_instance.get(), &CSingleInstance::raiseRequested, m_frame.get(), [this] { RaiseFrame(); });
    // A project opened by a second start: in this window, with the save
    // question, once the socket's handler has returned.
    connect(m_instance.get(), &CSingleInstance::openRequested, m_frame.get(), [this](const QString& path) {
        RaiseFrame();
        QTimer::singleShot(0, this, [this, path] { OpenDocumentFile(path); });
    });
    Step(QStringLiteral("template"));

    // The command line: a project file to open, else File New.
    bool opened = false;
    for (const QString& file : options.files)
        if (!file.startsWith(QLatin1Char('-'))) {
            opened = OpenDocumentFile(file);
            break;
        }
    if (!opened)
        NewEmptyProject();
    Step(QStringLiteral("document"));

    if (options.showWindow) {
        m_frame->show();
        Step(QStringLiteral("show"));
    }
    // Recovery copies: a session of our own, the period from the settings.
    const QString state = options.stateDir.isEmpty() ? QString::fromStdString(lumivo::DefaultRecoveryFolder().string())
                                                     : options.stateDir;
    const QString session = QStringLiteral("%1-%2").arg(QCoreApplication::applicationPid())
                                .arg(QDateTime::currentMSecsSinceEpoch());
    const int seconds = qBound(0, common::AppProfile().GetProfileInt("Recovery", "AutosaveSeconds", 120), 86400);
    m_autosave = std::make_unique<CAutosave>(
        *m_doc, lumivo::CRecoveryStore(QFile::encodeName(state).toStdString(), session.toStdString()), seconds * 1000);
    m_autosave->OfferRecovery(m_prompts);
    m_initialised = true;
    StartUpdateCheck();
    return true;
}

int CLumivoApp::ExitInstance()
{
    if (!m_initialised && !m_instance)
        return 0;
    m_initialised = false;
    CloseUpdateSocket();
    Step(QStringLiteral("exit: update socket"));
    if (m_trace) {
        Trace(QStringLiteral("%1 end").arg(Title()));
        std::fclose(m_trace);
        m_trace = nullptr;
    }
    Step(QStringLiteral("exit: trace"));
    serio::SetSerialSetupUi(nullptr);
    m_serialUi.reset();
    Step(QStringLiteral("exit: libraries"));
    // A clean end: no recovery copy is left behind.
    m_autosave.reset();
    // The frame before the document it shows; the document writes the
    // board settings back as it goes, so the profile goes last.
    m_frame.reset();
    m_doc.reset();
    if (m_profile) {
        m_profile->Sync();
        common::SetAppProfile(nullptr);
        m_profile.reset();
    }
    m_instance.reset();
    Step(QStringLiteral("exit: base"));
    return 0;
}

void CLumivoApp::RaiseFrame()
{
    if (m_frame->isMinimized())
        m_frame->showNormal();
    m_frame->show();
    m_frame->raise();
    m_frame->activateWindow();
}

void CLumivoApp::Trace(const QString& text)
{
    if (!m_trace)
        return;
    const QDateTime t = QDateTime::currentDateTimeUtc();
    const QDate d = t.date();
    const QTime h = t.time();
    std::fprintf(m_trace, "%04d-%02d-%02d %02d:%02d:%02d %s\n", d.year(), d.month(), d.day(), h.hour(), h.minute(),
                 h.second(), text.toUtf8().constData());
    std::fflush(m_trace);
}

bool CLumivoApp::SaveModified()
{
    if (!m_doc || !m_doc->IsModified())
        return true;
    const auto answer = m_prompts.askSaveChanges ? m_prompts.askSaveChanges(m_doc->Title())
                                                 : CPrompts::SaveAnswer::Discard;
    switch (answer) {
    case CPrompts::SaveAnswer::Save:
        return OnFileSave();
    case CPrompts::SaveAnswer::Discard:
        return true;
    case CPrompts::SaveAnswer::Cancel:
        break;
    }
    return false;
}

void CLumivoApp::OnFileNew()
{
    if (!m_doc || !SaveModified())
        return;
    // The open project stays until the dialog's OK: Cancel changes nothing.
    NewProjectResult r;
    // The proposed "Lumivo<n>" counts from 1.
    if (!m_prompts.newProject || !m_prompts.newProject(m_newProjectCounter + 1, r))
        return;
    m_doc->OnNewDocument();
    if (m_frame)
        m_frame->ShowDocument(m_doc.get());
    m_doc->SetBoard(r.moduleRows, r.moduleColumns, r.language, r.contentRows, r.contentColumns);
    m_doc->SetProject(r.folder, r.name);
    ++m_newProjectCounter;
}

void CLumivoApp::NewEmptyProject()
{
    m_doc->OnNewDocument();
    if (m_frame)
        m_frame->ShowDocument(m_doc.get());
}

void CLumivoApp::OnFileOpen()
{
    if (!m_prompts.openFileName)
        return;
    const QString folder = m_doc && !m_doc->PathName().isEmpty() ? QFileInfo(m_doc->PathName()).absolutePath()
                                                                 : QDir::currentPath();
    const QString path = m_prompts.openFileName(folder);
    if (!path.isEmpty())
        OpenDocumentFile(path);
}

bool CLumivoApp::OpenDocumentFile(const QString& path)
{
    if (!m_doc || !SaveModified())
        return false;
    if (!m_doc->OnOpenDocument(path))
        return false;
    AddToRecentFileList(QFileInfo(path).absoluteFilePath());
    Trace(QStringLiteral("open %1").arg(path));
    return true;
}

void CLumivoApp::OpenRecentFile(const QString& path)
{
    if (!QFileInfo::exists(path)) {
        // A file that went away leaves the list, as it cannot be opened again.
        RemoveFromRecentFileList(path);
        if (m_prompts.message)
            m_prompts.message(CPrompts::Icon::Warning, lumivo::TrFormat("Program", "RecentMissing", {path}));
        return;
    }
    OpenDocumentFile(path);
}

bool CLumivoApp::OnFileSave()
{
    if (!m_doc)
        return false;
    const QString path = m_doc->PathName();
    if (path.isEmpty())
        return OnFileSaveAs();
    if (m_doc->OnSaveDocument(path)) {
        AddToRecentFileList(QFileInfo(path).absoluteFilePath());
        return true;
    }
    // The reason has been said; the changes are still to be kept somewhere.
    return SaveAs(SaveAsProposal(path));
}

bool CLumivoApp::OnFileSaveAs()
{
    if (!m_doc)
        return false;
    const QString path = m_doc->PathName();
    return SaveAs(path.isEmpty() ? QDir(lumivo::WritableFolder(lumivo::ProposedFolder()))
                                       .filePath(m_doc->Title() + QStringLiteral(".qvndoc"))
                                 : SaveAsProposal(path));
}

QString CLumivoApp::SaveAsProposal(const QString& path)
{
    const QFileInfo file(path);
    QString name = file.fileName();
    // A read-only file keeps its name; the proposal must not be it again.
    if (lumivo::IsReadOnlyFile(path.toStdString()))
        name = file.completeBaseName() + QStringLiteral("-2.qvndoc");
    return QDir(lumivo::WritableFolder(file.absolutePath())).filePath(name);
}

bool CLumivoApp::SaveAs(QString proposed)
{
    if (!m_prompts.saveFileName)
        return false;
    // Until the project is saved or the user gives up: every failure is
    // said and the next question starts at a place that can be written.
    for (;;) {
        QString path = m_prompts.saveFileName(proposed);
        if (path.isEmpty())
            return false;
        if (!path.endsWith(QLatin1String(".qvndoc"), Qt::CaseInsensitive))
            path += QStringLiteral(".qvndoc");
        if (m_doc->OnSaveDocument(path)) {
            AddToRecentFileList(QFileInfo(path).absoluteFilePath());
            return true;
        }
        proposed = SaveAsProposal(path);
    }
}

void CLumivoApp::OnAppAbout()
{
    CAboutDlg dlg(m_frame.get());
    dlg.exec();
}

QStringList CLumivoApp::RecentFiles() const
{
    QStringList files;
    const common::IProfile& p = common::AppProfile();
    for (int i = 1; i <= lumivo::cmd::kRecentFiles; ++i) {
        const std::string key = "File" + std::to_string(i);
        const QString f = QString::fromStdString(p.GetProfileString(kRecentSection, key, ""));
        if (!f.isEmpty())
            files.append(f);
    }
    return files;
}

namespace {

void StoreRecent(const QStringList& files)
{
    common::IProfile& p = common::AppProfile();
    for (int i = 1; i <= lumivo::cmd::kRecentFiles; ++i) {
        const std::string key = "File" + std::to_string(i);
        p.WriteProfileString(kRecentSection, key, i <= files.size() ? files[i - 1].toStdString() : std::string());
    }
}

} // namespace

void CLumivoApp::AddToRecentFileList(const QString& path)
{
    QStringList files = RecentFiles();
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > lumivo::cmd::kRecentFiles)
        files.removeLast();
    StoreRecent(files);
    if (m_frame)
        m_frame->RebuildRecentMenu();
}

void CLumivoApp::RemoveFromRecentFileList(const QString& path)
{
    QStringList files = RecentFiles();
    files.removeAll(path);
    StoreRecent(files);
    if (m_frame)
        m_frame->RebuildRecentMenu();
}

bool CLumivoApp::StartUpdateCheck()
{
    const common::IProfile& p = common::AppProfile();
    const QString server = QString::fromStdString(p.GetProfileString(kUpdateSection, "Server", "")).trimmed();
    const int port = p.GetProfileInt(kUpdateSection, "Port", 0);
    if (server.isEmpty() || port <= 0 || port > 65535)
        return false;
    CloseUpdateSocket();
    m_updateSocket = new QTcpSocket(this);
    // Until connected, an error ends the attempt. Once connected the exchange
    // handles what goes wrong itself (its waits report time-outs as errors).
    auto failed = connect(m_updateSocket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
        if (!m_updateSocket)
            return;
        Trace(QStringLiteral("update server: %1").arg(m_updateSocket->errorString()));
        CloseUpdateSocket();
    });
    connect(m_updateSocket, &QTcpSocket::connected, this, [this, failed] {
        disconnect(failed);
        OnUpdateConnected();
    });
    m_updateSocket->connectToHost(server, quint16(port));
    return true;
}

void CLumivoApp::CloseUpdateSocket()
{
    if (!m_updateSocket)
        return;
    QTcpSocket* s = m_updateSocket;
    m_updateSocket = nullptr;
    s->disconnect(this);
    s->abort();
    s->deleteLater();
}

lumivo::UpdateResult CLumivoApp::OnUpdateConnected()
{
    lumivo::UpdateResult result;
    if (!m_updateSocket)
        return result;
    const int waitMs = qBound(0, common::AppProfile().GetProfileInt(kUpdateSection, "AttemptWaitMs", 10), 1000);
    bool quitting = false;
    QMetaObject::Connection quitWatch =
        connect(this, &QCoreApplication::aboutToQuit, this, [&quitting] { quitting = true; });
    {
        lumivo::CUpdateExchange exchange(*m_updateSocket, m_crc, Title(), QLatin1String(kVersion), waitMs, [&] {
            QCoreApplication::processEvents();
            return !quitting && m_updateSocket;
        });
        result = exchange.Run();
    }
    disconnect(quitWatch);
    CloseUpdateSocket();
    Trace(QStringLiteral("update exchange: %1 frame(s), %2 invalid%3")
              .arg(result.framesReceived)
              .arg(result.invalidFrames)
              .arg(result.newVersion.isEmpty() ? QString()
                                               : QStringLiteral(", version %1 offered")
                                                     .arg(QString::fromUtf8(result.newVersion))));
    emit updateExchangeDone(result);
    if (!quitting)
        OfferUpdate(result);
    return result;
}

bool CLumivoApp::OfferUpdate(const lumivo::UpdateResult& result)
{
    if (result.downloadAddress.isEmpty())
        return false;
    // The server names the file that is downloaded and opened: only https
    // addresses are taken (certificates checked), the user sees the address
    // before saying yes, and only a file that arrived whole is opened.
    const QString address = QString::fromUtf8(result.downloadAddress).trimmed();
    QString fileName;
    switch (lumivo::CheckUpdateAddress(address, &fileName)) {
    case lumivo::UpdateAddress::Accepted:
        break;
    case lumivo::UpdateAddress::PlainHttp:
        Trace(QStringLiteral("update address refused: plain http, which anyone on the way could alter: %1")
                  .arg(address));
        if (m_prompts.message)
            m_prompts.message(CPrompts::Icon::Warning,
                              lumivo::Tr("Error", "ErrUpdateHttp") + QStringLiteral("\n\n") + address);
        return false;
    case lumivo::UpdateAddress::Refused:
        Trace(QStringLiteral("update address refused: %1").arg(address));
        return false;
    }
    const QString question =
        lumivo::TrFormat("Program", "UpdateQuestion", {QString::fromUtf8(result.newVersion), address});
    if (!m_prompts.askYesNo || !m_prompts.askYesNo(Title(), question))
        return false;
    // A folder of our own, so nobody can place a file under the name first.
    QTemporaryDir dir(QDir::temp().filePath(QStringLiteral("lumivo-update-XXXXXX")));
    if (!dir.isValid())
        return false;
    dir.setAutoRemove(false);
    const QString path = dir.filePath(fileName);
    if (!m_prompts.download || !m_prompts.download(address, path) || !QFileInfo(path).isFile()) {
        Trace(QStringLiteral("update download did not complete: %1").arg(address));
        return false;
    }
    if (!m_prompts.openFile || !m_prompts.openFile(path))
        return false;
    Trace(QStringLiteral("update opened: %1").arg(path));
    if (quitForUpdate)
        quitForUpdate();
    return true;
}
