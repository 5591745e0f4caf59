// SPDX-License-Identifier: GPL-2.0-or-later
// The controller settings dialog and the user image dialog, alone and over
// the link to the simulated controller, and the simulated board the
// program starts by itself.
#include "board_window_util.h"

#include "app/commands.h"
#include "core/image_use.h"
#include "core/picture_convert.h"
#include "core/text_image_project.h"
#include "ui/lumivo_viewer.h"
#include "ui/module_state_dlg.h"
#include "ui/simulated_board.h"
#include "ui/user_image_dlg.h"

#include <serio/widgets/serial_dialogs.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTimeEdit>
#include <QUndoStack>

#include <csignal>
#include <sys/stat.h>

namespace {

constexpr BYTE kReadSettings = 0x73, kWriteSettings = 0x53, kSendImages = 0x49, kImagesDone = 0x44;

QStringList Items(QComboBox* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out.append(list->itemText(i));
    return out;
}

// A record as a controller might hold it: version 1.3.1, a language value
// the lists do not offer, and bytes the program does not use.
std::vector<uint8_t> OddSettings()
{
    serio::ControllerSettings s{};
    const uint8_t version[4] = {0x01, 0x00, 0x03, 0x01};
    std::memcpy(&s, version, 4);
    s.wColumns = 6;
    s.wRows = 1;
    s.wDayBrightness = 4;
    s.wNightBrightness = 2;
    s.wLanguage = 5;
    for (int i = 0; i < 100; ++i)
        s.reserved56[i] = uint8_t(i * 7 + 3);
    std::vector<uint8_t> bytes(sizeof s);
    std::memcpy(bytes.data(), &s, sizeof s);
    return bytes;
}

QString SavePicture(const QString& path, const QImage& image)
{
    EXPECT_TRUE(image.save(path)) << path.toStdString();
    return path;
}

} // namespace

TEST(ModuleStateDialog, ShowsVersionDateAndTheLanguagesOfTheModel)
{
    lumivo::CModuleStateModel model;
    const BYTE made[4] = {0x21, 0x03, 0x15, 0};
    ASSERT_TRUE(model.SetModuleInfo(u"LV-9", made));
    const std::vector<uint8_t> record = OddSettings();
    ASSERT_TRUE(model.SetSettings(record.data(), record.size()));
    model.SetModelCode(serio::ModuleInfo::MakeModelCode(6, 1, 10));
    CModuleStateDlg dlg(model, {}, {});
    EXPECT_EQ(dlg.VersionField()->text(), QStringLiteral("LV-9 v1.3.1"));
    EXPECT_EQ(dlg.ManufactureField()->text(), QStringLiteral("2021-03-15"));
    EXPECT_TRUE(QDateTime::fromString(dlg.ClockField()->text(), QStringLiteral("yyyy-MM-dd HH:mm:ss")).isValid())
        << dlg.ClockField()->text().toStdString();
    // The facts are text to select and copy, reached by the keyboard, not fields.
    for (QLabel* fact : {dlg.VersionField(), dlg.ManufactureField(), dlg.ClockField()})
        EXPECT_TRUE(fact->textInteractionFlags() & Qt::TextSelectableByKeyboard);
    EXPECT_EQ(dlg.focusWidget(), static_cast<QWidget*>(dlg.PowerBox())); // the first field that can be edited
    EXPECT_EQ(Items(dlg.LanguageList()), QStringList({"English", "Korean"}));
    EXPECT_EQ(dlg.LanguageList()->currentIndex(), 0); // 5 is none of them
    EXPECT_FALSE(dlg.ColorList()->isEnabled());
    EXPECT_FALSE(dlg.PowerOnField()->isEnabled()); // the schedule is off
    dlg.PowerBox()->setChecked(true);
    EXPECT_TRUE(dlg.PowerOnField()->isEnabled());
    EXPECT_TRUE(dlg.Model().PowerEnabled());
    // Typed brightness is taken as well as stepped, within 1..10.
    dlg.DayBrightnessField()->setValue(9);
    EXPECT_EQ(dlg.Model().DayBrightness(), 9);
    EXPECT_EQ(dlg.Model().Language(), 5);
}

