// SPDX-License-Identifier: GPL-2.0-or-later
// The link's plain faults: a device that does not open, a device that goes
// away during a send, and a read of stored Ads the user declines to let
// replace the project.
#include "board_fixture.h"

#include "core/board_text.h"

#include <common/globalization.h>

#include <cerrno>
#include <chrono>
#include <grp.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

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

    EXPECT_NE(std::string::npos, lumivo::OpenErrorText("/dev/ttyUSB0", EBUSY).find("in use by another program"));
}

// Joining the device's group is advised only when that group may read and
// write it and is not root's; otherwise who may open it, and a udev rule.
TEST(BoardPermissions, AdviceFollowsTheDevicesOwnerAndMode)
{
    TempDir dir;
    auto device = [&](const char* name, gid_t group, mode_t mode) {
        const std::filesystem::path path = dir.path / name;
        WriteFile(path, {});
        EXPECT_EQ(0, ::chown(path.c_str(), 0, group));
        EXPECT_EQ(0, ::chmod(path.c_str(), mode));
        return lumivo::OpenErrorText(path.string(), EACCES);
    };
    const std::string rootOnly = device("ttyUSB0", 0, 0600);
    EXPECT_EQ(std::string::npos, rootOnly.find("usermod -aG root")) << rootOnly;
    EXPECT_NE(std::string::npos, rootOnly.find("only root may open it")) << rootOnly;
    EXPECT_NE(std::string::npos, rootOnly.find("root:root, mode 0600"));
    EXPECT_NE(std::string::npos, rootOnly.find("/etc/udev/rules.d/"));
    EXPECT_NE(std::string::npos,
              rootOnly.find("\nSUBSYSTEM==\"tty\", KERNEL==\"ttyUSB0\", GROUP=\"dialout\", MODE=\"0660\""));

    const struct group* dialout = ::getgrnam("dialout");
    ASSERT_NE(nullptr, dialout) << "the system has no group dialout";
    const std::string grouped = device("ttyUSB1", dialout->gr_gid, 0660);
    EXPECT_NE(std::string::npos, grouped.find("belongs to the group dialout")) << grouped;
    EXPECT_NE(std::string::npos, grouped.find("sudo usermod -aG dialout $USER"));
    EXPECT_EQ(std::string::npos, grouped.find("udev"));

    const std::string closed = device("ttyUSB2", dialout->gr_gid, 0000);
    EXPECT_EQ(std::string::npos, closed.find("belongs to the group")) << closed;
    EXPECT_NE(std::string::npos, closed.find("only root may open it"));
    EXPECT_NE(std::string::npos, closed.find("KERNEL==\"ttyUSB2\""));
}

// A failed step says, in the interface's language, on which device it
// failed, in which step, what kind of failure it was and what to try; the
// trace has the cause.
TEST_F(BoardLink, FailureMessageNamesTheDeviceTheStepAndTheKindInEveryLanguage)
{
    const char* source = std::getenv("LUMIVO_SOURCE_DIR");
    ASSERT_NE(nullptr, source);
    CGlobalization::SetLangDir(std::filesystem::path(source) / "resources" / "Lang");
    struct Case {
        const char16_t* language;
        const char* headline;
        const char* step;
        const char* foreign;
        const char* settingsStep;
        const char* damaged;
    };
    const Case cases[] = {
        {u"English", "Panelix connection failed.", "reading the module information", "an answer to another command",
         "reading the controller settings", "a damaged answer"},
        {u"Korean", "Panelix 연결에 실패했습니다.", "모듈 정보 읽기", "다른 명령에 대한 응답", "컨트롤러 설정 읽기",
         "손상된 응답"},
        {u"Chinese", "Panelix 连接失败。", "读取模块信息", "应答属于另一条命令", "读取控制卡设置", "应答已损坏"},
    };
    for (const Case& c : cases) {
        CGlobalization::SelectLanguage(c.language);
        boardsim::Options o;
        o.foreign[cmd::kModuleInfo] = 1;
        o.shortAnswer[cmd::kReadSettings] = 1;
        StartSim(o);
        ui.boxes.clear();
        ui.retries = 1;
        EXPECT_EQ(BoardResult::Cancelled, session->Connect());
        ASSERT_EQ(2, ui.Count("retry"));
        const std::string foreign = ui.boxes[0].text, damaged = ui.boxes[1].text;
        EXPECT_EQ(0u, foreign.rfind(std::string(c.headline) + "\n", 0)) << foreign;
        for (const std::string& text : {foreign, damaged})
            EXPECT_NE(std::string::npos, text.find(sim->DevicePath())) << text;
        EXPECT_NE(std::string::npos, foreign.find(c.step)) << foreign;
        EXPECT_NE(std::string::npos, damaged.find(c.settingsStep)) << damaged;
        EXPECT_NE(std::string::npos, foreign.find(c.foreign)) << foreign;
        EXPECT_NE(std::string::npos, damaged.find(c.damaged)) << damaged;
        sim->Stop();
    }
    CGlobalization::SelectLanguage(u"English");

    // Silence, in the trace too.
    lumivo::CTraceLog trace;
    ASSERT_TRUE(trace.Open((state.path / "trace.log").string()));
    boardsim::Options o;
    o.noAnswer[cmd::kSetClock] = -1;
    StartSim(o);
    session->SetTrace(&trace);
    ui.boxes.clear();
    EXPECT_EQ(BoardResult::Cancelled, session->Connect());
    ASSERT_EQ(1, ui.Count("retry"));
    EXPECT_NE(std::string::npos, ui.boxes[0].text.find("setting the clock: no answer.")) << ui.boxes[0].text;
    EXPECT_NE(std::string::npos, ui.boxes[0].text.find("switched on")) << ui.boxes[0].text;
    trace.Close();
    EXPECT_NE(std::string::npos, ReadText(state.path / "trace.log").find("Connect: setting the clock: no answer"));
    CGlobalization::SetLangDir({});
}

// Cancel during a send: the board gets the closing command at once, the
// port closes, nothing is asked and the trace says so.
TEST_F(BoardLink, CancelDuringASendLeavesUpdateModeAtOnce)
{
    boardsim::Options o;
    o.noAnswer[cmd::kSendAds] = -1;
    StartSim(o);
    document.packed = MakeAdBlob(2);
    ASSERT_EQ(BoardResult::Ok, session->Connect());
    std::thread canceller([&] {
        WaitFor([&] { return Requests(cmd::kSendAds) == 1; }, 5000);
        session->Packet().CancelExchange();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(BoardResult::Cancelled, session->Send());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    canceller.join();
    EXPECT_FALSE(session->IsConnected());
    EXPECT_EQ(0, ui.Count("retry"));
    EXPECT_FALSE(session->Packet().IsCancelled()); // spent: the next exchange may run
    ASSERT_TRUE(WaitFor([&] { return Commands().back() == cmd::kLeaveUpdate; }, 2000));
    EXPECT_FALSE(sim->InUpdateMode());
    EXPECT_NE(std::string::npos, session->LastError().find("sending the Ads: cancelled"));
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
