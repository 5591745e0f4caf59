// SPDX-License-Identifier: GPL-2.0-or-later
// The window never loses the user's work and always shows its state: New
// and its Cancel, the first save, failed and refused saves, the preview of
// an empty project, the status area, a file handed over by a second start,
// and recovery after the program was killed. Driven by keyboard where the
// user would use it.
#include "gui_test_util.h"

#include "app/autosave.h"
#include "app/single_instance.h"
#include "ui/empty_list_hint.h"
#include "ui/lumivo_view.h"
#include "ui/lumivo_viewer.h"
#include "ui/qt_text.h"
#include "ui/status_area.h"
#include "app/project_places.h"
#include "core/atomic_file.h"

#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTimer>
#include <QUndoStack>

#include <csignal>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value) : m_name(name), m_had(qEnvironmentVariableIsSet(name))
    {
        m_old = qgetenv(name);
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Pixels of the preview's board that are not dark.
int LitPixels(CLumivoViewer* viewer)
{
    const QImage shot = viewer->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const qreal ratio = shot.devicePixelRatio();
    const QRect r = viewer->BoardRect().intersected(viewer->rect());
    int lit = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            lit += qGray(shot.pixel(int(x * ratio), int(y * ratio))) > 40;
    return lit;
}

} // namespace

// A home of the test's own, so the Documents folder is one it may remove;
// the new-project dialog runs for real and the test answers it by keyboard.
class DocumentWindow : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        m_home = std::make_unique<ScopedEnv>("HOME", QFile::encodeName(Path(QStringLiteral("home"))));
        m_config = std::make_unique<ScopedEnv>("XDG_CONFIG_HOME", QFile::encodeName(Path(QStringLiteral("cfg"))));
        QDir().mkpath(Path(QStringLiteral("home")));
    }
    void TearDown() override
    {
        AppTest::TearDown();
        m_config.reset();
        m_home.reset();
    }

    // File New runs the real dialog; onDialog answers it.
    void UseRealNewProjectDialog()
    {
        App().Prompts().newProject = [this](unsigned sequence, NewProjectResult& r) {
            CNewProjectDlg dlg(sequence, App().MainFrame());
            dlg.refuse = [this](const QString& text) { refusals.append(text); };
            ++dialogs;
            QTimer::singleShot(0, &dlg, [this, &dlg] {
                if (onDialog)
                    onDialog(dlg);
            });
            if (dlg.exec() != QDialog::Accepted)
                return false;
            r = dlg.Result();
            return true;
        };
    }

    // A key to the window, which gets the focus back from a closed dialog first.
    void Key(CMainFrame* frame, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
        QTest::keyClick(frame, key, mods);
    }

    QString Documents() const { return Path(QStringLiteral("home/Documents")); }

    int dialogs = 0;
    QStringList refusals;
    std::function<void(CNewProjectDlg&)> onDialog;

private:
    std::unique_ptr<ScopedEnv> m_home;
    std::unique_ptr<ScopedEnv> m_config;
};

