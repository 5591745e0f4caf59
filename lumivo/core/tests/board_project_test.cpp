// SPDX-License-Identifier: GPL-2.0-or-later
// The board session with the real project core, and the board verbs of
// lumivo-cli against the lumivo-boardsim program over a pseudo-terminal.
#include "board_fixture.h"
#include "test_support.h"

#include "core/project_board.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>


using namespace board_test;
using coretest::Outcome;
using lumivo::BoardResult;

namespace {

std::vector<Bytes> StoredItems(const lumivo::CProjectCore& p)
{
    std::vector<Bytes> out;
    for (const lumivo::CAdEntry& e : p.Entries()) {
        Bytes raw(qvr::kItemBytes);
        qvr::StoreItem(e.item, raw.data());
        raw.push_back(static_cast<BYTE>(e.page));
        out.push_back(raw);
    }
    return out;
}

TEST_F(BoardLink, ProjectSentAndFetchedKeepsItsItemsAndTakesTheControllersBoard)
{
    StartSim();
    coretest::TestContent content;
    auto sent = coretest::MakeProject(content);
    ASSERT_TRUE(sent->AppendPage({coretest::TextItem(u"Hello")}).ok());
    ASSERT_TRUE(sent->AppendPage({coretest::TextItem(u"World")}).ok());
    ASSERT_TRUE(sent->AppendPage({coretest::TextItem(u"Third"), coretest::TextItem(u"line")}).ok());
    for (BYTE fill : {0x12, 0x34}) {
        CRGX<8192> image;
        image.header.width = 16;
        image.header.height = 16;
        std::fill(image.data, image.data + 128, fill);
        ASSERT_EQ(1, sent->Content().InsertUserImage(&image));
    }
    lumivo::CProjectBoardDocument sentDoc(*sent);
    session->SetDocument(&sentDoc);
    ASSERT_EQ(BoardResult::Ok, session->Connect());
    ASSERT_EQ(BoardResult::Ok, session->SendUserImages()) << session->LastError();
    ASSERT_EQ(BoardResult::Ok, session->Send()) << session->LastError();

    coretest::TestContent content2;
    auto fetched = coretest::MakeProject(content2);
    lumivo::CProjectBoardDocument fetchedDoc(*fetched);
    session->SetDocument(&fetchedDoc);
    ui.yes = true;
    ASSERT_EQ(BoardResult::Ok, session->Connect());
    EXPECT_EQ(3u, fetched->PageCount());
    EXPECT_EQ(StoredItems(*sent), StoredItems(*fetched));
    EXPECT_EQ((lumivo::BoardValues{1, 6, 'A', 1, 6}), fetched->Board());
    EXPECT_EQ(10u, fetched->Content().GetBoardLanguage()); // settings language 1
    ASSERT_EQ(2u, fetched->UserImageCount());
    EXPECT_EQ(0x34, fetched->Content().GetUserImage(1)->data[127]);
    EXPECT_EQ(0, fetched->Content().GetUserImage(1)->data[128]);
}

// ---- lumivo-cli against lumivo-boardsim.

class CliBoard : public ::testing::Test {
protected:
    // Starts the simulator with extra options and reads its device path.
    void StartSim(std::vector<std::string> options = {})
    {
        StopSim();
        options.insert(options.begin(), {LUMIVO_BOARDSIM, "--state", (dir / "state").string()});
        int out[2];
        ASSERT_EQ(0, ::pipe2(out, O_CLOEXEC));
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addopen(&actions, 2, (dir / "sim.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        std::vector<char*> argv;
        for (std::string& a : options)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ASSERT_EQ(0, posix_spawn(&simPid, LUMIVO_BOARDSIM, &actions, nullptr, argv.data(), environ));
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        device.clear();
        char c = 0;
        pollfd p{out[0], POLLIN, 0};
        while (::poll(&p, 1, 5000) > 0 && ::read(out[0], &c, 1) == 1 && c != '\n')
            device += c;
        ::close(out[0]);
        ASSERT_FALSE(device.empty());
    }
    void StopSim()
    {
        if (simPid > 0) {
            ::kill(simPid, SIGTERM);
            ::waitpid(simPid, nullptr, 0);
        }
        simPid = -1;
    }
    void SetUp() override
    {
        setenv("LUMIVO_CONTENT_DIR", (dir / "content").c_str(), 1);
        std::filesystem::create_directory(dir / "content");
        for (int r : {312, 314})
            ASSERT_TRUE(lumivo::WriteFileAtomic(dir / "content" / (std::to_string(r) + ".qvr"),
                                                coretest::TinyContainer()));
    }
    void TearDown() override
    {
        StopSim();
        unsetenv("LUMIVO_CONTENT_DIR");
    }
    // Runs the tool in the test folder with the simulator's device.
    Outcome Call(std::vector<std::string> args, bool withDevice = true)
    {
        if (withDevice)
            args.insert(args.end(), {"--device", device});
        return coretest::RunProgram("lumivo-cli", std::move(args), dir.path);
    }
    Bytes State(const char* name) const
    {
        const std::string text = ReadText(dir / "state" / name);
        return Bytes(text.begin(), text.end());
    }

    coretest::TempDir dir;
    pid_t simPid = -1;
    std::string device;
};

TEST_F(CliBoard, ConnectPrintsTheControllerAndClockSetsIt)
{
    StartSim({"--module-rows", "2", "--module-cols", "10", "--language", "E"});
    Outcome r = Call({"connect", "--json"});
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("\"module\":{\"model\":\"LV-SIM\""));
    EXPECT_NE(std::string::npos, r.out.find("\"moduleRows\":2,\"moduleColumns\":10"));
    EXPECT_NE(std::string::npos, r.out.find("\"languageName\":\"Chinese\""));
    r = Call({"connect"});
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("board: 2 x 10 modules\n"));
    EXPECT_NE(std::string::npos, r.out.find("version: LV-SIM v1.0.1\n"));

