// SPDX-License-Identifier: GPL-2.0-or-later
// On a real X display (its CTest entry starts Xvfb): the program driven by
// keys alone from opening a project to saving it, and an Ad copied in one
// running program and pasted in another through the system clipboard.
#include "gui_test_util.h"

#include "core/clipboard_items.h"
#include "ui/lumivo_view.h"

#include <QApplication>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QMimeData>
#include <QProcess>
#include <QTest>

namespace {

std::vector<uint8_t> Records(const std::vector<CLumivo>& items) { return lumivo::StoreClipboardItems(items); }

// The project a file holds, read as the command-line tool reads it.
std::unique_ptr<lumivo::CProjectCore> ReadProject(const QString& path)
{
    auto core = std::make_unique<lumivo::CProjectCore>([](int) { return std::optional<std::vector<uint8_t>>(); });
    const lumivo::Result r = core->LoadFile(path.toStdString());
    EXPECT_TRUE(r.ok()) << r.FirstError();
    return core;
}

class AdListXvfb : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        // The X clipboard and window activation need a real display.
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "runs on an X display (xvfb-run)";
    }
    void StartWindow() { ASSERT_TRUE(frame = StartActiveWindow()); }
    // Keys go where the user's would: to the widget with the focus.
    static void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, key, modifiers);
    }

    CMainFrame* frame = nullptr;
};

TEST_F(AdListXvfb, KeyboardOpenCopyPasteUndoRedoSave)
{
    const QString project = Path("welcome.qvndoc");
    ASSERT_TRUE(QFile::copy(QString::fromLocal8Bit(qgetenv("LUMIVO_SOURCE_DIR")) + "/examples/welcome.qvndoc", project));
    QFile::setPermissions(project, QFile::ReadOwner | QFile::WriteOwner);
    options.contentLoader = nullptr;
    StartWindow();
    CLumivoDoc* doc = App().Document();
    CLumivoView* view = frame->View();
    EXPECT_EQ(QApplication::focusWidget(), view);

    openPath = project; // what the user picks in the file dialog
    Key(Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(doc->Title(), "welcome.qvndoc");
    const unsigned pages = doc->Core().PageCount();
    ASSERT_GE(pages, 3u);
    // Down from the first row: the header and the row of each next Ad.
    for (int i = 0; i < 4; ++i)
        Key(Qt::Key_Down);
    ASSERT_EQ(view->FocusedPage(), 2u);
    const std::vector<CLumivo> copied = doc->Core().PageItems(2);

    Key(Qt::Key_C, Qt::ControlModifier);
    Key(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(doc->Core().PageCount(), pages + 1);
    EXPECT_EQ(view->FocusedPage(), pages);
    EXPECT_TRUE(frame->isWindowModified());
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(doc->Core().PageCount(), pages);
    EXPECT_FALSE(frame->isWindowModified());
    Key(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(doc->Core().PageCount(), pages + 1);
    Key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(frame->isWindowModified());

    const auto saved = ReadProject(project);
    ASSERT_EQ(saved->PageCount(), pages + 1);
    EXPECT_EQ(Records(saved->PageItems(pages)), Records(copied));
    EXPECT_EQ(Records(saved->PageItems(2)), Records(copied));
}

TEST_F(AdListXvfb, CopyInOneProgramPasteInAnother)
{
    ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "the system clipboard needs X";
    StartWindow();
    CLumivo odd = TextItem(u"across");
    odd.reserved822 = 0xBEEF;
    const std::vector<CLumivo> page = {TextItem(u"first"), odd};
    ASSERT_TRUE(App().Document()->AppendPage(page));
    frame->View()->SetCurrentRow(1);
    Key(Qt::Key_C, Qt::ControlModifier);

    // The other program: this test binary again, as the peer below, with a
    // project of its own; this one answers its clipboard requests meanwhile.
    QProcess peer;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LUMIVO_PEER_OUT", Path("peer.qvndoc"));
    peer.setProcessEnvironment(env);
    peer.setProcessChannelMode(QProcess::MergedChannels);
    peer.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=AdListXvfbPeer.*", "--gtest_brief=1"});
    ASSERT_TRUE(peer.waitForStarted());
    QDeadlineTimer deadline(60000);
    while (!peer.waitForFinished(20) && !deadline.hasExpired())
        QCoreApplication::processEvents();
    const QString output = QString::fromLocal8Bit(peer.readAll());
    ASSERT_EQ(peer.exitStatus(), QProcess::NormalExit) << output.toStdString();
    ASSERT_EQ(peer.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("PASSED  ] 1 test")) << output.toStdString();

    const auto pasted = ReadProject(Path("peer.qvndoc"));
    ASSERT_EQ(pasted->PageCount(), 1u);
    EXPECT_EQ(Records(pasted->PageItems(0)), Records(page));
}

// The second program of the test above; started only by it.
class AdListXvfbPeer : public AdListXvfb {};

TEST_F(AdListXvfbPeer, PastesIntoItsOwnProject)
{
    const QString out = QString::fromLocal8Bit(qgetenv("LUMIVO_PEER_OUT"));
    if (out.isEmpty())
        GTEST_SKIP() << "started by AdListXvfb.CopyInOneProgramPasteInAnother";
    StartWindow();
    ASSERT_TRUE(WaitFor([] {
        const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
        return mime && mime->hasFormat(lumivo::kItemsMimeType);
    }));
    ASSERT_TRUE(WaitFor([this] { return frame->Action(lumivo::cmd::kAdvtPaste)->isEnabled(); }));
    Key(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(App().Document()->Core().PageCount(), 1u) << messages.join('\n').toStdString();
    savePath = out;
    Key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(QFile::exists(out));
}

} // namespace