TEST_F(BoardWindowTest, SettingsDialogWritesOnlyItsEditsAndCancelSendsNothing)
{
    WriteBytes(state / "settings.bin", OddSettings());
    boardsim::Options o;
    o.language = 'E';
    StartLinked(o);
    ASSERT_TRUE(KeyJob(Qt::Key_F5));

    // Cancel: read once, nothing written.
    QStringList languages;
    QString version;
    WhenModal([&](QWidget* w) {
        auto* dlg = qobject_cast<CModuleStateDlg*>(w);
        ASSERT_NE(dlg, nullptr);
        languages = Items(dlg->LanguageList());
        version = dlg->VersionField()->text();
        dlg->reject();
    });
    const int reads = Requests(kReadSettings);
    ASSERT_TRUE(KeyJob(Qt::Key_F7));
    EXPECT_EQ(Requests(kReadSettings), reads + 1);
    EXPECT_EQ(Requests(kWriteSettings), 0);
    EXPECT_EQ(languages, QStringList({"English", "Latin and Chinese"})); // the content language's one name
    EXPECT_EQ(version, QStringLiteral("LV-SIM v1.3.1"));

    // Write at once from the open dialog, Read back, then OK writes again.
    WhenModal([&](QWidget* w) {
        auto* dlg = qobject_cast<CModuleStateDlg*>(w);
        ASSERT_NE(dlg, nullptr);
        dlg->RowsField()->setValue(2);
        QTest::mouseClick(dlg->WriteButton(), Qt::LeftButton);
        EXPECT_EQ(Requests(kWriteSettings), 1);
        EXPECT_EQ(sim->Settings()[54], 2);
        dlg->ColumnsField()->setValue(9);
        QTest::mouseClick(dlg->ReadButton(), Qt::LeftButton); // the controller's 6 comes back
        EXPECT_EQ(dlg->ColumnsField()->value(), 6);
        dlg->ColumnsField()->setValue(8);
        dlg->PowerBox()->setChecked(true);
        dlg->accept();
    });
    ASSERT_TRUE(KeyJob(Qt::Key_F7));
    EXPECT_EQ(Requests(kWriteSettings), 2);
    const std::vector<BYTE> after = sim->Settings();
    const std::vector<uint8_t> before = OddSettings();
    ASSERT_EQ(after.size(), 156u);
    EXPECT_EQ(after[44], 8);                         // columns
    EXPECT_EQ(after[54], 2);                         // rows
    EXPECT_EQ(after[12], 1);                         // power schedule on
    EXPECT_EQ(after[52], 5);                         // the language nobody chose
    EXPECT_TRUE(std::equal(after.begin() + 56, after.end(), before.begin() + 56));
    EXPECT_TRUE(std::equal(after.begin(), after.begin() + 4, before.begin()));
    // The preview takes the written board size.
    EXPECT_EQ(Frame()->Preview()->Viewer()->BoardPixelSize(), QSize(8 * 16, 2 * 16));

    // A language chosen by key writes the entry's value: Chinese is 2 on
    // this model (its index is 1), English 0.
    for (const auto& [key, written] : {std::pair{Qt::Key_End, 2}, std::pair{Qt::Key_Home, 0}}) {
        WhenModal([&, key = key](QWidget* w) {
            auto* dlg = qobject_cast<CModuleStateDlg*>(w);
            ASSERT_NE(dlg, nullptr);
            dlg->LanguageList()->setFocus();
            QTest::keyClick(dlg->LanguageList(), key);
            dlg->accept();
        });
        ASSERT_TRUE(KeyJob(Qt::Key_F7));
        EXPECT_EQ(sim->Settings()[52], written);
        EXPECT_EQ(sim->Settings()[53], 0);
    }
    EXPECT_EQ(sim->Settings()[44], 8); // the rest as written before
}