TEST_F(DocumentWindow, NewKeepsTheProjectUntilOkAndAsksAfterAStartOnAFile)
{
    // A project to start on, as a double-click or `make run` does.
    const QString file = Path(QStringLiteral("start.qvndoc"));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(App().Document()->AppendPage({TextItem(u"Kept")}));
    savePath = file;
    ASSERT_TRUE(App().OnFileSaveAs());
    App().ExitInstance();

    options.files = {file};
    CMainFrame* frame = StartActiveWindow();
    ASSERT_NE(frame, nullptr);
    CLumivoDoc* doc = App().Document();
    UseRealNewProjectDialog();
    onDialog = [](CNewProjectDlg& dlg) { QTest::keyClick(&dlg, Qt::Key_Escape); };
    Key(frame, Qt::Key_N, Qt::ControlModifier);
    // The dialog came although this start opened a file; Cancel kept all.
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(doc->PathName(), file);
    EXPECT_EQ(doc->Core().ItemCount(), 1u);
    EXPECT_EQ(frame->View()->RowCount(), 1);
    EXPECT_FALSE(doc->IsModified());

    // The proposal is the folder last used; Return takes it.
    onDialog = [this](CNewProjectDlg& dlg) {
        EXPECT_EQ(QDir(dlg.FolderEdit()->text()), QDir(Path(QString())));
        QTest::keyClick(&dlg, Qt::Key_Return);
    };
    Key(frame, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(dialogs, 2);
    EXPECT_EQ(doc->Core().ItemCount(), 0u);
    EXPECT_EQ(QFileInfo(doc->PathName()).fileName(), QStringLiteral("Lumivo1.qvndoc"));
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Lumivo1[*] \u2014 Lumivo"));
}

TEST_F(DocumentWindow, TheFirstSaveGoesToTheDocumentsFolderMadeForIt)
{
    ASSERT_FALSE(QFileInfo::exists(Documents()));
    CMainFrame* frame = StartActiveWindow();
    ASSERT_NE(frame, nullptr);
    UseRealNewProjectDialog();
    onDialog = [this](CNewProjectDlg& dlg) {
        EXPECT_EQ(QDir(dlg.FolderEdit()->text()), QDir(Documents()));
        // An empty name is refused and the dialog stays.
        dlg.NameEdit()->setFocus();
        dlg.NameEdit()->selectAll();
        QTest::keyClick(dlg.NameEdit(), Qt::Key_Delete);
        QTest::keyClick(dlg.NameEdit(), Qt::Key_Return);
        EXPECT_EQ(refusals, QStringList({QStringLiteral("Enter a name for the project.")}));
        EXPECT_TRUE(dlg.isVisible());
        QTest::keyClicks(dlg.NameEdit(), QStringLiteral("shop"));
        QTest::keyClick(dlg.NameEdit(), Qt::Key_Return);
    };
    Key(frame, Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(dialogs, 1);
    ASSERT_TRUE(App().Document()->AppendPage({TextItem(u"Sale")}));
    messages.clear(); // the test's board has no content library, which is said

    Key(frame, Qt::Key_S, Qt::ControlModifier);
    const QString file = Documents() + QStringLiteral("/shop.qvndoc");
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_TRUE(QFileInfo(file).isFile());
    EXPECT_TRUE(saveProposals.isEmpty()); // no Save As was needed
    EXPECT_FALSE(App().Document()->IsModified());
    EXPECT_EQ(StoredSettings().value("Settings/Project Path").toString(), Documents());
}

TEST_F(DocumentWindow, AFailedOrRefusedSaveSaysWhyAndOffersSaveAsAtAWritablePlace)
{
    CMainFrame* frame = StartActiveWindow();
    ASSERT_NE(frame, nullptr);
    CLumivoDoc* doc = App().Document();
    ASSERT_TRUE(frame->ApplyLanguage(LanguageCommand(u"Korean")));
    // The project's folder is a file: the save cannot happen there.
    QFile blocker(Path(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    doc->SetProject(blocker.fileName(), QStringLiteral("shop"));
    ASSERT_TRUE(doc->AppendPage({TextItem(u"Sale")}));

    const QString moved = Path(QStringLiteral("elsewhere/shop.qvndoc"));
    QDir().mkpath(QFileInfo(moved).absolutePath());
    savePaths = {moved};
    messages.clear();
    Key(frame, Qt::Key_S, Qt::ControlModifier);
    // Said in the interface language, naming the file; Save As came next.
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(blocker.fileName() + QStringLiteral("/shop.qvndoc")));
    EXPECT_TRUE(messages[0].contains(QString::fromUtf8("저장하지 못했습니다"))) << messages[0].toStdString();
    ASSERT_EQ(saveProposals.size(), 1);
    EXPECT_TRUE(lumivo::IsWritableFolder(QFileInfo(saveProposals[0]).absolutePath()));
    EXPECT_EQ(QFileInfo(saveProposals[0]).fileName(), QStringLiteral("shop.qvndoc"));
    EXPECT_TRUE(QFileInfo(moved).isFile());
    EXPECT_EQ(doc->PathName(), moved);
    EXPECT_FALSE(doc->IsModified());
    // "Project Path" follows Save As.
    EXPECT_EQ(StoredSettings().value("Settings/Project Path").toString(), QFileInfo(moved).absolutePath());

    // A read-only file is not replaced; Save As proposes another name.
    ASSERT_TRUE(frame->ApplyLanguage(LanguageCommand(u"English")));
    ASSERT_EQ(::chmod(QFile::encodeName(moved).constData(), 0444), 0);
    const QByteArray before = ReadFile(moved);
    ASSERT_TRUE(doc->AppendPage({TextItem(u"More")}));
    messages.clear();
    saveProposals.clear();
    savePath.clear(); // the user cancels Save As
    Key(frame, Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(moved + QStringLiteral(" is read-only, so it was not replaced.")))
        << messages[0].toStdString();
    EXPECT_EQ(ReadFile(moved), before);
    ASSERT_EQ(saveProposals.size(), 1);
    EXPECT_EQ(saveProposals[0], Path(QStringLiteral("elsewhere/shop-2.qvndoc")));
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(DocumentWindow, AnEmptyProjectShowsADarkBoardAndSaysHowToBegin)
{
    options.contentLoader = nullptr; // the program's containers: the Ads really play
    options.showWindow = true;
    options.files = {QString::fromLocal8Bit(qgetenv("LUMIVO_SOURCE_DIR")) + "/examples/welcome.qvndoc"};
    ASSERT_TRUE(Start());
    CMainFrame* frame = App().MainFrame();
    CLumivoDoc* doc = App().Document();
    CLumivoViewer* viewer = frame->Preview()->Viewer();
    auto* hint = frame->View()->viewport()->findChild<CEmptyListHint*>();
    ASSERT_NE(hint, nullptr);
    EXPECT_FALSE(hint->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return LitPixels(viewer) > 0; }, 10000));

    // The last Ad deleted: nothing of it stays on the board.
    while (doc->Core().PageCount() > 0)
        ASSERT_TRUE(doc->DeletePage(0));
    EXPECT_TRUE(QTest::qWaitFor([&] { return LitPixels(viewer) == 0; }, 10000));
    EXPECT_TRUE(hint->isVisible());
    EXPECT_EQ(hint->text(), QStringLiteral("No Ads yet \u2014 press Insert or click Add Ad"));

    // Undone, it plays again; File New then darkens the board too.
    while (doc->UndoStack()->canUndo())
        doc->UndoStack()->undo();
    ASSERT_TRUE(QTest::qWaitFor([&] { return LitPixels(viewer) > 0; }, 10000));
    EXPECT_FALSE(hint->isVisible());
    NewProjectResult r;
    r.folder = Path(QString());
    r.name = QStringLiteral("empty");
    r.language = 'E';
    r.moduleRows = r.contentRows = 1;
    newProject = r;
    App().OnFileNew();
    EXPECT_TRUE(QTest::qWaitFor([&] { return LitPixels(viewer) == 0; }, 10000));
    EXPECT_TRUE(hint->isVisible());
}

TEST_F(DocumentWindow, TheStatusAreaAndTheTitleTellTheState)
{
    CMainFrame* frame = StartActiveWindow();
    ASSERT_NE(frame, nullptr);
    CLumivoDoc* doc = App().Document();
    CStatusArea* status = frame->StatusArea();
    ASSERT_TRUE(status->isVisible());
    doc->SetBoard(2, 8, 'E', 2, 6);
    EXPECT_EQ(status->BoardText(), QStringLiteral("2 \u00d7 8 modules, Latin and Chinese"));
    EXPECT_EQ(status->ItemsText(), QStringLiteral("0 of 50 items"));
    EXPECT_EQ(status->LinkText(), QStringLiteral("Not connected"));
    ASSERT_TRUE(doc->AppendPage({TextItem(u"One"), TextItem(u"Two")}));
    EXPECT_EQ(status->ItemsText(), QStringLiteral("2 of 50 items"));
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Untitled[*] \u2014 Lumivo"));
    EXPECT_TRUE(frame->isWindowModified());

    savePath = Path(QStringLiteral("shop.qvndoc"));
    Key(frame, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(status->SavedText(), QStringLiteral("Saved shop.qvndoc"));
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("shop[*] \u2014 Lumivo"));
    EXPECT_FALSE(frame->isWindowModified());

    status->SetLink(QStringLiteral("Connected to the simulated board"));
    status->SetZoom(QStringLiteral("200 %"));
    EXPECT_EQ(status->LinkText(), QStringLiteral("Connected to the simulated board"));
    EXPECT_EQ(status->ZoomText(), QStringLiteral("200 %"));
    doc->SetBoard(1, 6, 'A', 1, 6);
    ASSERT_TRUE(frame->ApplyLanguage(LanguageCommand(u"Korean")));
    EXPECT_EQ(status->BoardText(), QString::fromUtf8("1 × 6 모듈, 한국어"));
    status->SetLink(QString());
    EXPECT_EQ(status->LinkText(), QString::fromUtf8("연결 안 됨"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return status->SavedText().isEmpty(); }, CStatusArea::kSavedMs + 3000));
}

TEST_F(DocumentWindow, AFileGivenToASecondStartOpensInTheRunningWindow)
{
    // Without XDG_RUNTIME_DIR, and with a folder where the socket used to
    // be: the socket goes to a private folder of ours all the same.
    ScopedEnv runtime("XDG_RUNTIME_DIR", QByteArray());
    const QString squatter = QDir::temp().filePath(options.instanceKey);
    ASSERT_TRUE(QDir().mkpath(squatter));
    const QString file = Path(QStringLiteral("other.qvndoc"));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(App().Document()->AppendPage({TextItem(u"Other")}));
    savePath = file;
    ASSERT_TRUE(App().OnFileSaveAs());
    App().Document()->OnNewDocument();
    ASSERT_TRUE(App().Document()->AppendPage({TextItem(u"Unsaved")}));

    CSingleInstance* first = App().SingleInstance();
    EXPECT_TRUE(first->IsListening());
    struct stat st{};
    ASSERT_EQ(::lstat(QFile::encodeName(CSingleInstance::SocketFolder()).constData(), &st), 0);
    EXPECT_EQ(st.st_uid, ::getuid());
    EXPECT_EQ(st.st_mode & 0077, 0u);

    int asked = 0;
    App().Prompts().askSaveChanges = [&asked](const QString&) {
        ++asked;
        return CPrompts::SaveAnswer::Discard;
    };
    CSingleInstance second(options.instanceKey);
    EXPECT_FALSE(second.Acquire({file}));
    EXPECT_TRUE(WaitFor([&] { return App().Document()->PathName() == file; }, 5000));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(App().Document()->Core().ItemCount(), 1u);
    QDir(squatter).removeRecursively();
}

// The program as the recovery test's child: it starts on the project,
// makes a change, waits for its recovery copy and then to be killed.
TEST_F(AppTest, RecoveryChildWaitsToBeKilled)
{
    const QString dir = qEnvironmentVariable("LUMIVO_RECOVERY_CHILD");
    if (dir.isEmpty())
        GTEST_SKIP() << "run by AppTest.AKilledProgramsUnsavedChangeIsRecovered";
    options.stateDir = dir + QStringLiteral("/state");
    options.settingsFile = dir + QStringLiteral("/child.ini");
    options.files = {dir + QStringLiteral("/shop.qvndoc")};
    ASSERT_TRUE(Start());
    ASSERT_TRUE(App().Document()->AppendPage({TextItem(u"Unsaved")}));
    ASSERT_TRUE(WaitFor([] { return App().Autosave()->Store().HasCopy(); }, 20000));
    std::printf("ready\n");
    std::fflush(stdout);
    QTest::qWait(60000);
}

TEST_F(AppTest, AKilledProgramsUnsavedChangeIsRecovered)
{
    const QString shop = Path(QStringLiteral("shop.qvndoc"));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(App().Document()->AppendPage({TextItem(u"Saved")}));
    savePath = shop;
    ASSERT_TRUE(App().OnFileSaveAs());
    App().ExitInstance();
    {
        QSettings child(Path(QStringLiteral("child.ini")), QSettings::IniFormat);
        child.setValue("Recovery/AutosaveSeconds", 1);
    }

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LUMIVO_RECOVERY_CHILD"), Path(QString()));
    QDir().mkpath(Path(QStringLiteral("tmp")));
    env.insert(QStringLiteral("TMPDIR"), Path(QStringLiteral("tmp")));
    program.setProcessEnvironment(env);
    program.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--gtest_filter=AppTest.RecoveryChildWaitsToBeKilled")});
    ASSERT_TRUE(program.waitForStarted(10000));
    QByteArray out;
    QDeadlineTimer deadline(60000);
    while (!out.contains("ready") && !deadline.hasExpired() && program.state() == QProcess::Running) {
        program.waitForReadyRead(200);
        out += program.readAllStandardOutput();
    }
    ASSERT_TRUE(out.contains("ready")) << out.toStdString();
    ::kill(pid_t(program.processId()), SIGKILL);
    ASSERT_TRUE(program.waitForFinished(10000));

    // Later keeps the copy for the next start and changes nothing now.
    options.stateDir = Path(QStringLiteral("state"));
    recoverAnswer = CPrompts::RecoverAnswer::Later;
    ASSERT_TRUE(Start());
    ASSERT_EQ(recoverQuestions.size(), 1);
    EXPECT_EQ(recoverQuestions[0].first, QStringLiteral("shop.qvndoc"));
    EXPECT_LE(qAbs(recoverQuestions[0].second.secsTo(QDateTime::currentDateTime())), 120);
    EXPECT_EQ(App().Document()->Core().ItemCount(), 0u);
    App().ExitInstance();

    recoverAnswer = CPrompts::RecoverAnswer::Recover;
    ASSERT_TRUE(Start());
    ASSERT_EQ(recoverQuestions.size(), 2);
    CLumivoDoc* doc = App().Document();
    ASSERT_EQ(doc->Core().PageCount(), 2u);
    EXPECT_TRUE(lumivo::FromU16(doc->Core().Entries()[1].title).contains(QStringLiteral("Unsaved")));
    EXPECT_EQ(doc->PathName(), shop);
    EXPECT_TRUE(doc->IsModified());
    // Saved, nothing is left to recover.
    ASSERT_TRUE(App().OnFileSave());
    EXPECT_TRUE(App().Autosave()->Store().Others().empty());
    EXPECT_FALSE(App().Autosave()->Store().HasCopy());
}

// The main window and the new-project dialog in each language, at the
// scale the run was started with (QT_SCALE_FACTOR).
TEST_F(AppTest, ScreenshotsOfTheWindowAndTheNewProjectDialog)
{
    const QString out = qEnvironmentVariable("LUMIVO_SCREENSHOT_DIR");
    if (out.isEmpty())
        GTEST_SKIP() << "LUMIVO_SCREENSHOT_DIR names no folder";
    QDir().mkpath(out);
    options.contentLoader = nullptr;
    options.showWindow = true;
    options.files = {QString::fromLocal8Bit(qgetenv("LUMIVO_SOURCE_DIR")) + "/examples/welcome.qvndoc"};
    ASSERT_TRUE(Start());
    CMainFrame* frame = App().MainFrame();
    frame->resize(1000, 640);
    const QString scale = QStringLiteral("x%1").arg(qRound(frame->devicePixelRatioF()));
    for (const auto& [name, language] : {std::pair{"english", u"English"}, std::pair{"korean", u"Korean"},
                                         std::pair{"chinese", u"Chinese"}}) {
        ASSERT_TRUE(frame->ApplyLanguage(LanguageCommand(language)));
        QTest::qWait(300); // a few frames of the preview
        EXPECT_TRUE(frame->grab().save(QStringLiteral("%1/main-window-%2-%3.png").arg(out, QLatin1String(name), scale)));
        CNewProjectDlg dlg(1, frame);
        dlg.show();
        QCoreApplication::processEvents();
        EXPECT_TRUE(dlg.grab().save(QStringLiteral("%1/new-project-%2-%3.png").arg(out, QLatin1String(name), scale)));
    }
}