    std::filesystem::remove(dir / "state" / "clock.bin");
    r = Call({"clock"});
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ(7u, State("clock.bin").size());
}

TEST_F(CliBoard, SendThenFetchWritesTheSameAdsAsAProject)
{
    StartSim();
    const std::string p = (dir / "p.qvndoc").string();
    ASSERT_EQ(0, Call({"new", p}, false).status);
    ASSERT_EQ(0, Call({"add", p, "--type", "text", "--text", "Hello"}, false).status);
    ASSERT_EQ(0, Call({"add", p, "--type", "text", "--text", "World"}, false).status);
    Outcome r = Call({"send", p});
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ("sent 2 Ads (2 items)\n", r.out);

    const std::string f = (dir / "f.qvndoc").string();
    r = Call({"fetch", f});
    ASSERT_EQ(0, r.status) << r.err;
    const Outcome sentInfo = Call({"info", p}, false), fetchedInfo = Call({"info", f}, false);
    auto pages = [](const std::string& info) { return info.substr(info.find("page 0")); };
    EXPECT_EQ(pages(sentInfo.out), pages(fetchedInfo.out));
    EXPECT_NE(std::string::npos, fetchedInfo.out.find("board: 1 x 6 modules"));
}

TEST_F(CliBoard, ImagesSentAreFetchedWithTheAds)
{
    StartSim();
    lumivo::CProjectCore project;
    ASSERT_TRUE(project.AppendPage({coretest::TextItem(u"Pictures")}).ok());
    CRGX<8192> image;
    image.header.width = 16;
    image.header.height = 16;
    std::fill(image.data, image.data + 128, 0x56);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(1, project.Content().InsertUserImage(&image));
    const std::string p = (dir / "p.qvndoc").string();
    ASSERT_TRUE(project.SaveFile(p).ok());

    Outcome r = Call({"images", "send", p});
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ("sent 3 user images\n", r.out);
    ASSERT_EQ(0, Call({"send", p}).status);
    const std::string f = (dir / "f.qvndoc").string();
    r = Call({"fetch", f});
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("fetched 1 Ads (1 items) and 3 user images"));
    EXPECT_NE(std::string::npos, Call({"info", f}, false).out.find("user images: 3"));
}

TEST_F(CliBoard, SettingsSetWritesOnlyTheNamedFields)
{
    Bytes record(156);
    for (size_t i = 0; i < record.size(); ++i)
        record[i] = static_cast<BYTE>(i * 5 + 1);
    record[52] = 1, record[53] = 0;
    WriteFile(dir / "state" / "settings.bin", record);
    StartSim();
    Outcome r = Call({"settings", "--set", "columns=12", "beep=off", "--set", "night-time=20:15", "--json"});
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("\"columns\":12"));
    Bytes expected = record;
    expected[44] = 12, expected[45] = 0;
    expected[14] = 0, expected[15] = 0;
    expected[36] = 20, expected[37] = 15, expected[38] = 0;
    EXPECT_EQ(expected, State("settings.bin"));

    // Wrong fields and values are refused before anything is sent.
    EXPECT_EQ(2, Call({"settings", "--set", "colour=3"}).status);
    EXPECT_EQ(2, Call({"settings", "--set", "rows=5"}).status);
    r = Call({"settings", "--set", "language=chinese"}); // a Korean model
    EXPECT_EQ(2, r.status);
    EXPECT_NE(std::string::npos, r.err.find("English (0), Korean (1)"));
    EXPECT_EQ(expected, State("settings.bin"));

    // On a Chinese model the second entry's value is 2, not its index 1;
    // English is 0 by name and by value.
    StartSim({"--language", "E"});
    for (const auto& [value, written] : std::vector<std::pair<std::string, BYTE>>{
             {"chinese", 2}, {"english", 0}, {"2", 2}, {"0", 0}, {"Chinese", 2}}) {
        r = Call({"settings", "--set", "language=" + value});
        ASSERT_EQ(0, r.status) << value << ": " << r.err;
        const Bytes now = State("settings.bin");
        ASSERT_EQ(156u, now.size());
        EXPECT_EQ(written, now[52]) << value;
        EXPECT_EQ(0, now[53]) << value;
    }
    EXPECT_EQ(2, Call({"settings", "--set", "language=1"}).status); // Korean's value: not offered here
}

TEST_F(CliBoard, RetriesAnswerRetryThenCancel)
{
    StartSim({"--foreign", "0x56:2"});
    Outcome r = Call({"clock", "--retries", "1"});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("connection failed: reading the module information"));
    r = Call({"clock", "--retries", "1"}); // the simulator's faults are used up by now
    EXPECT_EQ(0, r.status) << r.err;

    StartSim({"--short", "0x73"});
    r = Call({"settings", "--retries", "3"});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("155 bytes, not 156"));
}

} // namespace