TEST(UserImageDialog, PicturesAreConvertedOrRefusedByTheirSize)
{
    QTemporaryDir dir;
    lumivo::CProjectCore project([](int) { return std::optional<std::vector<uint8_t>>(); });
    CUserImageDlg dlg(project);
    QStringList refusals;
    dlg.showMessage = [&](const QString& text) { refusals.append(text); };
    EXPECT_EQ(dlg.Thresholds(), lumivo::MakeThresholds(128, 128, 255));

    QImage fits(128, 127, QImage::Format_RGB32);
    fits.fill(Qt::red);
    EXPECT_TRUE(dlg.AddFile(SavePicture(dir.filePath("fits.png"), fits)));
    EXPECT_EQ(dlg.EntryName(0), QStringLiteral("No1 - fits"));
    EXPECT_EQ(dlg.EntryImage(0).header.width, 128);
    EXPECT_EQ(dlg.EntryImage(0).header.height, 127);
    EXPECT_EQ(dlg.EntryImage(0).data[0], 0x11);
    // Too large at its own size, a picture is fitted (see user_image_dlg_test); past the
    // bound of pictures read at all, it is refused.
    QImage big(16385, 2, QImage::Format_RGB32);
    big.fill(Qt::red);
    EXPECT_FALSE(dlg.AddFile(SavePicture(dir.filePath("big.png"), big)));
    ASSERT_EQ(refusals.size(), 1);
    EXPECT_TRUE(refusals[0].contains(QStringLiteral("16385 × 2"))) << refusals[0].toStdString();
    EXPECT_TRUE(refusals[0].contains(QStringLiteral("16384")));
    EXPECT_EQ(dlg.Count(), 1);

    // A 256-colour picture: red, green, yellow, blue and a darker red.
    QImage palette(6, 2, QImage::Format_Indexed8);
    palette.setColorTable({qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(255, 255, 0), qRgb(0, 0, 255), qRgb(200, 0, 0)});
    palette.fill(3);
    for (int x = 0; x < 5; ++x)
        palette.setPixel(x, 0, uint(x));
    EXPECT_TRUE(dlg.AddFile(SavePicture(dir.filePath("palette.png"), palette)));
    const auto& image = dlg.EntryImage(1);
    EXPECT_EQ(image.data[0], 0x12); // red, green
    EXPECT_EQ(image.data[1], 0x30); // yellow, blue (not shown)
    EXPECT_EQ(image.data[2] >> 4, 1); // 200 reaches 128
    // The selected imported entry follows the thresholds at once.
    dlg.List()->setCurrentRow(1);
    dlg.SetThresholds(201, 128, 255);
    EXPECT_EQ(dlg.EntryImage(1).data[2] >> 4, 0);
    EXPECT_EQ(dlg.EntryImage(1).data[0], 0x12);
    EXPECT_EQ(dlg.EntryThresholds(1), lumivo::MakeThresholds(201, 128, 255));
    EXPECT_EQ(dlg.EntryImage(0).data[0], 0x11); // the other entry keeps its own

    // Eight entries: Add asks for nothing and the button is off.
    QImage small(4, 2, QImage::Format_RGB32);
    small.fill(Qt::green);
    const QString smallPath = SavePicture(dir.filePath("small.bmp"), small);
    while (dlg.Count() < 8)
        ASSERT_TRUE(dlg.AddFile(smallPath));
    int asked = 0;
    dlg.chooseFile = [&] { return ++asked, smallPath; };
    dlg.Add();
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(dlg.Count(), 8);
    EXPECT_FALSE(dlg.AddButton()->isEnabled());
    EXPECT_FALSE(dlg.AddFile(smallPath));

    // Damaged or odd files are neither decoded in full nor waited on: GIF
    // frames claiming far more than their screen, a FIFO.
    const QString data = qEnvironmentVariable("LUMIVO_SOURCE_DIR") + QStringLiteral("/lumivo/core/tests/data/");
    lumivo::Rgb24Picture picture;
    QString error;
    // Qt's reader clips such frames to the 10 x 10 screen: refused or small.
    for (const char* name : {"gif-frame-beyond-int.gif", "gif-frame-beyond-screen.gif"}) {
        if (CUserImageDlg::ReadPicture(data + QLatin1String(name), picture, error)) {
            EXPECT_LE(picture.width * picture.height, 100) << name;
        }
    }
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("pipe.png")).constData(), 0600), 0);
    EXPECT_FALSE(CUserImageDlg::ReadPicture(dir.filePath("pipe.png"), picture, error));
    EXPECT_TRUE(error.contains(QStringLiteral("not a regular file"))) << error.toStdString();
    EXPECT_TRUE(CUserImageDlg::FileFilter().startsWith(QStringLiteral("All Image Files (")));
    EXPECT_TRUE(CUserImageDlg::FileFilter().contains(QStringLiteral("*.png")));
}

