// SPDX-License-Identifier: GPL-2.0-or-later
// On a real X display (its CTest entry starts Xvfb), by keyboard alone: a
// text in a bundled font made into a user image in the Ad editor, placed,
// saved and opened again; then edited, which draws the same user image
// anew, and undone. A text wider than the board split into board-wide Ads
// and undone in one step.
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
#include <QPushButton>
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
        if (editor) {
            EXPECT_TRUE(QTest::qWaitFor([editor] { return editor->isActiveWindow(); }));
        }
        return editor;
    }
    void BackToWindow(CMainFrame* frame)
    {
        ASSERT_TRUE(QTest::qWaitFor([] { return !QApplication::activeModalWidget(); }));
        if (!QTest::qWaitFor([frame] { return frame->isActiveWindow(); }, 500))
            frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    }
    static QString TestFont()
    {
        return qEnvironmentVariable("LUMIVO_SOURCE_DIR") + "/lumivo/core/tests/data/fonts/test-latin.ttf";
    }
    // The window on a new project on the default board: one row of six
    // modules, 96 x 16.
    CMainFrame* StartOnNewProject(const QString& name)
    {
        options.contentLoader = nullptr;
        CMainFrame* frame = StartActiveWindow();
        if (!frame)
            return nullptr;
        NewProjectResult board;
        board.folder = Path(QString());
        board.name = name;
        newProject = board;
        Key(Qt::CTRL | Qt::Key_N);
        return frame;
    }
    // Insert, F6 to the kinds, the last one (the font page), Return into its
    // text; the text typed and drawn in the test font's file (Alt+I).
    static CAdEditorDlg* NewAdOnFontPage(const QString& text)
    {
        Key(QKeyCombination(Qt::Key_Insert));
        CAdEditorDlg* editor = Editor();
        if (!editor)
            return nullptr;
        CFontTextPage* page = editor->FontPage();
        const QString font = TestFont();
        page->chooseFontFile = [font] { return font; };
        Key(QKeyCombination(Qt::Key_F6));
        Key(QKeyCombination(Qt::Key_End));
        Key(QKeyCombination(Qt::Key_Return));
        EXPECT_EQ(QApplication::focusWidget(), page->TextField());
        Type(text);
        Key(Qt::ALT | Qt::Key_I); // a mnemonic clicks after the button's press animation
        EXPECT_TRUE(QTest::qWaitFor([&] { return page->Recipe().font == font.toStdString(); }));
        return editor;
    }
    // Edit Ad: Return on the first Ad's row.
    static CAdEditorDlg* EditFirstAd(CMainFrame* frame)
    {
        frame->View()->setFocus();
        frame->View()->SelectPage(0);
        Key(QKeyCombination(Qt::Key_Return));
        return Editor();
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
    const QString font = TestFont();
    ASSERT_TRUE(QFile::exists(font));
    CMainFrame* frame = StartOnNewProject(QStringLiteral("Fonts"));
    ASSERT_NE(frame, nullptr);
    CLumivoDoc& doc = *App().Document();
    ASSERT_EQ(doc.ModuleRows(), 1u);

    CAdEditorDlg* editor = NewAdOnFontPage(QStringLiteral("Hello"));
    ASSERT_NE(editor, nullptr);
    CFontTextPage* page = editor->FontPage();
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

    // Edit Ad: the font page in front with the text;
    // a new text draws the same slot while the band follows.
    editor = EditFirstAd(frame);
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

// Split from Edit Ad: the pieces come as user images on new last Ads, the
// Ad being edited and the schedule naming it stay as they were, and one
// Ctrl+Z takes every piece back to the saved project.
TEST_F(FontPageXvfb, AWideTextIsSplitIntoBoardWideAdsAndUndoneInOneStep)
{
    CMainFrame* frame = StartOnNewProject(QStringLiteral("Split"));
    ASSERT_NE(frame, nullptr);
    CLumivoDoc& doc = *App().Document();
    const int boardWidth = int(doc.ModuleColumns()) * 16;

    // Ad 1: a short text, scheduled all day, saved.
    CAdEditorDlg* editor = NewAdOnFontPage(QStringLiteral("Hi"));
    ASSERT_NE(editor, nullptr);
    CFontTextPage* page = editor->FontPage();
    EXPECT_FALSE(page->SplitButton()->isVisible()) << "a text the board holds has nothing to split";
    Key(Qt::ALT | Qt::Key_A);
    ASSERT_TRUE(QTest::qWaitFor([editor] { return editor->Layout().Count() == 1; }));
    Key(Qt::CTRL | Qt::Key_Return);
    BackToWindow(frame);
    lumivo::Schedule schedule;
    schedule.entries.emplace_back();
    schedule.entries[0].name = "All day";
    schedule.entries[0].pages = {0};
    schedule.entries[0].end = 1440;
    ASSERT_TRUE(doc.SetSchedule(schedule)) << messages.join('\n').toStdString();
    Key(Qt::CTRL | Qt::Key_S);
    ASSERT_FALSE(doc.IsModified());
    const std::vector<uint8_t> hi = Pixels(doc, 0);
    const int steps = doc.UndoStack()->count();

    // Edit Ad 1, type a text wider than the board, split it.
    editor = EditFirstAd(frame);
    ASSERT_NE(editor, nullptr);
    page = editor->FontPage();
    page->TextField()->setFocus();
    Key(Qt::CTRL | Qt::Key_A);
    const std::string wide = "Grand opening today";
    Type(QString::fromStdString(wide));
    ASSERT_GT(page->Shown().width, boardWidth);
    ASSERT_TRUE(page->SplitButton()->isVisible());
    const unsigned pieces = unsigned((page->Shown().width + boardWidth - 1) / boardWidth);
    if (const QByteArray dir = qgetenv("LUMIVO_SCREENSHOT_DIR"); !dir.isEmpty()) {
        QDir().mkpath(QString::fromLocal8Bit(dir));
        QTest::qWait(100); // the warning's new lines laid out
        editor->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/ad-editor-font-split.png"));
    }
    Key(Qt::ALT | Qt::Key_S);
    BackToWindow(frame);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(doc.UndoStack()->count(), steps + 1);
    ASSERT_EQ(doc.Core().PageCount(), 1 + pieces);
    ASSERT_EQ(doc.Core().UserImages().size(), 1 + pieces);
    EXPECT_EQ(Pixels(doc, 0), hi) << "the edited Ad keeps its image";
    EXPECT_EQ(doc.Core().TextRecipes().bySlot.at(0).text, "Hi");
    ASSERT_EQ(doc.Core().PageItems(0).size(), 1u);
    EXPECT_EQ(lumivo::UserImageSlot(doc.Core().Content(), doc.Core().PageItems(0)[0]), 0u);
    for (unsigned k = 0; k < pieces; ++k) {
        const std::vector<CLumivo> items = doc.Core().PageItems(1 + k);
        ASSERT_EQ(items.size(), 1u);
        EXPECT_EQ(lumivo::UserImageSlot(doc.Core().Content(), items[0]), 1 + k);
        EXPECT_LE(doc.Core().UserImages()[1 + k].header.width, boardWidth);
        EXPECT_EQ(doc.Core().TextRecipes().bySlot.at(1 + k).text, wide);
    }
    EXPECT_EQ(doc.Core().GetSchedule().entries.at(0).pages, std::vector<unsigned>{0});

    Key(Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(doc.Core().PageCount(), 1u);
    EXPECT_EQ(doc.Core().UserImages().size(), 1u);
    EXPECT_EQ(doc.Core().TextRecipes().bySlot.size(), 1u);
    EXPECT_EQ(Pixels(doc, 0), hi);
    EXPECT_EQ(doc.Core().GetSchedule().entries.at(0).pages, std::vector<unsigned>{0});
    EXPECT_FALSE(doc.IsModified());
}

} // namespace
