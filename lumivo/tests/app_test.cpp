// SPDX-License-Identifier: GPL-2.0-or-later
#include "gui_test_util.h"

#include "app/commands.h"
#include "core/item_builder.h"
#include "app/single_instance.h"
#include "ui/about_dlg.h"
#include "ui/lumivo_view.h"
#include "ui/lumivo_viewer.h"
#include "ui/qt_text.h"
#include "ui/ribbon_bar.h"
#include "ui/visual_styles.h"

#include <common/globalization.h>

#include <QAction>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QMimeData>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QUrl>

namespace {

QStringList ReadLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

TEST_F(AppTest, StartsAndEndsInOrder)
{
    options.showWindow = true;
    ASSERT_TRUE(Start());
    EXPECT_EQ(App().Steps(),
              QStringList({"instance", "trace", "priority", "settings", "template", "document", "show"}));
    ASSERT_NE(App().Document(), nullptr);
    ASSERT_NE(App().MainFrame(), nullptr);
    EXPECT_TRUE(App().MainFrame()->isVisible());
    EXPECT_EQ(App().MainFrame()->windowTitle(), QStringLiteral("Untitled[*] \u2014 Lumivo"));
    // No container for the stored board: the document says so and still works.
    EXPECT_TRUE(messages.contains(QStringLiteral("Select Resource Not Find!!!!")));
    // The first File New gave the empty project without asking.
    EXPECT_TRUE(newProjectCalls.isEmpty());
    EXPECT_EQ(App().Document()->Core().ItemCount(), 0u);

    App().Trace(QStringLiteral("hello"));
    App().ExitInstance();
    EXPECT_EQ(App().Steps().mid(7), QStringList({"exit: update socket", "exit: trace", "exit: libraries",
                                                 "exit: base"}));
    EXPECT_EQ(App().Document(), nullptr);
    EXPECT_EQ(App().MainFrame(), nullptr);
    EXPECT_FALSE(App().IsTraceOpen());

    const QStringList lines = ReadLines(options.traceFile);
    ASSERT_GE(lines.size(), 3);
    const QRegularExpression format(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d .+$"));
    for (const QString& line : lines)
        EXPECT_TRUE(format.match(line).hasMatch()) << line.toStdString();
    EXPECT_TRUE(lines.front().endsWith(QStringLiteral("lumivo v3.0.249.4099 start")));
    EXPECT_TRUE(lines.contains(lines[lines.size() - 2]) && lines[lines.size() - 2].endsWith(" hello"));
    EXPECT_TRUE(lines.back().endsWith(QStringLiteral(" lumivo end")));
    // A trace line after the end is dropped, not written to a closed file.
    App().Trace(QStringLiteral("late"));
    EXPECT_EQ(ReadLines(options.traceFile).size(), lines.size());
}

TEST_F(AppTest, SecondStartRaisesTheFirstAndEnds)
{
    options.showWindow = true;
    ASSERT_TRUE(Start());
    CMainFrame* frame = App().MainFrame();
    frame->showMinimized();
    QSignalSpy raised(App().SingleInstance(), &CSingleInstance::raiseRequested);

    CSingleInstance second(options.instanceKey);
    EXPECT_FALSE(second.Acquire());
    ASSERT_TRUE(raised.wait(3000));
    EXPECT_FALSE(frame->isMinimized());
    EXPECT_TRUE(frame->isVisible());

    // Another key is another program: it starts.
    CSingleInstance other(options.instanceKey + QStringLiteral("-other"));
    EXPECT_TRUE(other.Acquire());
    EXPECT_TRUE(other.IsPrimary());
}

TEST_F(AppTest, StartRefusedWhileAnotherInstanceRuns)
{
    CSingleInstance first(options.instanceKey);
    ASSERT_TRUE(first.Acquire());
    QSignalSpy raised(&first, &CSingleInstance::raiseRequested);
    EXPECT_FALSE(App().InitInstance(options));
    EXPECT_EQ(App().Steps(), QStringList({"instance: another one runs"}));
    EXPECT_EQ(App().Document(), nullptr);
    EXPECT_FALSE(QFile::exists(options.traceFile));
    EXPECT_TRUE(raised.wait(3000));
}

TEST_F(AppTest, SettingsPersistAcrossStarts)
{
    ASSERT_TRUE(Start());
    CMainFrame* frame = App().MainFrame();
    const int korean = LanguageCommand(u"Korean");
    ASSERT_GE(korean, lumivo::cmd::kFirstLanguage);
    frame->ApplyLook(218);
    ASSERT_TRUE(frame->ApplyLanguage(korean));
    frame->Action(lumivo::cmd::kViewLedDots)->setChecked(true);
    for (int i = 0; i < 9; ++i)
        App().AddToRecentFileList(Path(QStringLiteral("p%1.qvndoc").arg(i)));
    App().AddToRecentFileList(Path(QStringLiteral("p3.qvndoc"))); // moves to the front
    messages.clear();
    // No container in the tests: the board is kept all the same.
    EXPECT_EQ(App().Document()->SetBoard(3, 10, 'E', 2, 4), 0);
    EXPECT_TRUE(messages.contains(QStringLiteral("Select Resource Not Find!!!!")));
    App().ExitInstance();

    QSettings s = StoredSettings();
    EXPECT_EQ(s.value("Workspace/ApplicationLook").toInt(), 218);
    EXPECT_EQ(s.value("Workspace/UI Language").toInt(), korean);
    EXPECT_EQ(s.value("Workspace/PreviewLedDots").toInt(), 1);
    EXPECT_EQ(s.value("Settings/Module Row").toInt(), 3);
    EXPECT_EQ(s.value("Settings/Module Column").toInt(), 10);
    EXPECT_EQ(s.value("Settings/Lumivo Column").toInt(), 3);

    ASSERT_TRUE(Start());
    frame = App().MainFrame();
    EXPECT_EQ(frame->LookCommand(), 218);
    EXPECT_EQ(frame->LanguageCommand(), korean);
    EXPECT_EQ(qApp->styleSheet(), lumivo::StyleSheet(218));
    EXPECT_TRUE(frame->Preview()->Viewer()->LedDots());
    EXPECT_EQ(frame->Preview()->Viewer()->ModuleColumns(), 10u);
    EXPECT_EQ(frame->Preview()->Viewer()->ModuleRows(), 3u);
    const QStringList recent = App().RecentFiles();
    ASSERT_EQ(recent.size(), 8);
    EXPECT_EQ(recent.front(), Path("p3.qvndoc"));
    EXPECT_EQ(recent[1], Path("p8.qvndoc"));
    EXPECT_FALSE(recent.contains(Path("p0.qvndoc")));
    EXPECT_EQ(recent.back(), Path("p1.qvndoc"));
}

TEST_F(AppTest, LanguageSwitchRelabelsTheRibbon)
{
    options.showWindow = true;
    ASSERT_TRUE(Start());
    CMainFrame* frame = App().MainFrame();
    // The window fits the test's small screen on its first start; the
    // ribbon's texts are checked at the usual window width.
    frame->resize(1000, 640);
    QCoreApplication::processEvents(); // laid out once in the start-up language
    const int english = LanguageCommand(u"English");
    const int korean = LanguageCommand(u"Korean");
    const int chinese = LanguageCommand(u"Chinese");
    ASSERT_TRUE(english >= 0 && korean >= 0 && chinese >= 0);

    // The menu lists every language as 200 + its place in the list.
    const QList<QAction*> items = frame->LanguageMenu()->actions();
    ASSERT_EQ(items.size(), int(CGlobalization::GetLanguageCount()));
    for (int i = 0; i < items.size(); ++i)
        EXPECT_EQ(items[i]->data().toInt(), 200 + i);

    CRibbonBar* ribbon = frame->Ribbon();
    auto buttonsFit = [ribbon] {
        QCoreApplication::processEvents();
        bool fit = true;
        for (CRibbonPanel* p : ribbon->Panels(0))
            for (QToolButton* b : p->Buttons())
                if (b->width() < b->sizeHint().width()) {
                    ADD_FAILURE() << "cut short: " << b->text().toStdString();
                    fit = false;
                }
        return fit;
    };
    // Longer texts widen their buttons instead of being cut short.
    ASSERT_TRUE(frame->ApplyLanguage(korean));
    EXPECT_TRUE(buttonsFit());
    auto panelTitles = [ribbon] {
        QStringList t;
        for (CRibbonPanel* p : ribbon->Panels(0))
            t.append(p->Title());
        return t;
    };
    ASSERT_TRUE(frame->ApplyLanguage(english));
    EXPECT_EQ(ribbon->CategoryName(0), QStringLiteral("Home"));
    EXPECT_EQ(panelTitles(), QStringList({"File", "Ads", "Communications", "Controller", "View"}));
    EXPECT_EQ(frame->Action(lumivo::cmd::kFileOpen)->text(), QStringLiteral("Open"));
    EXPECT_EQ(frame->Action(lumivo::cmd::kFileOpen)->toolTip(),
              QStringLiteral("Open an existing project file (%1)")
                  .arg(QKeySequence(QKeySequence::Open).toString(QKeySequence::NativeText)));
    EXPECT_EQ(frame->Action(lumivo::cmd::kAdvtDelete)->toolTip(),
              QStringLiteral("Delete the selected Ad page with all its items (Del)"));
    EXPECT_EQ(frame->Preview()->windowTitle(), QStringLiteral("Preview"));

    ASSERT_TRUE(frame->ApplyLanguage(korean));
    EXPECT_EQ(ribbon->CategoryName(0), QString::fromUtf8("홈"));
    EXPECT_EQ(frame->Action(lumivo::cmd::kViewPreview)->text(), QString::fromUtf8("미리보기"));
    EXPECT_EQ(frame->Preview()->windowTitle(), QString::fromUtf8("미리보기"));
    EXPECT_TRUE(frame->LanguageMenu()->actions()[korean - 200]->isChecked());
    EXPECT_FALSE(frame->LanguageMenu()->actions()[english - 200]->isChecked());

    // Every command has a text and a tooltip in every language.
    for (int lang : {english, korean, chinese}) {
        ASSERT_TRUE(frame->ApplyLanguage(lang));
        for (int c : {lumivo::cmd::kFileNew, lumivo::cmd::kFileOpen, lumivo::cmd::kFileSave, lumivo::cmd::kFileSaveAs,
                      lumivo::cmd::kAppExit, lumivo::cmd::kAdvtAdd, lumivo::cmd::kAdvtEdit, lumivo::cmd::kAdvtCopy,
                      lumivo::cmd::kAdvtDelete, lumivo::cmd::kAdvtPaste, lumivo::cmd::kEditUndo,
                      lumivo::cmd::kEditRedo, lumivo::cmd::kCommSetup, lumivo::cmd::kCommConnect,
                      lumivo::cmd::kCommDisconnect, lumivo::cmd::kCommSend, lumivo::cmd::kCtrlSetup,
                      lumivo::cmd::kCtrlUserImage, lumivo::cmd::kViewStatusBar, lumivo::cmd::kViewPreview,
                      lumivo::cmd::kViewLedDots, lumivo::cmd::kStyle, lumivo::cmd::kLanguage, lumivo::cmd::kAppAbout}) {
            QAction* a = frame->Action(c);
            ASSERT_NE(a, nullptr) << c;
            EXPECT_FALSE(a->text().isEmpty()) << c << " in " << lang;
            EXPECT_FALSE(a->toolTip().isEmpty()) << c << " in " << lang;
        }
        for (const QString& t : panelTitles())
            EXPECT_FALSE(t.isEmpty());
        EXPECT_TRUE(buttonsFit());
    }
    // Commands whose work comes later are there but cannot be used yet;
    // the board's need a connection.
    for (int c : {lumivo::cmd::kCommSend, lumivo::cmd::kCtrlSetup})
        EXPECT_FALSE(frame->Action(c)->isEnabled()) << c;
    // A number beyond the list changes nothing.
    EXPECT_FALSE(frame->ApplyLanguage(200 + int(CGlobalization::GetLanguageCount())));
    EXPECT_EQ(frame->LanguageCommand(), chinese);
}

TEST_F(AppTest, VisualStylesApplyAndStore)
{
    ASSERT_TRUE(Start());
    CMainFrame* frame = App().MainFrame();
    QSet<QString> sheets;
    for (int c = 215; c <= 219; ++c) {
        frame->Action(c)->trigger();
        EXPECT_EQ(frame->LookCommand(), c);
        EXPECT_EQ(qApp->styleSheet(), lumivo::StyleSheet(c));
        EXPECT_FALSE(lumivo::StyleName(c).isEmpty());
        sheets.insert(qApp->styleSheet());
    }
    EXPECT_EQ(sheets.size(), 5);
    frame->ApplyLook(300); // not a style: the default one
    EXPECT_EQ(frame->LookCommand(), 215);
    App().ExitInstance();
    EXPECT_EQ(StoredSettings().value("Workspace/ApplicationLook").toInt(), 215);
}

TEST_F(AppTest, FileNewAsksFromTheSecondTimeOn)
{
    ASSERT_TRUE(Start());
    CLumivoDoc* doc = App().Document();
    EXPECT_TRUE(newProjectCalls.isEmpty());

    ASSERT_TRUE(doc->AppendPage({TextItem(u"Kept")}));
    App().OnFileNew(); // cancelled: nothing happened
    EXPECT_EQ(newProjectCalls, QList<unsigned>({1})); // the first proposal is "Lumivo1"
    EXPECT_EQ(App().NewProjectCounter(), 0u);
    EXPECT_TRUE(doc->PathName().isEmpty());
    EXPECT_EQ(doc->Core().ItemCount(), 1u);
    EXPECT_TRUE(doc->IsModified());

    NewProjectResult r;
    r.folder = Path(QString());
    r.name = QStringLiteral("Shop");
    r.moduleRows = 2;
    r.moduleColumns = 12;
    r.language = 'A';
    r.contentRows = 2;
    r.contentColumns = 6;
    newProject = r;
    App().OnFileNew();
    EXPECT_EQ(newProjectCalls, QList<unsigned>({1, 1}));
    EXPECT_EQ(App().NewProjectCounter(), 1u);
    EXPECT_EQ(QFileInfo(doc->PathName()).fileName(), QStringLiteral("Shop.qvndoc"));
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(doc->ModuleColumns(), 12u);
    EXPECT_EQ(doc->Core().ItemCount(), 0u);
    EXPECT_EQ(App().MainFrame()->windowTitle(), QStringLiteral("Shop[*] \u2014 Lumivo"));
    EXPECT_TRUE(App().MainFrame()->isWindowModified());
    EXPECT_EQ(App().MainFrame()->Preview()->Viewer()->BoardPixelSize(), QSize(192, 32));
    EXPECT_EQ(QDir::current().canonicalPath(), QDir(Path(QString())).canonicalPath());

    // Modified: a further File New first asks to save; Cancel keeps all.
    saveAnswer = CPrompts::SaveAnswer::Cancel;
    App().OnFileNew();
    EXPECT_EQ(newProjectCalls.size(), 2);
    EXPECT_EQ(QFileInfo(doc->PathName()).fileName(), QStringLiteral("Shop.qvndoc"));
}

TEST_F(AppTest, OpenAndSaveRoundTripThroughTheDocument)
{
    ASSERT_TRUE(Start());
    CLumivoDoc* doc = App().Document();
    ASSERT_TRUE(doc->AppendPage({TextItem(u"Hello"), TextItem(u"World")}));
    ASSERT_TRUE(doc->AppendPage({TextItem(u"Sale")}));
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(App().MainFrame()->View()->RowCount(), 3);

    savePath = Path(QStringLiteral("round")); // the extension is added
    ASSERT_TRUE(App().OnFileSave());
    const QString file = Path(QStringLiteral("round.qvndoc"));
    ASSERT_TRUE(QFile::exists(file));
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(App().RecentFiles().value(0), QFileInfo(file).absoluteFilePath());

    doc->OnNewDocument(); // an empty document
    EXPECT_EQ(doc->Core().ItemCount(), 0u);
    EXPECT_EQ(App().MainFrame()->View()->RowCount(), 0);

    openPath = file;
    App().OnFileOpen();
    ASSERT_EQ(doc->Core().ItemCount(), 3u);
    EXPECT_EQ(doc->Core().PageCount(), 2u);
    EXPECT_EQ(doc->Title(), QStringLiteral("round.qvndoc"));
    EXPECT_FALSE(doc->IsModified());
    CLumivoView* view = App().MainFrame()->View();
    ASSERT_EQ(view->RowCount(), 3);
    EXPECT_EQ(view->RowText(0, CLumivoView::kColPage), QStringLiteral("Ad 01"));
    EXPECT_EQ(view->RowText(2, CLumivoView::kColPage), QStringLiteral("Ad 02"));
    EXPECT_EQ(view->RowText(0, CLumivoView::kColTitle), QString::fromStdU16String(doc->Core().Entries()[0].title));
    EXPECT_FALSE(view->RowText(0, CLumivoView::kColTitle).isEmpty());

    // A file that is not a project is refused and the open one stays.
    QFile bad(Path(QStringLiteral("bad.qvndoc")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray("QVNDOCX", 7) + QByteArray(20, '\0'));
    bad.close();
    messages.clear();
    EXPECT_FALSE(App().OpenDocumentFile(bad.fileName()));
    // Named with the file and the reason.
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(bad.fileName())) << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains(lumivo::Tr("Program", "NotProject"))) << messages[0].toStdString();
    EXPECT_EQ(doc->Core().ItemCount(), 3u);
    EXPECT_EQ(doc->Title(), QStringLiteral("round.qvndoc"));

    // A recent file that went away leaves the list.
    QFile::remove(file);
    App().OpenRecentFile(QFileInfo(file).absoluteFilePath());
    EXPECT_FALSE(App().RecentFiles().contains(QFileInfo(file).absoluteFilePath()));
}

TEST_F(AppTest, DroppedProjectFileOpens)
{
    ASSERT_TRUE(Start());
    CLumivoDoc* doc = App().Document();
    ASSERT_TRUE(doc->AppendPage({TextItem(u"Dropped")}));
    savePath = Path(QStringLiteral("drop.qvndoc"));
    ASSERT_TRUE(App().OnFileSaveAs());
    doc->OnNewDocument();

    auto drop = [&](const QString& path) {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(Path(QStringLiteral("notes.txt"))), QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(App().MainFrame(), &enter);
        const bool accepted = enter.isAccepted();
        QDropEvent dropEvent(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(App().MainFrame(), &dropEvent);
        return accepted;
    };
    EXPECT_TRUE(drop(Path(QStringLiteral("drop.qvndoc"))));
    EXPECT_EQ(doc->Title(), QStringLiteral("drop.qvndoc"));
    EXPECT_EQ(doc->Core().ItemCount(), 1u);

    // Only project files are taken.
    QMimeData other;
    other.setUrls({QUrl::fromLocalFile(Path(QStringLiteral("notes.txt")))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &other, Qt::LeftButton, Qt::NoModifier);
    enter.setAccepted(false);
    QCoreApplication::sendEvent(App().MainFrame(), &enter);
    EXPECT_FALSE(enter.isAccepted());
}

TEST_F(AppTest, AboutBoxShowsTitleVersionAndLicence)
{
    CAboutDlg dlg;
    EXPECT_EQ(dlg.VersionText(), QStringLiteral("lumivo 3.0.249.4099"));
    EXPECT_TRUE(dlg.NoticeText().contains(QStringLiteral("GPL-2.0-or-later")));
    EXPECT_FALSE(dlg.NoticeText().contains(QStringLiteral("All rights reserved")));
    // The application object's CRC table is the frames' check.
    EXPECT_EQ(App().Crc().Compute("123456789"), 0xBC);
}

TEST_F(AppTest, MainWindowShowsTheBoardHandedToThePreview)
{
    options.showWindow = true;
    ASSERT_TRUE(Start());
    CMainFrame* frame = App().MainFrame();
    frame->resize(1000, 640);
    // The window's icon is drawn from its SVG (which needs Qt's SVG plugin).
    EXPECT_FALSE(frame->windowIcon().pixmap(32, 32).isNull());
    CLumivoViewer* viewer = frame->Preview()->Viewer();
    const QSize board = viewer->BoardPixelSize();
    ASSERT_FALSE(board.isEmpty());
    QImage picture(board, QImage::Format_RGB32);
    picture.fill(Qt::black);
    for (int x = 0; x < board.width(); x += 2)
        picture.setPixel(x, board.height() / 2, qRgb(255, 255, 0));
    viewer->setBoardImage(picture);
    QCoreApplication::processEvents();

    const QImage shot = frame->grab().toImage();
    if (const char* out = std::getenv("LUMIVO_SCREENSHOT"))
        shot.save(QString::fromLocal8Bit(out));
    // The lit row shows in the preview, where the viewer sits in the window.
    const QPoint origin = viewer->mapTo(frame, viewer->BoardRect().topLeft());
    const int zoom = viewer->Zoom();
    const int y = origin.y() + board.height() / 2 * zoom / 100 + zoom / 200;
    int lit = 0;
    for (int x = 0; x < board.width(); x += 2)
        lit += shot.pixel(origin.x() + x * zoom / 100 + zoom / 200, y) == qRgb(255, 255, 0);
    EXPECT_GT(lit, board.width() / 2 * 9 / 10);
    EXPECT_TRUE(frame->Ribbon()->isVisible());
}

TEST_F(AppTest, BoardSettingsChooseTheProgramsContainer)
{
    options.contentLoader = nullptr; // the containers the program carries
    {
        QSettings s(options.settingsFile, QSettings::IniFormat);
        s.setValue("Settings/Language", int('E'));
        s.setValue("Settings/Lumivo Row", 1);
        s.setValue("Settings/Lumivo Column", 3);
    }
    ASSERT_TRUE(Start());
    EXPECT_FALSE(messages.contains(QStringLiteral("Select Resource Not Find!!!!")));
    EXPECT_EQ(App().Document()->Core().ContentResource(), 316);
    // The board the controller reports replaces it.
    EXPECT_EQ(App().Document()->SetBoard(2, 8, 'A', 2, 4), 1);
    EXPECT_EQ(App().Document()->Core().ContentResource(), 333);
    EXPECT_EQ(App().MainFrame()->Preview()->Viewer()->BoardPixelSize(), QSize(128, 32));
}

TEST_F(AppTest, ClosingAModifiedProjectAsksFirst)
{
    options.showWindow = true;
    ASSERT_TRUE(Start());
    CMainFrame* frame = App().MainFrame();
    App().Document()->SetModifiedFlag(true);
    EXPECT_TRUE(frame->isWindowModified());

    saveAnswer = CPrompts::SaveAnswer::Cancel;
    EXPECT_FALSE(frame->close());
    EXPECT_TRUE(frame->isVisible());

    // Save with a name given: the file is written, then the window closes.
    saveAnswer = CPrompts::SaveAnswer::Save;
    savePath = Path(QStringLiteral("closing.qvndoc"));
    EXPECT_TRUE(frame->close());
    EXPECT_TRUE(QFile::exists(savePath));
    EXPECT_FALSE(App().Document()->IsModified());
}

TEST_F(AppTest, OpenedProjectPlaysInThePreview)
{
    options.contentLoader = nullptr; // the containers the program carries
    options.showWindow = true;
    options.files = {QString::fromLocal8Bit(qgetenv("LUMIVO_SOURCE_DIR")) + "/examples/welcome.qvndoc"};
    ASSERT_TRUE(QFile::exists(options.files[0]));
    ASSERT_TRUE(Start());
    CMainFrame* frame = App().MainFrame();
    CLumivoViewer* viewer = frame->Preview()->Viewer();
    ASSERT_GT(App().Document()->Core().ItemCount(), 0u);
    // The first Ad is chosen and plays at once.
    EXPECT_EQ(frame->View()->CurrentRow(), 0);
    EXPECT_EQ(frame->View()->PreviewedPage(), 0u);
    EXPECT_TRUE(viewer->IsPlaying());

    // Ticks ask for paints, each paint steps the effects: LEDs light up.
    auto litLeds = [viewer] {
        const QImage& b = viewer->BoardImage();
        int lit = 0;
        for (int y = 0; y < b.height(); ++y)
            for (int x = 0; x < b.width(); ++x)
                lit += (b.pixel(x, y) & 0xFFFFFF) != 0;
        return lit;
    };
    // QTRY_* macros only return from the function on a time-out, which
    // GoogleTest does not count as a failure.
    ASSERT_TRUE(QTest::qWaitFor([&] { return viewer->PaintCount() > 20 && litLeds() > 0; }, 10000));
    // On a real display (Xvfb) the picture is read back from the screen.
    const bool onScreen = QGuiApplication::platformName() == QLatin1String("xcb");
    if (onScreen) {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    }
    auto grab = [onScreen](QWidget* w) {
        return onScreen ? w->screen()->grabWindow(w->winId()).toImage() : w->grab().toImage();
    };
    if (const char* out = std::getenv("LUMIVO_SCREENSHOT"))
        grab(frame).save(QString::fromLocal8Bit(out));
    const QImage shot = grab(viewer).convertToFormat(QImage::Format_RGB32);
    const QRect r = viewer->BoardRect().intersected(viewer->rect());
    int litOnScreen = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            litOnScreen += (shot.pixel(x, y) & 0xFFFFFF) != 0;
    EXPECT_GT(litOnScreen, 0);

    // Another row plays its own Ad; a new, empty project stops the preview.
    frame->View()->SetCurrentRow(frame->View()->RowCount() - 1);
    EXPECT_EQ(frame->View()->PreviewedPage(), App().Document()->Core().PageCount() - 1);
    EXPECT_TRUE(viewer->IsPlaying());
    App().Document()->OnNewDocument();
    EXPECT_FALSE(viewer->IsPlaying());
}
