// SPDX-License-Identifier: GPL-2.0-or-later
// Words and keys of the window: the content language's one name, Board
// Properties as one undo step, the window's keys (Save As, Quit, the manual,
// the application menu, the preview's zoom) and the save question.
#include "gui_test_util.h"

#include "core/module_state.h"
#include "ui/board_props_dlg.h"
#include "ui/board_setup_ui.h"
#include "ui/lumivo_viewer.h"
#include "ui/module_state_dlg.h"
#include "ui/qt_text.h"
#include "ui/ribbon_bar.h"

#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QMessageBox>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QUndoStack>

#include <memory>

namespace {

using lumivo::Tr;

QStringList Items(const QComboBox* box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

// Runs `act` once the next modal dialog is up, then lets `act` close it.
void WhenModal(const std::function<void(QDialog*)>& act)
{
    QTimer::singleShot(0, [act] {
        QDeadlineTimer deadline(5000);
        while (!qobject_cast<QDialog*>(QApplication::activeModalWidget()) && !deadline.hasExpired())
            QTest::qWait(10);
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        act(dlg);
    });
}

} // namespace

TEST_F(AppTest, TheContentLanguageHasOneNameWhereverItIsChosen)
{
    ASSERT_TRUE(Start());
    CMainFrame* frame = App().MainFrame();
    for (const char16_t* language : {u"English", u"Korean", u"Chinese"}) {
        SCOPED_TRACE(QString::fromUtf16(language).toStdString());
        ASSERT_TRUE(frame->ApplyLanguage(LanguageCommand(language)));
        const QString latin = Tr("Content", "LangLatin");
        const QString korean = Tr("Content", "LangKorean");
        ASSERT_FALSE(latin.isEmpty());

        CNewProjectDlg project(1, frame);
        EXPECT_EQ(Items(project.LanguageCombo()), QStringList({latin, korean}));

        CBoardSetupUi setup(frame, [] { return lumivo::BoardValues{}; });
        QStringList simulated;
        WhenModal([&simulated](QDialog* dlg) {
            if (auto* box = dlg->findChild<QComboBox*>(QStringLiteral("SimLanguage")))
                simulated = Items(box);
            dlg->reject();
        });
        serio::SerialSettings settings;
        setup.EditSerialSettings(settings, false);
        EXPECT_EQ(simulated, QStringList({korean, latin}));

        // The controller of the Latin and Chinese library calls its value 2
        // the same; the Korean one's value 1.
        for (const auto& [code, name] : {std::pair{14u, latin}, std::pair{10u, korean}}) {
            lumivo::CModuleStateModel model;
            model.SetModelCode(DWORD(code) << 16);
            CModuleStateDlg controller(model, nullptr, nullptr, frame);
            ASSERT_EQ(controller.LanguageList()->count(), 2);
            EXPECT_EQ(controller.LanguageList()->itemText(1), name);
        }
    }
}

// One undo step that changes the board and its library; the Ads whose
// characters the new library lacks are named, and undo gives the old board
// and library back byte for byte.
TEST_F(AppTest, BoardPropertiesIsOneUndoStepAndNamesTheAdsTheBoardCannotDraw)
{
    options.contentLoader = nullptr; // the program's containers: real glyph checks
    ASSERT_TRUE(Start());
    CLumivoDoc* doc = App().Document();
    ASSERT_EQ(doc->SetBoard(1, 6, 'A', 1, 6), 1);
    ASSERT_TRUE(doc->AppendPage({TextItem(u"OPEN")}));
    ASSERT_TRUE(doc->AppendPage({TextItem(u"\uC548\uB155")})); // Hangul: only the Korean library has it
    const std::vector<uint8_t> before = doc->Core().Serialize();
    const int library = doc->Core().ContentResource();
    const int steps = doc->UndoStack()->count();
    const bool modified = doc->IsModified();

    messages.clear();
    WhenModal([](QDialog* dlg) {
        auto* props = qobject_cast<CBoardPropsDlg*>(dlg);
        ASSERT_NE(props, nullptr);
        // Like every dialog, it cannot be maximised.
        EXPECT_TRUE(dlg->windowFlags().testFlag(Qt::CustomizeWindowHint));
        EXPECT_FALSE(dlg->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        EXPECT_EQ(props->LanguageBox()->currentText(), Tr("Content", "LangKorean"));
        props->RowsBox()->setValue(2);
        props->LanguageBox()->setCurrentIndex(props->LanguageBox()->findData(int('E')));
        props->accept();
    });
    App().MainFrame()->Action(lumivo::cmd::kBoardProps)->trigger();

    EXPECT_EQ(doc->UndoStack()->count(), steps + 1);
    EXPECT_EQ(doc->ModuleRows(), 2u);
    EXPECT_EQ(doc->Core().Board().language, 'E');
    EXPECT_NE(doc->Core().ContentResource(), library);
    EXPECT_TRUE(doc->IsModified());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("Ad 2 (\uC548 \uB155)"))) << messages[0].toStdString();
    EXPECT_FALSE(messages[0].contains(QStringLiteral("Ad 1"))) << messages[0].toStdString();

