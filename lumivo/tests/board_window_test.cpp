// SPDX-License-Identifier: GPL-2.0-or-later
// The window's board link against the simulated controller: connecting with
// and without stored Ads, the enabling of the commands around a connection,
// sending, faults with Retry and Cancel, a device that goes away, a device
// that does not open, and the live language of dates once connected.
#include "board_window_util.h"

#include "app/commands.h"
#include "core/picture_convert.h"
#include "core/project.h"
#include "ui/lumivo_viewer.h"

#include <QUndoStack>

namespace {

namespace cmd = lumivo::cmd;
constexpr BYTE kSendAds = 0x5B, kReadAds = 0x7B, kLeave = 0x45, kModuleInfo = 0x56;

std::vector<uint8_t> PackedAds(const lumivo::AdPages& pages)
{
    lumivo::CProjectCore core([](int) { return std::optional<std::vector<uint8_t>>(); });
    EXPECT_TRUE(core.ReplaceAdList(pages).ok());
    std::vector<uint8_t> blob;
    EXPECT_TRUE(core.PackAdBlob(blob).ok());
    return blob;
}

struct Enabling {
    bool setup, connect, disconnect, send, settings, images;
    bool operator==(const Enabling&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Enabling& e)
{
    return os << e.setup << e.connect << e.disconnect << e.send << e.settings << e.images;
}

} // namespace

class BoardWindow : public BoardWindowTest {
protected:
    Enabling Now() const
    {
        return {Enabled(cmd::kCommSetup), Enabled(cmd::kCommConnect),  Enabled(cmd::kCommDisconnect),
                Enabled(cmd::kCommSend),  Enabled(cmd::kCtrlSetup),    Enabled(cmd::kCtrlUserImage)};
    }
    static constexpr Enabling kIdle{true, true, false, false, false, true};
    static constexpr Enabling kConnected{false, false, true, true, true, true};
    static constexpr Enabling kBusy{false, false, false, false, false, false};
};

TEST_F(BoardWindow, ConnectAsksForStoredAdsAndReadsThemOnYesAsOneUndoStep)
{
    const lumivo::AdPages stored = {{TextItem(u"Stored one")}, {TextItem(u"Stored"), TextItem(u"two")}};
    WriteBytes(state / "ads.bin", PackedAds(stored));
    boardsim::Options o;
    o.moduleRows = 2;
    o.moduleCols = 8;
    StartLinked(o);
    EXPECT_EQ(Now(), kIdle);

    // No: connected, the question asked, the project untouched.
    answerYes = false;
    QSignalSpy done(Board(), &CBoardActions::jobFinished);
    QTest::keyClick(Frame(), Qt::Key_F5);
    EXPECT_EQ(Now(), kBusy); // nothing can start while the exchange runs
    ASSERT_TRUE(done.wait(20000));
    EXPECT_EQ(Now(), kConnected);
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions[0].startsWith(QStringLiteral("2 of Advertisements are stored in the Controller.\n")));
    EXPECT_EQ(Doc()->Core().ItemCount(), 0u);
    EXPECT_EQ(Requests(kReadAds), 0);
    EXPECT_TRUE(sim->InUpdateMode());
    // The board the controller reported is the project's now (the user said Yes).
    EXPECT_EQ(adaptQuestions.size(), 1);
    EXPECT_EQ(Doc()->ModuleRows(), 2u);
    EXPECT_EQ(Doc()->ModuleColumns(), 8u);
    EXPECT_EQ(Frame()->Preview()->Viewer()->BoardPixelSize(), QSize(128, 32));

    ASSERT_TRUE(KeyJob(Qt::Key_F5, Qt::ShiftModifier));
    EXPECT_EQ(Now(), kIdle);
    EXPECT_FALSE(sim->InUpdateMode());
    EXPECT_EQ(sim->Received().back().command, kLeave);

    // Yes: the Ads arrive, and one undo gives the empty project back.
    answerYes = true;
    ASSERT_TRUE(KeyJob(Qt::Key_F5));
    EXPECT_EQ(Doc()->Core().Pages().size(), 2u);
    EXPECT_EQ(Doc()->Core().ItemCount(), 3u);
    EXPECT_EQ(Doc()->Core().PageItems(1).size(), 2u);
    EXPECT_TRUE(Doc()->IsModified());
    Doc()->UndoStack()->undo();
    EXPECT_EQ(Doc()->Core().ItemCount(), 0u);
    EXPECT_EQ(Now(), kConnected) << messages.join("|").toStdString();
    ASSERT_TRUE(KeyJob(Qt::Key_F5, Qt::ShiftModifier));