TEST_F(BoardWindowTest, UserImagesStoredAsOneStepAndSentToTheBoard)
{
    StartLinked();
    CRGX<8192> one;
    one.header.width = 4;
    one.header.height = 2;
    one.header.frames = 1;
    ASSERT_TRUE(Doc()->ReplaceUserImages({one, one}));
    Doc()->SetModifiedFlag(false);

    // OK with an empty list leaves the project without user images, undoably.
    WhenModal([](QWidget* w) {
        auto* dlg = qobject_cast<CUserImageDlg*>(w);
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(dlg->EntryName(1), QStringLiteral("User Image 02"));
        EXPECT_FALSE(dlg->SendButton()->isEnabled()); // not connected
        dlg->List()->setCurrentRow(0);
        dlg->RemoveSelected();
        dlg->RemoveSelected();
        EXPECT_EQ(dlg->Count(), 0);
        dlg->accept();
    });
    Activate();
    QTest::keyClick(Frame(), Qt::Key_F8);
    EXPECT_EQ(Doc()->Core().UserImageCount(), 0u);
    EXPECT_TRUE(Doc()->IsModified());
    Doc()->UndoStack()->undo();
    EXPECT_EQ(Doc()->Core().UserImageCount(), 2u);

    // Send: stored, then the exchange 0x49 and 0x44.
    ASSERT_TRUE(KeyJob(Qt::Key_F5));
    const QString picture = Path(QStringLiteral("logo.png"));
    QImage logo(16, 8, QImage::Format_RGB32);
    logo.fill(Qt::yellow);
    SavePicture(picture, logo);
    WhenModal([picture](QWidget* w) {
        auto* dlg = qobject_cast<CUserImageDlg*>(w);
        ASSERT_NE(dlg, nullptr);
        ASSERT_TRUE(dlg->AddFile(picture));
        QTest::mouseClick(dlg->SendButton(), Qt::LeftButton);
    });
    ASSERT_TRUE(KeyJob(Qt::Key_F8));
    EXPECT_EQ(Doc()->Core().UserImageCount(), 3u);
    EXPECT_EQ(Requests(kSendImages), 1);
    EXPECT_EQ(Requests(kImagesDone), 1);
    std::vector<uint8_t> blob;
    ASSERT_TRUE(Doc()->PackUserImages(blob));
    EXPECT_EQ(sim->UserImages(), blob);
}

