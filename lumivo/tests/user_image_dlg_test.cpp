// SPDX-License-Identifier: GPL-2.0-or-later
// The user image dialog's making of pictures: the whole image as LED dots,
// each entry's own thresholds, fitting, dithering, transparency, the memory
// meter; a picture of the dialog is left in the build tree.
#include "core/picture_convert.h"
#include "lumivo_doc.h"

#include <common/profile.h>
#include "ui/user_image_dlg.h"

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QUndoStack>

#include <set>

#include <gtest/gtest.h>

namespace {

QString Save(const QTemporaryDir& dir, const char* name, const QImage& image)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    EXPECT_TRUE(image.save(path)) << path.toStdString();
    return path;
}

QImage Filled(int w, int h, QColor colour, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(w, h, format);
    image.fill(colour);
    return image;
}

std::set<int> Nibbles(const CUserRGX& image)
{
    std::set<int> seen;
    for (int i = 0; i < image.header.width / 2 * image.header.height; ++i) {
        seen.insert(image.data[i] >> 4);
        seen.insert(image.data[i] & 15);
    }
    return seen;
}

TEST(UserImageMaking, PicturesAreShownWholeFittedAndDitheredLive)
{
    QTemporaryDir dir;
    lumivo::CProjectCore project([](int) { return std::optional<std::vector<uint8_t>>(); });
    CUserImageDlg dlg(project);
    QStringList refusals;
    dlg.showMessage = [&](const QString& text) { refusals.append(text); };

    // A 120 × 60 picture at its own size shows all its rows as dots.
    ASSERT_TRUE(dlg.AddFile(Save(dir, "wide.png", Filled(120, 60, Qt::red))));
    const QPixmap dots = dlg.Picture()->pixmap();
    ASSERT_FALSE(dots.isNull());
    EXPECT_EQ(dots.width() * 60, dots.height() * 120) << "the whole picture, in its shape";
    EXPECT_LE(dots.height(), dlg.Picture()->height());
    EXPECT_LE(dots.width(), dlg.Picture()->width());
    EXPECT_FALSE(dlg.Original()->pixmap().isNull()) << "the picture beside its dots";

    // Blue takes no part in the thresholds, and the dialog says so.
    EXPECT_FALSE(dlg.Slider(2)->isEnabled());
    EXPECT_TRUE(dlg.Slider(0)->isEnabled());

    // Each entry shows its own thresholds when it is selected.
    ASSERT_TRUE(dlg.AddFile(Save(dir, "second.png", Filled(8, 8, Qt::green))));
    dlg.SetThresholds(40, 200, 255);
    dlg.List()->setCurrentRow(0);
    EXPECT_EQ(128, dlg.Slider(0)->value());
    dlg.List()->setCurrentRow(1);
    EXPECT_EQ(40, dlg.Slider(0)->value());
    EXPECT_EQ(200, dlg.Slider(1)->value());

    // Too large at its own size: fitted to the board's height, 32 rows here.
    ASSERT_TRUE(dlg.AddFile(Save(dir, "photo.png", Filled(400, 300, QColor(200, 40, 160)))));
    EXPECT_EQ(int(lumivo::FitMode::Fit), dlg.FitChoice()->currentData().toInt());
    EXPECT_EQ(42, dlg.EntryImage(2).header.width);
    EXPECT_EQ(32, dlg.EntryImage(2).header.height);
    EXPECT_EQ((std::set<int>{1}), Nibbles(dlg.EntryImage(2))) << "purple by the thresholds: red only";

    // Fill to a chosen size, then diffusion: red and blue dots, no thresholds.
    dlg.FitChoice()->setCurrentIndex(dlg.FitChoice()->findData(int(lumivo::FitMode::Fill)));
    dlg.WidthField()->setValue(64);
    dlg.HeightField()->setValue(16);
    EXPECT_EQ(64, dlg.EntryImage(2).header.width);
    EXPECT_EQ(16, dlg.EntryImage(2).header.height);
    dlg.ConversionChoice()->setCurrentIndex(dlg.ConversionChoice()->findData(int(lumivo::Conversion::Diffusion)));
    const std::set<int> dithered = Nibbles(dlg.EntryImage(2));
    EXPECT_TRUE(dithered.count(4) || dithered.count(5)) << "blue dots";
    EXPECT_LT(*dithered.rbegin(), 8);
    EXPECT_FALSE(dlg.Slider(0)->isEnabled());

    // Transparent parts become dark, whatever colour they hide.
    QImage clear = Filled(10, 4, QColor(255, 255, 255, 0), QImage::Format_ARGB32);
    ASSERT_TRUE(dlg.AddFile(Save(dir, "clear.png", clear)));
    EXPECT_EQ((std::set<int>{0}), Nibbles(dlg.EntryImage(3)));

    EXPECT_EQ(QStringLiteral("4 of 8 images, 7 % of the memory"), dlg.Meter()->text());
    EXPECT_TRUE(refusals.isEmpty()) << refusals.join(QLatin1Char('\n')).toStdString();

    dlg.List()->setCurrentRow(2);
    if (const QByteArray out = qgetenv("LUMIVO_SCREENSHOT_DIR"); !out.isEmpty()) {
        dlg.show();
        dlg.grab().save(QString::fromLocal8Bit(out) + QStringLiteral("/user-image-dialog.png"));
    }
}

} // namespace

TEST(UserImageMaking, RemovingAnImageMovesTheTextRecipesWithTheImages)
{
    QTemporaryDir dir;
    common::CMemoryProfile profile;
    common::SetAppProfile(&profile);
    struct Restore {
        ~Restore() { common::SetAppProfile(nullptr); }
    } restore;
    CPrompts prompts;
    CLumivoDoc doc(prompts, [](int) { return std::optional<std::vector<uint8_t>>(); });
    std::vector<CRGX<8192>> images(3);
    for (size_t i = 0; i < images.size(); ++i)
        lumivo::StartUserImage(images[i], 2, int(i + 1));
    lumivo::TextImageRecipes recipes;
    recipes.bySlot[0].text = "first";
    recipes.bySlot[2].text = "third";
    ASSERT_TRUE(doc.ReplaceUserImages(images, QString(), recipes));

    // The first removed, a picture added: the third's recipe follows it to
    // the second place, and the picture has none.
    CUserImageDlg dlg(doc.Core());
    dlg.List()->setCurrentRow(0);
    dlg.RemoveSelected();
    ASSERT_TRUE(dlg.AddFile(Save(dir, "p.png", Filled(4, 4, Qt::red))));
    ASSERT_TRUE(doc.RearrangeUserImages(dlg.Images(), dlg.Origins()));
    EXPECT_EQ(doc.Core().TextRecipes().bySlot.size(), 1u);
    EXPECT_EQ(doc.Core().TextRecipes().bySlot.at(1).text, "third");
    EXPECT_EQ(doc.Core().UserImages().at(1).header.height, 3);
    doc.UndoStack()->undo();
    EXPECT_EQ(doc.Core().TextRecipes().bySlot.at(0).text, "first");
    EXPECT_EQ(doc.Core().TextRecipes().bySlot.at(2).text, "third");
}