    // Unsaved changes: Cancel keeps them and reads nothing; Discard replaces them.
    ASSERT_TRUE(Doc()->AppendPage({TextItem(u"Mine")}));
    saveAnswer = CPrompts::SaveAnswer::Cancel;
    const int reads = Requests(kReadAds);
    ASSERT_TRUE(KeyJob(Qt::Key_F5));
    EXPECT_EQ(Requests(kReadAds), reads);
    EXPECT_EQ(Doc()->Core().ItemCount(), 1u);
    ASSERT_TRUE(KeyJob(Qt::Key_F5, Qt::ShiftModifier));
    saveAnswer = CPrompts::SaveAnswer::Discard;
    ASSERT_TRUE(KeyJob(Qt::Key_F5));
    EXPECT_EQ(Doc()->Core().ItemCount(), 3u);
}

// A text image's recipe describes its pixels: once the board holds another
// picture in that slot, the recipe would redraw the wrong one.
TEST_F(BoardWindow, ImagesReadBackKeepOnlyTheRecipesOfUnchangedPictures)
{
    std::vector<CRGX<8192>> mine(2);
    lumivo::StartUserImage(mine[0], 4, 2);
    lumivo::StartUserImage(mine[1], 4, 2);
    mine[0].data[0] = 0x12;
    mine[1].data[0] = 0x34;
    std::vector<CRGX<8192>> onBoard = mine;
    onBoard[1].data[1] = 0x70; // redrawn on another computer
    lumivo::CProjectCore packer([](int) { return std::optional<std::vector<uint8_t>>(); });
    ASSERT_TRUE(packer.ReplaceUserImages(onBoard).ok());
    std::vector<uint8_t> blob(size_t(packer.Content().GetUserImageLZO(nullptr)));
    packer.Content().GetUserImageLZO(blob.data(), blob.size());
    WriteBytes(state / "userimages.bin", blob);
    WriteBytes(state / "ads.bin", PackedAds({{TextItem(u"Stored")}}));
    boardsim::Options o;
    o.moduleRows = 2;
    o.moduleCols = 8;
    StartLinked(o);
    lumivo::TextImageRecipes recipes;
    recipes.bySlot[0].text = "same";
    recipes.bySlot[1].text = "redrawn";
    ASSERT_TRUE(Doc()->ReplaceUserImages(mine, QString(), recipes));
    Doc()->SetModifiedFlag(false);

    answerYes = true;
    ASSERT_TRUE(KeyJob(Qt::Key_F5));
    ASSERT_EQ(Doc()->Core().UserImageCount(), 2u) << messages.join("|").toStdString();
    EXPECT_EQ(Doc()->Core().UserImages()[1].data[1], 0x70);
    const auto& kept = Doc()->Core().TextRecipes().bySlot;
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept.at(0).text, "same");
    Doc()->UndoStack()->undo();
    EXPECT_EQ(Doc()->Core().TextRecipes().bySlot, recipes.bySlot);
    EXPECT_EQ(Doc()->Core().UserImages()[1].data[1], 0);
    ASSERT_TRUE(KeyJob(Qt::Key_F5, Qt::ShiftModifier));
}

TEST_F(BoardWindow, SendRefusesAnEmptyProjectThenSendsAndDisconnects)
{
    StartLinked();
    ASSERT_TRUE(KeyJob(Qt::Key_F5)); // no stored Ads: no question
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_EQ(Now(), kConnected);

    messages.clear();
    Activate();
    QTest::keyClick(Frame(), Qt::Key_F6);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("no Ads to send")));
    EXPECT_EQ(Requests(kSendAds), 0);
    EXPECT_EQ(Now(), kConnected);

    ASSERT_TRUE(Doc()->AppendPage({TextItem(u"Hello"), TextItem(u"World")}));
    ASSERT_TRUE(Doc()->AppendPage({TextItem(u"Sale")}));
    ASSERT_TRUE(KeyJob(Qt::Key_F6));
    EXPECT_TRUE(messages.contains(
        QStringLiteral("Sent 2 Ads to the board on %1.").arg(QString::fromStdString(sim->DevicePath()))))
        << messages.join('|').toStdString();
    lumivo::AdPages sent;
    const std::vector<BYTE> blob = sim->AdBlob();
    ASSERT_TRUE(lumivo::ReadAdBlob(blob.data(), blob.size(), sent).ok());
    EXPECT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent, Doc()->Core().Pages());
    // A successful send ends the connection.
    EXPECT_EQ(Now(), kIdle);
    EXPECT_FALSE(sim->InUpdateMode());
}