// Image items name their picture by slot: moving pictures in the dialog must
// keep each item on its own picture, in one undo step, and a picture that
// items show is not removed under them.
TEST_F(BoardWindowTest, ImageItemsKeepTheirPicturesWhenImagesAreRemovedOrMoved)
{
    ASSERT_TRUE(Start());
    std::vector<CRGX<8192>> images(3);
    lumivo::TextImageRecipes recipes;
    for (unsigned i = 0; i < 3; ++i) {
        lumivo::StartUserImage(images[i], 2, int(i + 1)); // told apart by their heights
        recipes.bySlot[i].text = std::to_string(i);
    }
    ASSERT_TRUE(Doc()->ReplaceUserImages(images, QString(), recipes));
    for (unsigned i : {0u, 2u}) { // Ad 1 shows image 1, Ad 2 image 3; image 2 is shown by none
        CLumivo item;
        ASSERT_TRUE(lumivo::BuildUserImageItem(Doc()->Core(), i, 16, item).ok());
        ASSERT_TRUE(Doc()->AppendPage({item}));
    }
    auto shown = [this](unsigned page) {
        return lumivo::UserImageSlot(Doc()->Core().Content(), Doc()->Core().PageItems(page).at(0));
    };
    const std::vector<CLumivo> before = {Doc()->Core().PageItems(0)[0], Doc()->Core().PageItems(1)[0]};
    const int steps = Doc()->UndoStack()->count();

    // The first (shown by Ad 1) is refused; the second removed, the third
    // moved to the top: [3, 1].
    QStringList refusals;
    WhenModal([&refusals](QWidget* w) {
        auto* dlg = qobject_cast<CUserImageDlg*>(w);
        ASSERT_NE(dlg, nullptr);
        dlg->showMessage = [&refusals](const QString& text) { refusals << text; };
        dlg->activateWindow(); // its keys are the window's shortcuts
        ASSERT_TRUE(QTest::qWaitForWindowActive(dlg));
        dlg->List()->setFocus();
        QTest::keyClick(dlg->List(), Qt::Key_Home);
        QTest::keyClick(dlg->List(), Qt::Key_Delete);
        EXPECT_EQ(dlg->Count(), 3);
        QTest::keyClick(dlg->List(), Qt::Key_Down);
        EXPECT_EQ(dlg->List()->currentRow(), 1);
        QTest::keyClick(dlg->List(), Qt::Key_Delete);
        EXPECT_EQ(dlg->Count(), 2);
        QTest::keyClick(dlg->List(), Qt::Key_Up, Qt::AltModifier);
        EXPECT_EQ(dlg->List()->currentRow(), 0);
        QTest::keyClick(dlg->List(), Qt::Key_Return);
    });
    Activate();
    QTest::keyClick(Frame(), Qt::Key_F8);
    ASSERT_EQ(refusals.size(), 1);
    EXPECT_TRUE(refusals[0].contains(QStringLiteral("User image 1 is not removed"))) << refusals[0].toStdString();
    EXPECT_TRUE(refusals[0].contains(QStringLiteral("Ad 1, item 1"))) << refusals[0].toStdString();
    const auto after = Doc()->Core().UserImages();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0].header.height, 3);
    EXPECT_EQ(after[1].header.height, 1);
    EXPECT_EQ(shown(0), 1u);
    EXPECT_EQ(shown(1), 0u);
    EXPECT_TRUE(lumivo::CheckBeforeSend(Doc()->Core()).ok());
    // The recipes went with their pictures.
    const auto& moved = Doc()->Core().TextRecipes().bySlot;
    ASSERT_EQ(moved.size(), 2u);
    EXPECT_EQ(moved.at(0).text, "2");
    EXPECT_EQ(moved.at(1).text, "0");

    // One step takes it all back.
    EXPECT_EQ(Doc()->UndoStack()->count(), steps + 1);
    Doc()->UndoStack()->undo();
    EXPECT_EQ(Doc()->Core().UserImageCount(), 3u);
    for (unsigned page = 0; page < 2; ++page)
        EXPECT_TRUE(Doc()->Core().PageItems(page)[0] == before[page]) << page;
    EXPECT_EQ(Doc()->Core().TextRecipes().bySlot, recipes.bySlot);
    Doc()->UndoStack()->redo();
    EXPECT_EQ(shown(1), 0u);
    EXPECT_EQ(Doc()->Core().TextRecipes().bySlot.size(), 2u);
}