    doc->UndoStack()->undo();
    EXPECT_EQ(doc->Core().Serialize(), before);
    EXPECT_EQ(doc->Core().ContentResource(), library);
    EXPECT_EQ(doc->IsModified(), modified);
    doc->UndoStack()->redo();
    EXPECT_EQ(doc->ModuleRows(), 2u);

    // A lower board names the Ads that would run off it.
    ASSERT_TRUE(doc->AppendPage({TextItem(u"UP"), TextItem(u"DOWN")}));
    messages.clear();
    WhenModal([](QDialog* dlg) {
        static_cast<CBoardPropsDlg*>(dlg)->RowsBox()->setValue(1);
        dlg->accept();
    });
    App().MainFrame()->Action(lumivo::cmd::kBoardProps)->trigger();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("Ad 3"))) << messages[0].toStdString();
    EXPECT_FALSE(messages[0].contains(QStringLiteral("Ad 1,"))) << messages[0].toStdString();
    doc->UndoStack()->undo();
    ASSERT_EQ(doc->ModuleRows(), 2u);
    const int changed = doc->UndoStack()->count();

    // Cancel, or OK without a change, adds no step.
    WhenModal([](QDialog* dlg) { dlg->reject(); });
    App().MainFrame()->Action(lumivo::cmd::kBoardProps)->trigger();
    WhenModal([](QDialog* dlg) { dlg->accept(); });
    App().MainFrame()->Action(lumivo::cmd::kBoardProps)->trigger();
    EXPECT_EQ(doc->UndoStack()->count(), changed);
}