TEST_F(BoardWindow, RetryRepeatsAFailedStepAndCancelGivesUp)
{
    boardsim::Options o;
    o.foreign[kModuleInfo] = 1;
    o.foreign[kSendAds] = -1;
    StartLinked(o);
    retries = 1;
    ASSERT_TRUE(KeyJob(Qt::Key_F5));
    ASSERT_EQ(retryTexts.size(), 1);
    EXPECT_TRUE(retryTexts[0].startsWith(QStringLiteral("Panelix connection failed.\n"))) << retryTexts[0].toStdString();
    EXPECT_EQ(Now(), kConnected);

    // A failed send: Cancel keeps the connection and the project.
    ASSERT_TRUE(Doc()->AppendPage({TextItem(u"Never")}));
    std::vector<uint8_t> blob;
    ASSERT_TRUE(Doc()->PackAdBlob(blob)); // numbers the items, as every send does
    const std::vector<uint8_t> before = Doc()->Core().Serialize();
    retryTexts.clear();
    retries = 1;
    ASSERT_TRUE(KeyJob(Qt::Key_F6));
    ASSERT_EQ(retryTexts.size(), 2);
    for (const QString& text : retryTexts)
        EXPECT_TRUE(text.startsWith(QStringLiteral("Data transmission failed.\n"))) << text.toStdString();
    EXPECT_EQ(Requests(kSendAds), 2); // a foreign answer is not tried again
    EXPECT_EQ(Now(), kConnected);
    EXPECT_EQ(Doc()->Core().Serialize(), before);

    // Cancel on a connection step leaves update mode and closes the port.
    ASSERT_TRUE(KeyJob(Qt::Key_F5, Qt::ShiftModifier));
    sim->Stop();
    boardsim::Options bad;
    bad.foreign[kModuleInfo] = -1;
    bad.stateDir = state.string();
    sim = std::make_unique<boardsim::CBoardSim>(bad, nullptr);
    ASSERT_EQ(0, sim->Create());
    sim->Start();
    ::setenv(serio::kSerialDeviceEnv, sim->DevicePath().c_str(), 1);
    retries = 0;
    ASSERT_TRUE(KeyJob(Qt::Key_F5));
    EXPECT_EQ(Now(), kIdle);
    EXPECT_EQ(sim->Received().back().command, kLeave);
}

TEST_F(BoardWindow, DeviceGoneMidSendSaysSoAndLeavesTheProjectAlone)
{
    boardsim::Options o;
    o.vanish[kSendAds] = -1;
    StartLinked(o);
    ASSERT_TRUE(KeyJob(Qt::Key_F5));
    ASSERT_TRUE(Doc()->AppendPage({TextItem(u"Lost")}));
    std::vector<uint8_t> blob;
    ASSERT_TRUE(Doc()->PackAdBlob(blob)); // numbers the items, as every send does
    const std::vector<uint8_t> before = Doc()->Core().Serialize();
    retries = 3;
    messages.clear();
    ASSERT_TRUE(KeyJob(Qt::Key_F6));
    EXPECT_TRUE(retryTexts.isEmpty()); // nothing to try again on
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("went away")));
    EXPECT_TRUE(messages[0].contains(QString::fromStdString(sim->DevicePath())));
    EXPECT_EQ(Now(), kIdle);
    EXPECT_EQ(Doc()->Core().Serialize(), before);
}

TEST_F(BoardWindow, DeviceThatDoesNotOpenIsNamedAtOnce)
{
    StartLinked();
    ::setenv(serio::kSerialDeviceEnv, "/dev/ttyUSB-not-there", 1);
    messages.clear();
    ASSERT_TRUE(KeyJob(Qt::Key_F5, Qt::NoModifier, 5000));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("/dev/ttyUSB-not-there does not exist")));
    EXPECT_TRUE(retryTexts.isEmpty());
    EXPECT_EQ(Now(), kIdle);
    // The port choice is offered (declined here).
    EXPECT_EQ(questions, QStringList({"Choose another serial port now?"}));
}

TEST_F(BoardWindow, LiveDatesFollowTheConnectedBoardsLanguage)
{
    // An English content library on a board whose settings say Korean.
    boardsim::Options o;
    o.language = 'E';
    serio::ControllerSettings s{};
    s.wColumns = 6;
    s.wRows = 1;
    s.wLanguage = 1;
    std::vector<uint8_t> record(sizeof s);
    std::memcpy(record.data(), &s, sizeof s);
    WriteBytes(state / "settings.bin", record);
    StartLinked(o);
    CContent* content = Doc()->BorrowContent();
    EXPECT_NE(content->GetBoardLanguage(), 10u);
    ASSERT_TRUE(KeyJob(Qt::Key_F5));
    EXPECT_EQ(content->GetBoardLanguage(), 10u);
    ASSERT_TRUE(KeyJob(Qt::Key_F5, Qt::ShiftModifier));
    EXPECT_EQ(content->GetBoardLanguage(), content->GetContentLanguage());

    // Program end while connected leaves update mode without waiting.
    ASSERT_TRUE(KeyJob(Qt::Key_F5));
    EXPECT_TRUE(sim->InUpdateMode());
    App().ExitInstance();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !sim->InUpdateMode(); }, 2000));
    EXPECT_EQ(sim->Received().back().command, kLeave);
}
