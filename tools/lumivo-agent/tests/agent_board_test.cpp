// SPDX-License-Identifier: GPL-2.0-or-later
// The built agent against the simulated board on a pseudo-terminal, at
// 115,200 baud: what a user of the API sees, and what the board holds.
#include "agent_process.h"

#include "agent_time.h"

#include "core/project.h"

#include <common/text.h>

#include <cstdlib>
#include <random>

namespace {

using namespace agent_test;
using nlohmann::json;
using Clock = std::chrono::steady_clock;

// How long a wait on the board or the agent may take before the test gives
// up: only a safety net, as every wait ends on the state it waits for.
constexpr int kSafetyMs = 30000;

long Since(Clock::time_point t)
{
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

// Waits until the board plays exactly one Ad, whose text holds `text`.
bool WaitForText(const AgentProcess& a, const std::string& text, int ms)
{
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    do {
        const auto t = PlayedTexts(a.SimState());
        if (t.size() == 1 && t[0].find(text) != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (Clock::now() < until);
    return false;
}

class AgentBoard : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(agent.Start()) << agent.Log(); }
    void Push(const std::string& project)
    {
        auto r = agent.Client().Put("/api/v1/project", project, "application/octet-stream");
        ASSERT_TRUE(r);
        ASSERT_EQ(200, r->status) << r->body;
    }
    TempDir state;
    AgentProcess agent{state.path, {"--check-seconds", "2", "--baud", "115200"}};
};

TEST_F(AgentBoard, APushedProjectIsOnTheBoardAndVerified)
{
    const std::string welcome = Example("welcome.qvndoc");
    Push(welcome);
    json s;
    ASSERT_TRUE(agent.WaitFor(Verified, kSafetyMs, &s)) << s.dump();
    EXPECT_EQ("ok", s["board"]["link"]);
    EXPECT_EQ(10u, s["pages"].size());
    EXPECT_EQ(10u, PlayedTexts(agent.SimState()).size());
    auto back = agent.Client().Get("/api/v1/project");
    ASSERT_TRUE(back);
    EXPECT_EQ(welcome, back->body);
    auto log = agent.Client().Get("/api/v1/log", {{"Accept", "text/csv"}});
    ASSERT_TRUE(log);
    EXPECT_EQ(0u, log->body.find("from,to,hash,pages,notification,verifiedAt\r\n"));
    EXPECT_NE(std::string::npos, log->body.find(s["verified"].get<std::string>()));
    auto png = agent.Client().Get("/api/v1/preview.png");
    ASSERT_TRUE(png);
    EXPECT_EQ(0u, png->body.find("\x89PNG"));
    auto gif = agent.Client().Get("/api/v1/render.gif?seconds=2");
    ASSERT_TRUE(gif);
    EXPECT_EQ(0u, gif->body.find("GIF89a"));
}

TEST_F(AgentBoard, NotificationsShowPromptlyPreemptQueueAndGiveTheAdsBack)
{
    Push(Example("welcome.qvndoc"));
    json s;
    ASSERT_TRUE(agent.WaitFor(Verified, kSafetyMs, &s));
    const std::string scheduled = s["verified"];

    // Durations count from when a notification becomes the one shown, push
    // included: the ones that must end by themselves get a few seconds, so
    // that a slow push cannot use them up; the first one is ended by hand.
    auto sent = Clock::now();
    auto r = agent.Client().Post("/api/v1/notify", R"({"text":"Kitchen closes in 10 minutes","duration":600,"priority":3})",
                                 "application/json");
    ASSERT_TRUE(r);
    ASSERT_EQ(200, r->status) << r->body;
    const json answer = json::parse(r->body);
    ASSERT_TRUE(WaitForText(agent, "Kitchen", kSafetyMs));
    const long shown = Since(sent);
    RecordProperty("notify_to_board_ms", int(shown));
    std::printf("notify to board: %ld ms\n", shown);
    EXPECT_EQ(answer["hash"], agent.State()["applied"]) << "the answer names the hash on the board";

    // A higher priority pre-empts at once; an equal one waits its turn, and
    // the pre-empted one comes back first when the higher one has run out.
    r = agent.Client().Post("/api/v1/notify", R"({"text":"Fire drill","duration":3,"priority":9})", "application/json");
    ASSERT_TRUE(r && r->status == 200);
    ASSERT_TRUE(WaitForText(agent, "Fire drill", kSafetyMs));
    r = agent.Client().Post("/api/v1/notify", R"({"text":"Same","duration":3,"priority":3})", "application/json");
    ASSERT_TRUE(r && r->status == 200);
    auto list = agent.Client().Get("/api/v1/notify");
    ASSERT_TRUE(list);
    EXPECT_EQ(3u, json::parse(list->body).size());
    ASSERT_TRUE(WaitForText(agent, "Kitchen", kSafetyMs)) << "the pre-empted one comes back";
    r = agent.Client().Delete("/api/v1/notify/" + std::to_string(answer["id"].get<uint64_t>()));
    ASSERT_TRUE(r && r->status == 200);
    ASSERT_TRUE(WaitForText(agent, "Same", kSafetyMs));

    // The scheduled Ads come back when the last one ends.
    const auto until = Clock::now() + std::chrono::milliseconds(kSafetyMs);
    while (PlayedTexts(agent.SimState()).size() != 10 && Clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(10u, PlayedTexts(agent.SimState()).size());
    ASSERT_TRUE(agent.WaitFor(Verified, kSafetyMs, &s));
    EXPECT_EQ(scheduled, s["verified"]);
}

TEST_F(AgentBoard, ARefusedNotificationChangesNothing)
{
    Push(Example("welcome.qvndoc"));
    ASSERT_TRUE(agent.WaitFor(Verified, kSafetyMs));
    const std::string before = ReadText(agent.SimState() / "ads.bin");
    const json state = agent.State();
    for (const std::string& text : {std::string(101, 'A'), std::string("\xe0\xb8\x81\xe0\xb8\x82")}) {
        auto r = agent.Client().Post("/api/v1/notify", json{{"text", text}}.dump(), "application/json");
        ASSERT_TRUE(r);
        EXPECT_EQ(422, r->status) << text;
        EXPECT_EQ("text", json::parse(r->body)["field"]);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(before, ReadText(agent.SimState() / "ads.bin"));
    EXPECT_EQ(state["revision"], agent.State()["revision"]);
    EXPECT_EQ(0u, json::parse(agent.Client().Get("/api/v1/notify")->body).size());
}

TEST_F(AgentBoard, ANotificationWiderThanTheBoardScrollsThroughIt)
{
    Push(Example("welcome.qvndoc"));
    ASSERT_TRUE(agent.WaitFor(Verified, kSafetyMs));
    struct Case {
        const char* body;
        const char* text;
        uint16_t start, end;
    };
    // Slides in from the right and out to the left (Flow 1); a text that
    // fits keeps the plain defaults, and a chosen effect is kept.
    const Case cases[] = {
        {R"({"text":"Kitchen closes in 10 minutes"})", "Kitchen closes in 10 minutes", 59, 59},
        {R"({"text":"Open"})", "Open", 100, 97},
        {R"({"text":"Kitchen closes soon, order now","end":"Zoom 3"})", "Kitchen closes soon, order now", 59, 78},
    };
    // Each stays until it is deleted, so that it is still on the board
    // however long the push took.
    for (const Case& c : cases) {
        auto r = agent.Client().Post("/api/v1/notify", c.body, "application/json");
        ASSERT_TRUE(r && r->status == 200) << c.body;
        ASSERT_TRUE(WaitForText(agent, c.text, kSafetyMs)) << c.body;
        const std::vector<CLumivo> items = PlayedItems(agent.SimState());
        ASSERT_EQ(1u, items.size());
        EXPECT_EQ(c.text, ItemText(items[0])) << "the whole text is on the board";
        EXPECT_EQ(c.start, items[0].effectS.code) << c.body;
        EXPECT_EQ(c.end, items[0].effectE.code) << c.body;
        r = agent.Client().Delete("/api/v1/notify/" + std::to_string(json::parse(r->body)["id"].get<uint64_t>()));
        ASSERT_TRUE(r && r->status == 200) << c.body;
        ASSERT_TRUE(agent.WaitFor([](const json& j) { return j["notification"].is_null(); }, kSafetyMs));
    }
}

TEST_F(AgentBoard, ASimulatorRestartedEmptyGetsTheStateBack)
{
    Push(Example("welcome.qvndoc"));
    ASSERT_TRUE(agent.WaitFor(Verified, kSafetyMs));
    const int sim = agent.SimulatorPid();
    ASSERT_GT(sim, 0);
    ::kill(sim, SIGKILL);
    std::filesystem::remove(agent.SimState() / "ads.bin");
    const auto lost = Clock::now();
    json s;
    ASSERT_TRUE(agent.WaitFor([&](const json& j) { return Verified(j) && agent.SimulatorPid() != sim &&
                                                      PlayedTexts(agent.SimState()).size() == 10; },
                              30000, &s))
        << s.dump();
    std::printf("simulator restarted empty: state back after %ld ms\n", Since(lost));
}

TEST_F(AgentBoard, PlantedDriftIsReportedWithinOneCheckPeriod)
{
    Push(Example("welcome.qvndoc"));
    json s;
    ASSERT_TRUE(agent.WaitFor(Verified, kSafetyMs, &s));
    // Another sender puts other Ads on the board behind the agent's back.
    const std::string device = s["board"]["device"].get<std::string>();
    const std::string pts = device.substr(device.find('(') + 1, device.find(')') - device.find('(') - 1);
    const std::string korean = (std::filesystem::path(std::getenv("LUMIVO_SOURCE_DIR")) / "examples/korean.qvndoc").string();
    const std::string command = std::string(LUMIVO_CLI) + " send " + korean + " --device " + pts + " --retries 3 >/dev/null 2>&1";
    ASSERT_EQ(0, std::system(command.c_str()));
    const auto planted = Clock::now();
    const agent::Ms plantedAt = agent::WallNow();
    ASSERT_TRUE(agent.WaitFor([](const json& j) { return j["driftCount"].get<int>() >= 1; }, kSafetyMs, &s))
        << s.dump();
    std::printf("drift reported after %ld ms (check period 2000 ms)\n", Since(planted));
    // The check that found it began within one check period, by the agent's
    // own clock: its read-back, which a loaded machine stretches, comes after.
    agent::Ms foundAt = 0;
    ASSERT_TRUE(s["driftAt"].is_string() && agent::ParseIsoTime(s["driftAt"].get<std::string>(), foundAt)) << s.dump();
    EXPECT_LE(foundAt - plantedAt, 2000 + 1000) << "found by the first check after it";
    EXPECT_TRUE(s["driftWhat"].is_string());
    ASSERT_TRUE(agent.WaitFor(Verified, kSafetyMs, &s)) << "and put right";
    EXPECT_EQ(10u, PlayedTexts(agent.SimState()).size());
}

// kill -9 in the middle of pushes: after a restart the stored state is the
// old project or the new one, whole, and the board ends up verified.
TEST(AgentCrash, KilledDuringAPushKeepsTheOldOrTheNewStateWhole)
{
    const int rounds = std::getenv("LUMIVO_AGENT_KILL_ROUNDS") ? std::atoi(std::getenv("LUMIVO_AGENT_KILL_ROUNDS")) : 10;
    TempDir state;
    const std::string a = Example("welcome.qvndoc"), b = Example("korean.qvndoc");
    std::mt19937 random(12345);
    std::string last; // the project last acknowledged
    int sawNew = 0;
    for (int round = 0; round < rounds; ++round) {
        AgentProcess agent(state.path, {"--check-seconds", "2"});
        ASSERT_TRUE(agent.Start()) << agent.Log();
        if (!last.empty()) {
            json s;
            ASSERT_TRUE(agent.WaitFor(Verified, kSafetyMs, &s)) << "round " << round << ": " << s.dump();
        }
        const std::string& next = round % 2 ? a : b;
        bool acknowledged = false;
        std::thread push([&] {
            auto r = agent.Client().Put("/api/v1/project", next, "application/octet-stream");
            acknowledged = r && r->status == 200;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 2000));
        agent.Kill(SIGKILL);
        push.join();
        // No file yet (killed before the first write), or a whole one.
        if (std::filesystem::exists(state.path / "desired.json")) {
            const json d = json::parse(ReadText(state.path / "desired.json"), nullptr, false);
            ASSERT_FALSE(d.is_discarded()) << "round " << round;
        }
        AgentProcess check(state.path, {"--check-seconds", "2"});
        ASSERT_TRUE(check.Start());
        auto r = check.Client().Get("/api/v1/project");
        ASSERT_TRUE(r);
        if (acknowledged || r->body == next) {
            EXPECT_EQ(next, r->body) << "round " << round << ": an acknowledged push is kept";
            last = next;
            ++sawNew;
        } else if (!last.empty()) {
            EXPECT_EQ(last, r->body) << "round " << round;
        } else {
            EXPECT_EQ(404, r->status) << "round " << round << ": nothing was acknowledged yet";
        }
        check.Stop();
    }
    AgentProcess agent(state.path, {"--check-seconds", "2"});
    ASSERT_TRUE(agent.Start());
    if (!last.empty()) {
        json s;
        EXPECT_TRUE(agent.WaitFor(Verified, kSafetyMs, &s)) << s.dump();
    }
    std::printf("%d kills, %d with the new state kept\n", rounds, sawNew);
}

} // namespace
