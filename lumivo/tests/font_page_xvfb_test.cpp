// SPDX-License-Identifier: GPL-2.0-or-later
// On a real X display (its CTest entry starts Xvfb), by keyboard alone: a
// text in a bundled font made into a user image in the Ad editor, placed,
// saved and opened again; then edited, which draws the same user image
// anew, and undone.
#include "xvfb_app_test.h"

#include "core/companion.h"
#include "core/text_image_project.h"
#include "ui/ad_editor_dlg.h"
#include "ui/editor/sheet_font_page.h"
#include "ui/lumivo_view.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QUndoStack>

#include <cstring>

namespace {

class FontPageXvfb : public XvfbAppTest {
protected:
    // Waits for the Ad editor, active, with the font page's controls set up.
    static CAdEditorDlg* Editor()
    {
        EXPECT_TRUE(QTest::qWaitFor([] { return qobject_cast<CAdEditorDlg*>(QApplication::activeModalWidget()); }));
        auto* editor = qobject_cast<CAdEditorDlg*>(QApplication::activeModalWidget());
        if (editor)
            EXPECT_TRUE(QTest::qWaitFor([editor] { return editor->isActiveWindow(); }));
        return editor;
    }
    void BackToWindow(CMainFrame* frame)
    {
        ASSERT_TRUE(QTest::qWaitFor([] { return !QApplication::activeModalWidget(); }));
        if (!QTest::qWaitFor([frame] { return frame->isActiveWindow(); }, 500))
            frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    }
    static std::vector<uint8_t> Pixels(const CLumivoDoc& doc, unsigned slot)
    {
        const CRGX<8192> image = doc.Core().UserImages().at(slot);
        const size_t bytes = size_t(image.header.width / 2) * image.header.height;
        return {image.data, image.data + bytes};
    }
};

TEST_F(FontPageXvfb, TextInAFontIsPlacedSavedReopenedEditedAndUndone)
{
    const QString font = qEnvironmentVariable("LUMIVO_SOURCE_DIR") + "/lumivo/core/tests/data/fonts/test-latin.ttf";
    ASSERT_TRUE(QFile::exists(font));
    options.contentLoader = nullptr;
    CMainFrame* frame = StartActiveWindow();
    ASSERT_NE(frame, nullptr);
    CLumivoDoc& doc = *App().Document();

    // A new project on the default board: one row of six modules, 96 x 16.
    NewProjectResult board;
    board.folder = Path(QString());
    board.name = QStringLiteral("Fonts");
    newProject = board;
    Key(Qt::CTRL | Qt::Key_N);
    ASSERT_EQ(doc.ModuleRows(), 1u);

    // Insert, F6 to the kinds, the last one (the font page), Return into its text.
    Key(QKeyCombination(Qt::Key_Insert));
    CAdEditorDlg* editor = Editor();
    ASSERT_NE(editor, nullptr);
    CFontTextPage* page = editor->FontPage();
    page->chooseFontFile = [font] { return font; };
    Key(QKeyCombination(Qt::Key_F6));
    Key(QKeyCombination(Qt::Key_End));
    Key(QKeyCombination(Qt::Key_Return));
    ASSERT_EQ(QApplication::focusWidget(), page->TextField());
    Type(QStringLiteral("Hello"));
    Key(Qt::ALT | Qt::Key_I); // the font file; a mnemonic clicks after the button's press animation
    ASSERT_TRUE(QTest::qWaitFor([&] { return page->Recipe().font == font.toStdString(); }));
    ASSERT_GT(page->Shown().width, 0) << page->Notice()->text().toStdString();
    Key(Qt::ALT | Qt::Key_A);
    ASSERT_TRUE(QTest::qWaitFor([editor] { return editor->Layout().Count() == 1; }));
    if (const QByteArray dir = qgetenv("LUMIVO_SCREENSHOT_DIR"); !dir.isEmpty()) {
        QDir().mkpath(QString::fromLocal8Bit(dir));
        editor->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/ad-editor-font-page.png"));
    }
    Key(Qt::CTRL | Qt::Key_Return);
    BackToWindow(frame);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    ASSERT_EQ(doc.Core().UserImages().size(), 1u);
    ASSERT_EQ(doc.Core().PageCount(), 1u);
    EXPECT_EQ(lumivo::UserImageSlot(doc.Core().Content(), doc.Core().PageItems(0).at(0)), 0u);
    const std::vector<uint8_t> hello = Pixels(doc, 0);

    Key(Qt::CTRL | Qt::Key_S);
    const QString file = Path(QStringLiteral("Fonts.qvndoc"));
    ASSERT_TRUE(QFile::exists(file));
    QFile companion(QString::fromStdString(lumivo::CCompanion::PathFor(file.toStdString()).string()));
    ASSERT_TRUE(companion.open(QIODevice::ReadOnly));
    EXPECT_TRUE(companion.readAll().contains("\"Hello\""));

    // Opened again: the image, its recipe and the Ad showing it.
    openPath = file;
    Key(Qt::CTRL | Qt::Key_O);
    ASSERT_EQ(doc.Core().PageCount(), 1u);
    ASSERT_EQ(doc.Core().UserImages().size(), 1u);
    EXPECT_EQ(Pixels(doc, 0), hello);
    ASSERT_EQ(doc.Core().TextRecipes().bySlot.count(0), 1u);
    EXPECT_EQ(doc.Core().TextRecipes().bySlot.at(0).text, "Hello");
    EXPECT_EQ(lumivo::UserImageSlot(doc.Core().Content(), doc.Core().PageItems(0).at(0)), 0u);
    const int steps = doc.UndoStack()->count();

    // Edit Ad (Return on the Ad's row): the font page in front with the text;
    // a new text draws the same slot while the band follows.
    frame->View()->setFocus();
    frame->View()->SelectPage(0);
    Key(QKeyCombination(Qt::Key_Return));
    editor = Editor();
    ASSERT_NE(editor, nullptr);
    page = editor->FontPage();
    EXPECT_EQ(editor->Sheet()->currentWidget(), page);
    EXPECT_EQ(page->TextField()->text(), QStringLiteral("Hello"));
    EXPECT_EQ(page->Recipe().font, font.toStdString());
    page->TextField()->setFocus();
    Key(Qt::CTRL | Qt::Key_A);
    Type(QStringLiteral("World"));
    Key(Qt::CTRL | Qt::Key_Return);
    BackToWindow(frame);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(doc.UndoStack()->count(), steps + 1);
    ASSERT_EQ(doc.Core().UserImages().size(), 1u);
    EXPECT_NE(Pixels(doc, 0), hello);
    EXPECT_EQ(doc.Core().TextRecipes().bySlot.at(0).text, "World");
    EXPECT_EQ(lumivo::UserImageSlot(doc.Core().Content(), doc.Core().PageItems(0).at(0)), 0u);

    Key(Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(Pixels(doc, 0), hello);
    EXPECT_EQ(doc.Core().TextRecipes().bySlot.at(0).text, "Hello");
    EXPECT_FALSE(doc.IsModified());
}

} // namespace
