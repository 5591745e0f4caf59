// SPDX-License-Identifier: GPL-2.0-or-later
// The link's plain faults: a device that does not open, a device that goes
// away during a send, and a read of stored Ads the user declines to let
// replace the project.
#include "board_fixture.h"

#include "core/board_text.h"

#include <cerrno>

using namespace board_test;
using lumivo::BoardResult;
namespace cmd = lumivo::board_cmd;

TEST_F(BoardLink, DeviceThatDoesNotOpenIsNamedAtOnceWithoutRetries)
{
    StartSim();
    profile.WriteProfileString(serio::kSerialSetupSection, serio::kSerialDeviceKey, "/dev/no-such-tty");
    session = std::make_unique<lumivo::CBoardSession>(ui, clock); // reads the port settings
    EXPECT_EQ(BoardResult::Failed, session->Connect());
    EXPECT_EQ(ENOENT, session->LastOpenError());
    EXPECT_TRUE(ui.boxes.empty()); // no Retry: the reason is the result
    EXPECT_NE(std::string::npos, session->LastError().find("/dev/no-such-tty does not exist"));
    EXPECT_EQ(0, ui.locks);
    EXPECT_TRUE(sim->Received().empty());

    // In use and refused say so; refused names the owning group and how to join it.
    EXPECT_NE(std::string::npos, lumivo::OpenErrorText("/dev/ttyUSB0", EBUSY).find("in use by another program"));
    const std::string denied = lumivo::OpenErrorText("/dev/null", EACCES);
    EXPECT_NE(std::string::npos, denied.find("group root"));
    EXPECT_NE(std::string::npos, denied.find("usermod -aG root"));
}

TEST_F(BoardLink, DeviceGoneDuringSendEndsWithoutRetryAndSaysSo)
{
    boardsim::Options o;
    o.vanish[cmd::kSendAds] = -1;
    StartSim(o);
    document.packed = MakeAdBlob(3);
    ASSERT_EQ(BoardResult::Ok, session->Connect());
    ui.retries = 5;
    EXPECT_EQ(BoardResult::Failed, session->Send());
    EXPECT_EQ(0, ui.Count("retry"));
    EXPECT_FALSE(session->IsConnected());
    EXPECT_NE(std::string::npos, session->LastError().find("went away"));
    EXPECT_NE(std::string::npos, session->LastError().find(sim->DevicePath()));
}

TEST_F(BoardLink, DecliningToReplaceTheAdsSkipsTheRead)
{
    WriteFile(state.path / "ads.bin", MakeAdBlob(2));
    StartSim();
    struct Declining : ScriptedUi {
        int asked = 0;
        bool MayReplaceAds() override { return ++asked, false; }
    } declining;
    declining.yes = true;
    session = std::make_unique<lumivo::CBoardSession>(declining, clock);
    session->SetDocument(&document);
    EXPECT_EQ(BoardResult::Ok, session->Connect());
    EXPECT_EQ(1, declining.asked);
    EXPECT_EQ(0, Requests(cmd::kReadAds));
    EXPECT_TRUE(document.loadedAds.empty());
}