// The window's keys reach their commands: Ctrl+Shift+S, F1, Alt+F and F10,
// the preview's zoom (remembered, fitting by default), and Ctrl+Q last.
TEST_F(AppTest, TheWindowsKeysReachTheirCommands)
{
    CMainFrame* frame = StartActiveWindow();
    ASSERT_NE(frame, nullptr);
    // Shared, so that a late call after this test cannot write into it.
    auto opened = std::make_shared<QStringList>();
    App().Prompts().openUrl = [opened](const QString& url) {
        *opened << url;
        return true;
    };
    const QStringList& urls = *opened;
    // A window's keys reach it only while it is the active window; after a
    // menu closes, that comes back through the event loop, so each key waits
    // for it rather than for a time. The test platform may hand the
    // activation to the menu after it has closed (a desktop gives it back to
    // the window): then it is given back here.
    auto press = [frame](QKeyCombination key) {
        ASSERT_TRUE(WaitFor(
            [frame] {
                QWidget* active = QApplication::activeWindow();
                if (!QApplication::activePopupWidget() && active && active != frame && !active->isVisible())
                    frame->activateWindow();
                return !QApplication::activePopupWidget() && QApplication::activeWindow() == frame;
            },
            10000));
        QWidget* to = QApplication::focusWidget() ? QApplication::focusWidget() : frame;
        QTest::keyClick(to, key.key(), key.keyboardModifiers());
    };

    // Save As asks for a name even for a project that has one.
    savePath = Path(QStringLiteral("keys.qvndoc"));
    press(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
    EXPECT_TRUE(QFileInfo::exists(savePath));
    EXPECT_EQ(App().Document()->PathName(), savePath);

    // F1: the build tree's README (no manual page is installed beside it).
    press(Qt::Key_F1);
    ASSERT_TRUE(WaitFor([&urls] { return !urls.isEmpty(); }, 5000));
    ASSERT_EQ(urls.size(), 1);
    EXPECT_TRUE(urls[0].endsWith(QStringLiteral("/README.md"))) << urls[0].toStdString();

    // Alt+F and F10 open the application menu, which shows the keys.
    QMenu* menu = frame->Ribbon()->ApplicationButton()->menu();
    ASSERT_NE(menu, nullptr);
    for (QKeyCombination key : {QKeyCombination(Qt::ALT | Qt::Key_F), QKeyCombination(Qt::Key_F10)}) {
        // The menu runs its own loop: once it shows, it is checked and
        // closed from inside that loop. The watch ends with this turn, so
        // nothing of it is left to fire after the window is gone.
        bool opened = false;
        QObject watch;
        QObject::connect(menu, &QMenu::aboutToShow, &watch, [&opened, menu] {
            QMetaObject::invokeMethod(
                menu,
                [&opened, menu] {
                    opened = QApplication::activePopupWidget() == menu;
                    menu->close();
                },
                Qt::QueuedConnection);
        });
        press(key);
        ASSERT_TRUE(WaitFor([menu] { return !menu->isVisible(); }, 5000));
        EXPECT_TRUE(opened) << QKeySequence(key).toString().toStdString();
    }
    QStringList keys;
    for (QAction* a : menu->actions())
        if (!a->shortcut().isEmpty())
            keys << a->shortcut().toString();
    for (const char* key : {"Ctrl+N", "Ctrl+O", "Ctrl+S", "Ctrl+Shift+S", "F1", "Ctrl+Q"})
        EXPECT_TRUE(keys.contains(QLatin1String(key))) << key;
    // Undo and redo are also buttons beside the menu.
    ASSERT_EQ(frame->Ribbon()->QuickAccessButtons().size(), 2);
    EXPECT_EQ(frame->Ribbon()->QuickAccessButtons()[0]->defaultAction(), frame->Action(lumivo::cmd::kEditUndo));

    // Zoom: fitting at first; in, out, 100 % and fit again, each announced.
    CLumivoViewer* viewer = frame->Preview()->Viewer();
    EXPECT_TRUE(viewer->Fits());
    QSignalSpy announced(frame, &CMainFrame::zoomChanged);
    press(Qt::CTRL | Qt::ALT | Qt::Key_0);
    EXPECT_EQ(viewer->Zoom(), 100);
    EXPECT_FALSE(viewer->Fits());
    press(Qt::CTRL | Qt::ALT | Qt::Key_Equal);
    EXPECT_EQ(viewer->Zoom(), 100 + CLumivoViewer::kKeyZoomStep);
    press(Qt::CTRL | Qt::ALT | Qt::Key_Minus);
    press(Qt::CTRL | Qt::ALT | Qt::Key_Minus);
    EXPECT_EQ(viewer->Zoom(), 100 - CLumivoViewer::kKeyZoomStep);
    EXPECT_EQ(StoredSettings().value(QStringLiteral("Workspace/PreviewZoom")).toInt(), 100 - CLumivoViewer::kKeyZoomStep);
    ASSERT_GE(announced.size(), 4);
    EXPECT_EQ(announced.last().at(0).toString(), frame->ZoomText());
    EXPECT_TRUE(frame->ZoomText().contains(QString::number(100 - CLumivoViewer::kKeyZoomStep)));
    press(Qt::CTRL | Qt::ALT | Qt::Key_F);
    EXPECT_TRUE(viewer->Fits());
    EXPECT_EQ(StoredSettings().value(QStringLiteral("Workspace/PreviewZoom")).toInt(), 0);

    // Ctrl+Q closes the window (the project is saved: nothing is asked).
    press(Qt::CTRL | Qt::Key_Q);
    EXPECT_TRUE(WaitFor([frame] { return !frame->isVisible(); }, 5000));
}

// The save question names its answers for what they do and is titled with
// the program; each button gives its own answer, Escape is Cancel.
TEST_F(AppTest, TheSaveQuestionsButtonsSayWhatTheyDo)
{
    ASSERT_TRUE(Start());
    CPrompts prompts = CPrompts::Interactive([] { return App().MainFrame(); });
    for (const auto& [button, answer] : {std::pair{"Save", CPrompts::SaveAnswer::Save},
                                         std::pair{"Don't Save", CPrompts::SaveAnswer::Discard},
                                         std::pair{"", CPrompts::SaveAnswer::Cancel}}) {
        QStringList texts;
        QString title;
        QTimer::singleShot(0, [&, button = QString::fromLatin1(button)] {
            QDeadlineTimer deadline(5000);
            while (!qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) && !deadline.hasExpired())
                QTest::qWait(10);
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            title = box->windowTitle();
            QAbstractButton* wanted = nullptr;
            for (QAbstractButton* b : box->buttons()) {
                texts << b->text().remove(QLatin1Char('&'));
                if (texts.last() == button)
                    wanted = b;
            }
            if (wanted)
                wanted->click();
            else
                QTest::keyClick(box, Qt::Key_Escape);
        });
        EXPECT_EQ(prompts.askSaveChanges(QStringLiteral("shop.qvndoc")), answer);
        EXPECT_EQ(title, QStringLiteral("Lumivo"));
        texts.sort();
        EXPECT_EQ(texts, QStringList({QStringLiteral("Cancel"), QStringLiteral("Don't Save"), QStringLiteral("Save")}));
    }
}