TEST_F(BoardWindowTest, SimulatedBoardStartsWithTheConnectionAndEndsWithTheProgram)
{
    options.showWindow = true;
    ASSERT_TRUE(Start());
    InstallBoardPrompts();
    ::unsetenv(serio::kSerialDeviceEnv);
    serio::SerialSettings s = Frame()->Packet().GetSettings();
    s.strDevice = CSimulatedBoard::kDevice;
    Frame()->Packet().SetSettings(s);
    CSimulatedBoard::Store({2, 10, 'E', 2, 6});
    ASSERT_FALSE(CSimulatedBoard::Program().isEmpty());

    ASSERT_TRUE(KeyJob(Qt::Key_F5, Qt::NoModifier, 20000)) << messages.join('\n').toStdString();
    EXPECT_TRUE(Board()->IsConnected()) << messages.join('\n').toStdString();
    EXPECT_EQ(Doc()->ModuleRows(), 2u);
    EXPECT_EQ(Doc()->ModuleColumns(), 10u);
    const QString folder = CSimulatedBoard::StateFolder();
    EXPECT_TRUE(folder.startsWith(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)));
    EXPECT_TRUE(QFileInfo::exists(QDir(folder).filePath(QStringLiteral("clock.bin"))));
    // The choice stays "simulated", not the terminal of this run.
    EXPECT_EQ(Frame()->Packet().GetSettings().strDevice, CSimulatedBoard::kDevice);
    const qint64 pid = Board()->SimulatedBoard().ProcessId();
    ASSERT_GT(pid, 0);
    EXPECT_EQ(::kill(pid_t(pid), 0), 0);

    App().ExitInstance();
    EXPECT_NE(::kill(pid_t(pid), 0), 0); // gone with the program
    EXPECT_EQ(StoredSettings().value("Serial Setup/Device").toString(), QStringLiteral("simulated"));
}

TEST_F(BoardWindowTest, PortSetupOffersTheSimulatedBoardWithItsSizeAndLanguage)
{
    ASSERT_TRUE(Start());
    WhenModal([](QWidget* w) {
        auto* dlg = qobject_cast<CSerialSetupDlg*>(w);
        ASSERT_NE(dlg, nullptr);
        auto* rows = dlg->findChild<QSpinBox*>(QStringLiteral("SimRows"));
        auto* columns = dlg->findChild<QSpinBox*>(QStringLiteral("SimColumns"));
        auto* language = dlg->findChild<QComboBox*>(QStringLiteral("SimLanguage"));
        ASSERT_TRUE(rows && columns && language);
        const int simulated = dlg->PortList()->findData(QStringLiteral("simulated"));
        ASSERT_GE(simulated, 0);
        EXPECT_EQ(dlg->PortList()->itemText(simulated), QStringLiteral("Simulated board"));
        if (dlg->PortList()->currentIndex() != simulated) {
            EXPECT_FALSE(rows->isEnabled()); // only for the simulated board
        }
        dlg->PortList()->setCurrentIndex(simulated);
        EXPECT_TRUE(rows->isEnabled());
        rows->setValue(3);
        columns->setValue(12);
        language->setCurrentIndex(0); // Korean (A)
        dlg->accept();
    });
    Frame()->Action(lumivo::cmd::kCommSetup)->trigger();
    EXPECT_EQ(Frame()->Packet().GetSettings().strDevice, CSimulatedBoard::kDevice);
    const CSimulatedBoard::Options o = CSimulatedBoard::Stored(Doc()->Core().Board());
    EXPECT_EQ(o.moduleRows, 3);
    EXPECT_EQ(o.moduleColumns, 12);
    EXPECT_EQ(o.language, 'A');

    // The port choice alone selects it again.
    WhenModal([](QWidget* w) {
        auto* dlg = qobject_cast<CSerialPortDlg*>(w);
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(dlg->PortList()->currentData().toString(), QStringLiteral("simulated"));
        dlg->reject();
    });
    EXPECT_EQ(Frame()->Packet().SerialSetup(1), 0);
}
