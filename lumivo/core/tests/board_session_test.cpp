// SPDX-License-Identifier: GPL-2.0-or-later
// The board session against the simulated controller.
#include "board_fixture.h"

#include <common/globalization.h>
#include <qvr/content.h>

#include <chrono>
#include <thread>

using namespace board_test;
using lumivo::BoardResult;
namespace cmd = lumivo::board_cmd;

namespace {

TEST(BoardClock, PayloadOfTheLastSecondOf2099AndWeekdays)
{
    const lumivo::CFixedClock clock(2099, 12, 31, 23, 59, 59);
    EXPECT_EQ((std::array<BYTE, 7>{0x63, 0x0C, 0x1F, 0x05, 0x17, 0x3B, 0x3B}),
              lumivo::MakeClockPayload(clock.LocalNow()));
    EXPECT_EQ(0, lumivo::DayOfWeek(2026, 12, 6)); // a Sunday
    EXPECT_EQ(1, lumivo::DayOfWeek(2000, 1, 3));  // a Monday, in a leap century year
    EXPECT_EQ(2, lumivo::DayOfWeek(2024, 2, 27));
    EXPECT_EQ(4, lumivo::DayOfWeek(2024, 2, 29));
    EXPECT_EQ(6, lumivo::DayOfWeek(2000, 1, 1)); // a Saturday: day byte 7
    EXPECT_EQ(7, lumivo::MakeClockPayload(lumivo::CFixedClock(2000, 1, 1, 0, 0, 0).LocalNow())[3]);
}

TEST(BoardQuestion, StoredAdCountTextBreaksLinesAndFillsOnlyTheCount)
{
    TempDir lang;
    WriteFile(lang.path / "Test.lang", {});
    {
        std::ofstream out(lang.path / "Test.lang");
        out << "[Format]\nfmtLumivoCount=%d Ads && more\\nGet them? %s 100%%\n";
    }
    CGlobalization::SetLangDir(lang.path);
    CGlobalization::SelectLanguage(u"Test");
    EXPECT_EQ("7 Ads \n more\nGet them? %s 100%", lumivo::AdCountQuestion(7));
    CGlobalization::SelectLanguage(u"Missing");
    EXPECT_EQ("3 of Advertisements are stored in the Controller.\nDo you want to get Ad. List? ",
              lumivo::AdCountQuestion(3));
    CGlobalization::SetLangDir({});
}

TEST_F(BoardLink, ConnectWithoutStoredAdsReadsTheBoardAndStaysInUpdateMode)
{
    boardsim::Options o;
    o.moduleRows = 3;
    o.moduleCols = 12;
    o.language = 'E';
    o.contentRows = 2;
    o.contentCols = 6;
    StartSim(o);
    ASSERT_EQ(BoardResult::Ok, session->Connect());
    EXPECT_TRUE(session->IsConnected());
    EXPECT_TRUE(sim->InUpdateMode());
    EXPECT_EQ((Bytes{cmd::kEnterUpdate, cmd::kSetClock, cmd::kModuleInfo, cmd::kReadSettings}), Commands());
    EXPECT_TRUE(ui.boxes.empty()); // no stored Ads: no question
    EXPECT_EQ(0, ui.locks);

    ASSERT_EQ(1u, document.boards.size());
    const lumivo::BoardFromModule& b = document.boards[0];
    EXPECT_EQ(3, b.moduleRow);
    EXPECT_EQ(12, b.moduleColumn);
    EXPECT_EQ('E', b.language);
    EXPECT_EQ(2, b.lumivoRow);
    EXPECT_EQ(6, b.lumivoColumn);
    EXPECT_EQ(std::vector<unsigned>{14}, document.languages); // settings language 2 (Chinese)
    EXPECT_EQ(serio::ModuleInfo::MakeModelCode(6, 2, 14), session->ModelCode());
    EXPECT_EQ(12, session->Settings().wColumns);
    EXPECT_EQ(sim->Clock(), (Bytes{0x63, 0x0C, 0x1F, 0x05, 0x17, 0x3B, 0x3B}));

    // Connecting again does nothing.
    const size_t before = sim->Received().size();
    EXPECT_EQ(BoardResult::AlreadyConnected, session->Connect());
    EXPECT_EQ(before, sim->Received().size());

    session->Disconnect();
    EXPECT_FALSE(session->IsConnected());
    EXPECT_EQ(cmd::kLeaveUpdate, Commands().back());
    EXPECT_FALSE(sim->InUpdateMode());
}

TEST_F(BoardLink, ConnectWithStoredAdsAsksAndReadsAdsAndImagesOnYesOnly)
{
    const Bytes ads = MakeAdBlob(3, 0x11);
    const Bytes images = {'L', 'Z', 'O', ' ', 8, 0, 0, 0}; // not read by the session, only carried
    WriteFile(state.path / "ads.bin", ads);
    WriteFile(state.path / "userimages.bin", images);
    StartSim();
    ui.yes = false;
    ASSERT_EQ(BoardResult::Ok, session->Connect());
    ASSERT_EQ(1, ui.Count("yesno"));
    EXPECT_EQ("3 of Advertisements are stored in the Controller.\nDo you want to get Ad. List? ", ui.boxes[0].text);
    EXPECT_EQ("lumivo", ui.boxes[0].caption);
    EXPECT_EQ(0, Requests(cmd::kReadAds));
    EXPECT_TRUE(document.loadedAds.empty());
    session->Disconnect();

    ui.yes = true;
    ASSERT_EQ(BoardResult::Ok, session->Connect());
    EXPECT_EQ(ads, document.loadedAds);
    EXPECT_EQ(images, document.loadedImages);
    EXPECT_EQ(cmd::kReadUserImages, Commands().back());
    EXPECT_EQ(3u, document.boards.size()); // module information, then again before loading the Ads
}

// The question comes for 1 to 50 stored Ads only: a count of 0 has nothing
// to read, and one beyond 50 is no count a controller can hold.
TEST_F(BoardLink, StoredAdsAreOfferedForOneToFiftyOnly)
{
    WriteFile(state.path / "ads.bin", MakeAdBlob(1));
    for (const int claimed : {0, 1, 50, 51, 255}) {
        boardsim::Options o;
        o.claimedAds = claimed;
        StartSim(o);
        ui.boxes.clear();
        ui.yes = false;
        ASSERT_EQ(BoardResult::Ok, session->Connect()) << claimed;
        EXPECT_EQ(claimed >= 1 && claimed <= 50 ? 1 : 0, ui.Count("yesno")) << claimed;
        EXPECT_EQ(0, Requests(cmd::kReadAds)) << claimed;
        session->Disconnect();
    }
}

TEST_F(BoardLink, AdsThatCannotBeReadOfferRetryAndCancelEndsTheConnection)
{
    WriteFile(state.path / "ads.bin", MakeAdBlob(2));
    StartSim();
    ui.yes = true;
    ui.retries = 1;
    document.acceptAds = false;
    EXPECT_EQ(BoardResult::Cancelled, session->Connect());
    EXPECT_EQ(2, Requests(cmd::kReadAds)); // Retry repeated the whole read
    EXPECT_EQ(2, ui.Count("retry"));
    EXPECT_FALSE(session->IsConnected());
    EXPECT_NE(std::string::npos, session->LastError().find("Ad blob"));
    EXPECT_EQ(cmd::kLeaveUpdate, Commands().back());
}

TEST_F(BoardLink, SendThenFetchGivesBackTheSameAds)
{
    StartSim();
    document.packed = MakeAdBlob(4, 0x5A);
    ASSERT_EQ(BoardResult::Ok, session->Connect());
    ASSERT_EQ(BoardResult::Ok, session->Send());
    EXPECT_FALSE(session->IsConnected()); // a successful send disconnects
    EXPECT_EQ(document.packed, sim->AdBlob());
    ASSERT_FALSE(ui.boxes.empty());
    EXPECT_EQ("Sent 4 Ads to the board on " + sim->DevicePath() + ".", ui.boxes.back().text);
    EXPECT_EQ(cmd::kLeaveUpdate, Commands().back());

    RecordingDocument fetched;
    session->SetDocument(&fetched);
    ui.yes = true;
    ASSERT_EQ(BoardResult::Ok, session->Connect());
    EXPECT_EQ(document.packed, fetched.loadedAds);
    EXPECT_EQ(4, session->ModuleInfo().byAdCount);
}

TEST_F(BoardLink, FailedSendOffersRetryAndCancelKeepsTheConnection)
{
    boardsim::Options o;
    o.foreign[cmd::kSendAds] = 2; // two foreign answers, then acknowledged
    StartSim(o);
    document.packed = MakeAdBlob(1);
    ASSERT_EQ(BoardResult::Ok, session->Connect());
    ui.retries = 0;
    EXPECT_EQ(BoardResult::Cancelled, session->Send());
    EXPECT_TRUE(session->IsConnected());
    ASSERT_EQ(1, ui.Count("retry"));
    EXPECT_EQ(0u, ui.boxes.back().text.rfind("Data transmission failed.\n", 0)) << ui.boxes.back().text;
    EXPECT_EQ("Sending fail", ui.boxes.back().caption);

    ui.retries = 1;
    EXPECT_EQ(BoardResult::Ok, session->Send());
    EXPECT_EQ(3, Requests(cmd::kSendAds));
    EXPECT_EQ(document.packed, sim->AdBlob());
}

TEST_F(BoardLink, FailedStepIsRepeatedOnRetryAndCancelLeavesUpdateModeAndCloses)
{
    boardsim::Options o;
    o.foreign[cmd::kModuleInfo] = 1;
    o.foreign[cmd::kReadSettings] = -1;
    StartSim(o);
    ui.retries = 2;
    EXPECT_EQ(BoardResult::Cancelled, session->Connect());
    EXPECT_EQ(2, Requests(cmd::kModuleInfo)); // failed once, repeated once
    EXPECT_EQ(2, Requests(cmd::kReadSettings));
    ASSERT_EQ(3, ui.Count("retry"));
    EXPECT_EQ(0u, ui.boxes.back().text.rfind("Panelix connection failed.\n", 0)) << ui.boxes.back().text;
    EXPECT_EQ(0, ui.locks); // drawing unlocked after giving up
    EXPECT_FALSE(session->IsConnected());
    EXPECT_EQ(cmd::kLeaveUpdate, Commands().back());
    EXPECT_NE(std::string::npos, session->LastError().find("controller settings"));
}

TEST_F(BoardLink, SettingsAnswerOfAnotherLengthIsAFailure)
{
    boardsim::Options o;
    o.shortAnswer[cmd::kReadSettings] = -1;
    o.shortAnswer[cmd::kModuleInfo] = 1;
    StartSim(o);
    ui.retries = 1;
    EXPECT_EQ(BoardResult::Cancelled, session->Connect());
    EXPECT_EQ(2, Requests(cmd::kModuleInfo)); // the short record was not taken
    EXPECT_EQ(1, Requests(cmd::kReadSettings));
    EXPECT_NE(std::string::npos, session->LastError().find("155 bytes, not 156"));
    EXPECT_EQ(0, session->Settings().wColumns); // nothing copied

    // The settings command says so and shows no dialog.
    ui.boxes.clear();
    bool shown = false;
    ui.edit = [&](lumivo::CModuleStateModel&) { return shown = true; };
    ASSERT_EQ(0, session->Packet().Open(static_cast<serio::IPacketOwner*>(nullptr)));
    EXPECT_EQ(BoardResult::Failed, session->ModuleState());
    EXPECT_FALSE(shown);
    EXPECT_EQ(0, Requests(cmd::kWriteSettings));
    ASSERT_EQ(1, ui.Count("message"));
    EXPECT_NE(std::string::npos, ui.boxes.back().text.find("155 bytes, not 156"));
}

TEST_F(BoardLink, SettingsEditsWriteOnlyTheirOwnBytes)
{
    // A record with every byte set, language 5 (no list entry).
    Bytes record(156);
    for (size_t i = 0; i < record.size(); ++i)
        record[i] = static_cast<BYTE>(i * 7 + 3);
    record[52] = 5, record[53] = 0;
    WriteFile(state.path / "settings.bin", record);
    StartSim();
    ASSERT_EQ(BoardResult::Ok, session->Connect());

    // Cancel in the dialog sends nothing.
    EXPECT_EQ(BoardResult::Cancelled, session->ModuleState());
    EXPECT_EQ(0, Requests(cmd::kWriteSettings));

    int language = -1;
    ui.edit = [&](lumivo::CModuleStateModel& m) {
        language = m.Language();
        m.SetPowerEnabled(true);
        m.SetPowerOn({6, 30, 0});
        m.SetBeep(false);
        m.SpinDayBrightness(11); // the spin stops at 10
        m.SetColumns(8);
        return true;
    };
    ASSERT_EQ(BoardResult::Ok, session->ModuleState());
    EXPECT_EQ(5, language);
    const Bytes written = sim->Settings();
    ASSERT_EQ(156u, written.size());
    Bytes expected = record;
    expected[12] = 1, expected[13] = 0;
    expected[4] = 6, expected[5] = 30, expected[6] = 0;
    expected[14] = 0, expected[15] = 0;
    expected[28] = 10, expected[29] = 0;
    expected[44] = 8, expected[45] = 0;
    EXPECT_EQ(expected, written);
    EXPECT_TRUE(std::equal(record.begin() + 56, record.end(), written.begin() + 56));
}

TEST_F(BoardLink, SettingsReadAndWriteFailuresOfferRetry)
{
    boardsim::Options o;
    o.foreign[cmd::kWriteSettings] = 1;
    StartSim(o);
    ASSERT_EQ(BoardResult::Ok, session->Connect());
    ui.edit = [](lumivo::CModuleStateModel& m) {
        m.SetRows(3);
        return true;
    };
    ui.retries = 1;
    ASSERT_EQ(BoardResult::Ok, session->ModuleState());
    ASSERT_EQ(1, ui.Count("retry"));
    EXPECT_EQ(0u, ui.boxes.back().text.rfind("Fail: Write controller setting.\n", 0)) << ui.boxes.back().text;
    EXPECT_EQ(2, Requests(cmd::kWriteSettings));
    EXPECT_EQ(3, sim->Settings()[54]);
}

TEST_F(BoardLink, UserImageExchangeSendsTheBlobThenCloses)
{
    StartSim();
    document.userImages = {'L', 'Z', 'O', ' ', 12, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(BoardResult::Ok, session->Connect());
    ASSERT_EQ(BoardResult::Ok, session->SendUserImages());
    EXPECT_EQ(document.userImages, sim->UserImages());
    const Bytes c = Commands();
    ASSERT_GE(c.size(), 2u);
    EXPECT_EQ(cmd::kSendUserImages, c[c.size() - 2]);
    EXPECT_EQ(cmd::kUserImagesDone, c.back());
    // Confirmed like a send of the Ads.
    ASSERT_EQ(1u, ui.boxes.size());
    EXPECT_EQ("Sent the user images to the board on " + sim->DevicePath() + ".", ui.boxes[0].text);
}

TEST_F(BoardLink, UserImageExchangeFailuresSayTimeoutOnlyForSilence)
{
    boardsim::Options o;
    o.foreign[cmd::kSendUserImages] = 1;
    o.noAnswer[cmd::kUserImagesDone] = 1;
    StartSim(o);
    document.userImages = {'L', 'Z', 'O', ' ', 8, 0, 0, 0};
    ASSERT_EQ(BoardResult::Ok, session->Connect());
    // A foreign answer is explained with Retry offered (declined: nothing
    // more is sent, no closing command).
    EXPECT_EQ(BoardResult::Cancelled, session->SendUserImages());
    ASSERT_EQ(1, ui.Count("retry"));
    EXPECT_EQ(0, ui.Count("message"));
    EXPECT_EQ(0u, ui.boxes.back().text.rfind("Data transmission failed.\n", 0)) << ui.boxes.back().text;
    EXPECT_NE(std::string::npos, ui.boxes.back().text.find("sending the user images: an answer to another command"));
    EXPECT_EQ(0, Requests(cmd::kUserImagesDone));
    // Silence after the closing command (3 s) says "Communication timeout!"
    // first, then what failed.
    EXPECT_EQ(BoardResult::Failed, session->SendUserImages());
    ASSERT_EQ(1, ui.Count("message"));
    EXPECT_EQ(0u, ui.boxes.back().text.rfind("Communication timeout!\n", 0)) << ui.boxes.back().text;
    EXPECT_NE(std::string::npos, ui.boxes.back().text.find("closing the user images: no answer"));
    EXPECT_EQ("Error comm...", ui.boxes.back().caption);
}

// Progress window stand-in: remembers each window's title, range and last position.
class ProgressLog : public serio::IPacketOwner {
public:
    struct Window {
        std::string title;
        DWORD total;
        std::atomic<DWORD> last{0};
    };
    class Bar : public serio::ISerialProgress {
    public:
        explicit Bar(Window& w) : m_w(w) {}
        void OnProgressMessage(DWORD bytes) override { m_w.last = bytes; }
        void RefreshPosition() override {}

    private:
        Window& m_w;
    };
    std::unique_ptr<serio::ISerialProgress> CreateProgressWindow(const char* title, DWORD total) override
    {
        windows.push_back(std::make_unique<Window>());
        windows.back()->title = title;
        windows.back()->total = total;
        return std::make_unique<Bar>(*windows.back());
    }
    std::vector<std::unique_ptr<Window>> windows;
};

TEST_F(BoardLink, LongTransfersShowProgressOverTheirLengths)
{
    const Bytes ads = MakeAdBlob(5, 0x77);
    const Bytes images(3000, 0x42);
    WriteFile(state.path / "ads.bin", ads);
    WriteFile(state.path / "userimages.bin", images);
    StartSim();
    ProgressLog progress;
    session->SetProgressOwner(&progress);
    ui.yes = true;
    document.packed = MakeAdBlob(2, 0x33);
    // A blob that reads back whole: the send refuses any other.
    document.userImages = [] {
        auto content = std::make_unique<CContent>();
        CRGX<8192> image;
        image.header = {CONTENT_IMAGE, 64, 32, 1, 0, 0, 7, 50};
        for (size_t i = 0; i < 1024; ++i)
            image.data[i] = static_cast<unsigned char>(i * 37 >> 3);
        content->InsertUserImage(&image);
        Bytes blob(static_cast<size_t>(content->GetUserImageLZO(nullptr)));
        content->GetUserImageLZO(blob.data(), blob.size());
        return blob;
    }();
    ASSERT_EQ(BoardResult::Ok, session->Connect());
    ASSERT_EQ(BoardResult::Ok, session->SendUserImages());
    ASSERT_EQ(BoardResult::Ok, session->Send());

    ASSERT_EQ(4u, progress.windows.size());
    const std::pair<std::string, size_t> expected[] = {{"Read data...", ads.size()},
                                                       {"Read data...", images.size()},
                                                       {"Send data...", document.userImages.size()},
                                                       {"Send data...", document.packed.size()}};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(expected[i].first, progress.windows[i]->title) << i;
        EXPECT_EQ(expected[i].second, progress.windows[i]->total) << i;
    }
    // Receiving counts payload bytes, sending whole frames (7 bytes more).
    EXPECT_EQ(ads.size(), progress.windows[0]->last.load());
    EXPECT_EQ(document.packed.size() + 7, progress.windows[3]->last.load());
}

TEST_F(BoardLink, TraceLinesOfAConnection)
{
    TempDir dir;
    lumivo::CTraceLog trace(clock);
    ASSERT_TRUE(trace.Open(dir.path / "trace.log"));
    StartSim();
    session->SetTrace(&trace);
    ASSERT_EQ(BoardResult::Ok, session->Connect());
    ASSERT_EQ(BoardResult::Cancelled, session->ModuleState()); // dialog cancelled
    const std::string t = "2099-12-31 23:59:59 ";
    EXPECT_EQ(t + "Serial Open\n" + t + "Update Mode\n\n" + t + "Set Controller DateTime\n" + t +
                  "init module info\n" + t + "Get Module Info\n" + t + "Get Module Info Recv\n" + t +
                  "Get Module Info OK\n" + t + "SetLumivoInfo\n" + t + "SetLumivoInfoOK\n" + t + "init board info\n" +
                  t + "Get Board Info\n" + t + "Get Board Info Recv\n" + t + "Get Board Info OK\n" + t +
                  "SetLumivoInfo\n" + t + "init module info OK\n\n" + t + "Connect: connected to " + sim->DevicePath() + "\n" + t +
                  "OnModuleStateRead\n\n",
              ReadText(dir.path / "trace.log"));
}

TEST_F(BoardLink, ProgramEndLeavesUpdateModeWithoutWaiting)
{
    StartSim();
    ASSERT_EQ(BoardResult::Ok, session->Connect());
    session.reset();
    EXPECT_TRUE(WaitFor([&] { return Requests(cmd::kLeaveUpdate) == 1; }));
    EXPECT_TRUE(WaitFor([&] { return !sim->InUpdateMode(); }));
}

} // namespace
