// SPDX-License-Identifier: GPL-2.0-or-later
// The built agent and simulator on a real mosquitto (password file, the
// example ACL, no anonymous access), as head office and Home Assistant see
// it. One broker serves every case; each case has its own sign, since the
// ACL ties a box's user name to its SITE/SIGN subtree.
#include "broker.h"

#include "hash.h"

#include "core/companion.h"
#include "core/project.h"

#include <common/text.h>

#include <set>

namespace {

using namespace agent_test;
using namespace mqtt_test;
using nlohmann::json;
using Clock = std::chrono::steady_clock;

const std::vector<User> kUsers = {{"headoffice", "head-secret"}, {"a/one", "pa"}, {"b/one", "pb"},
                                  {"c/one", "pc"},              {"d/one", "pd"}, {"e/one", "pe"},
                                  {"f/one", "pf"},              {"g/one", "pg"}, {"h/one", "ph1"},
                                  {"h/two", "ph2"}, {"i/one", "pi"}};

std::string Base64Of(const std::string& bytes) { return agent::Base64Encode({bytes.begin(), bytes.end()}); }

json Json(const agent::MqttMessage& m) { return json::parse(m.payload, nullptr, false); }

bool VerifiedState(const json& s)
{
    return s.is_object() && s.value("settled", false) && Verified(s);
}

class Mqtt : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        broker = new Broker(kUsers);
        ASSERT_TRUE(broker->Start()) << ReadText(broker->dir.path / "mosquitto.log");
    }
    static void TearDownTestSuite()
    {
        delete broker;
        broker = nullptr;
    }
    // The agent of sign SITE/SIGN, logged in as that box.
    std::unique_ptr<AgentProcess> Agent(const std::string& site, const std::string& sign, const std::string& group = "")
    {
        std::vector<std::string> args = broker->AgentArgs(site + "/" + sign);
        args.insert(args.end(), {"--site", site, "--sign", sign, "--check-seconds", "2"});
        if (!group.empty())
            args.insert(args.end(), {"--group", group});
        return std::make_unique<AgentProcess>(state.path / (site + "-" + sign), args);
    }
    std::unique_ptr<Probe> Head(std::vector<std::string> subscriptions)
    {
        auto p = std::make_unique<Probe>(broker->Options("headoffice"), std::move(subscriptions));
        EXPECT_TRUE(p->WaitConnected());
        return p;
    }
    static void Retain(Probe& p, const std::string& topic, const std::string& payload)
    {
        agent::MqttPublish how;
        how.retain = true;
        ASSERT_TRUE(p.Client().Publish(topic, payload, how));
    }
    // Waits for the sign's retained state to satisfy pred.
    template <class Pred>
    static json WaitState(Probe& p, const std::string& base, Pred pred, int ms, size_t from = 0)
    {
        auto m = p.WaitFor(base + "/state", [&](const agent::MqttMessage& m) { return pred(Json(m)); }, ms, from);
        return m ? Json(*m) : json();
    }

    static Broker* broker;
    TempDir state;
};

Broker* Mqtt::broker = nullptr;

TEST_F(Mqtt, StatusIsRetainedOnlineAndTheWillSaysOfflineWhenTheAgentIsKilled)
{
    auto agent = Agent("a", "one");
    ASSERT_TRUE(agent->Start()) << agent->Log();
    {
        auto first = Head({"lumivo/a/one/status"});
        ASSERT_TRUE(first->WaitFor("lumivo/a/one/status", [](auto& m) { return m.payload == "online"; }, 5000))
            << agent->Log();
    }
    // A client that comes later gets it retained.
    auto head = Head({"lumivo/a/one/status", "lumivo/a/one/board"});
    auto online = head->WaitFor("lumivo/a/one/status", 3000);
    ASSERT_TRUE(online);
    EXPECT_EQ("online", online->payload);
    EXPECT_TRUE(online->retain);
    auto board = head->WaitFor("lumivo/a/one/board", [](auto& m) { return Json(m).value("answering", false); }, 8000);
    ASSERT_TRUE(board) << agent->Log();
    EXPECT_EQ(6, Json(*board)["moduleColumns"]);

    const size_t before = head->Count();
    agent->Kill(SIGKILL);
    auto offline = head->WaitFor("lumivo/a/one/status", [](auto& m) { return m.payload == "offline"; }, 5000, before);
    EXPECT_TRUE(offline) << "the last will is published when the agent dies";
}

TEST_F(Mqtt, AGroupPublishIsVerifiedOnTheBoardAndTheSignsOwnKeysWin)
{
    auto head = Head({"lumivo/b/one/state", "lumivo/b/one/event"});
    auto agent = Agent("b", "one", "north");
    ASSERT_TRUE(agent->Start()) << agent->Log();
    Retain(*head, "lumivo/group/north/desired",
           json{{"revision", 1}, {"project", Base64Of(Example("welcome.qvndoc"))}, {"settings", {{"day-brightness", 7}}}}
               .dump());
    json s = WaitState(*head, "lumivo/b/one", [](const json& s) { return VerifiedState(s) && s["desired"]["group"] == 1; },
                       15000);
    ASSERT_FALSE(s.is_null()) << agent->Log();
    EXPECT_EQ(10u, s["pages"].size());
    EXPECT_EQ(10u, PlayedTexts(agent->SimState()).size());
    EXPECT_EQ("7", s["settings"]["day-brightness"]);
    const std::string groupHash = s["verified"];

    // The sign's own project and one setting win; the group's other keys stay.
    Retain(*head, "lumivo/b/one/desired",
           json{{"revision", 5}, {"project", Base64Of(Example("chinese.qvndoc"))}, {"settings", {{"night-brightness", 2}}}}
               .dump());
    s = WaitState(*head, "lumivo/b/one", [](const json& s) { return VerifiedState(s) && s["desired"]["sign"] == 5; },
                  15000);
    ASSERT_FALSE(s.is_null()) << agent->Log();
    EXPECT_NE(groupHash, s["verified"]);
    EXPECT_EQ(3u, s["pages"].size());
    EXPECT_EQ(3u, PlayedTexts(agent->SimState()).size());
    EXPECT_EQ("7", s["settings"]["day-brightness"]);
    EXPECT_EQ("2", s["settings"]["night-brightness"]);
    EXPECT_TRUE(head->WaitFor("lumivo/b/one/event", [](auto& m) { return Json(m)["event"] == "verified"; }, 1000));

    // A new group revision does not undo the sign's project.
    Retain(*head, "lumivo/group/north/desired",
           json{{"revision", 2}, {"project", Base64Of(Example("korean.qvndoc"))}}.dump());
    s = WaitState(*head, "lumivo/b/one", [](const json& s) { return s["desired"]["group"] == 2; }, 5000);
    ASSERT_FALSE(s.is_null());
    EXPECT_EQ(3u, PlayedTexts(agent->SimState()).size());
    Retain(*head, "lumivo/group/north/desired", "");
}

TEST_F(Mqtt, ADamagedDesiredStateIsRefusedOnEventAndTheBoardKeepsWhatItHas)
{
    auto head = Head({"lumivo/c/one/state", "lumivo/c/one/event"});
    auto agent = Agent("c", "one");
    ASSERT_TRUE(agent->Start()) << agent->Log();
    Retain(*head, "lumivo/c/one/desired", json{{"revision", 1}, {"project", Base64Of(Example("welcome.qvndoc"))}}.dump());
    json s = WaitState(*head, "lumivo/c/one", VerifiedState, 15000);
    ASSERT_FALSE(s.is_null()) << agent->Log();
    const std::string hash = s["verified"];
    const std::string onBoard = ReadText(agent->SimState() / "ads.bin");

    std::string cut = Example("welcome.qvndoc");
    cut.resize(cut.size() / 2);
    const std::vector<std::string> damaged = {
        json{{"revision", 2}, {"project", "not base64 at all!"}}.dump(),
        json{{"revision", 3}, {"project", Base64Of(cut)}}.dump(),
        json{{"revision", 4}, {"settings", {{"day-brightness", 99}}}}.dump(),
        json{{"revision", 5}, {"schedule", 17}}.dump(),
        "{\"revision\": 6, \"project\": ",
    };
    for (const std::string& payload : damaged) {
        const size_t before = head->Count();
        Retain(*head, "lumivo/c/one/desired", payload);
        auto e = head->WaitFor("lumivo/c/one/event", [](auto& m) { return Json(m)["event"] == "refused"; }, 5000, before);
        ASSERT_TRUE(e) << payload;
        EXPECT_TRUE(Json(*e)["reason"].is_string());
    }
    s = WaitState(*head, "lumivo/c/one", [](const json& s) { return !s["refused"].is_null(); }, 3000);
    ASSERT_FALSE(s.is_null());
    EXPECT_EQ(1, s["desired"]["sign"]) << "the last good message stays in force";
    EXPECT_EQ(hash, s["verified"]);
    EXPECT_EQ(onBoard, ReadText(agent->SimState() / "ads.bin"));
    EXPECT_EQ(1u, s["revision"]) << "nothing was stored";
}

TEST_F(Mqtt, ANotificationWhoseExpiryPassedBeforeDeliveryIsNeverShown)
{
    auto head = Head({"lumivo/d/one/status"});
    auto agent = Agent("d", "one");
    ASSERT_TRUE(agent->Start()) << agent->Log();
    ASSERT_TRUE(head->WaitFor("lumivo/d/one/status", [](auto& m) { return m.payload == "online"; }, 5000));
    // Away: the broker keeps the sign's session and queues what comes.
    agent->Stop();
    ASSERT_TRUE(head->WaitFor("lumivo/d/one/status", [](auto& m) { return m.payload == "offline"; }, 5000));
    agent::MqttPublish soon;
    soon.expirySeconds = 1;
    ASSERT_TRUE(head->Client().Publish("lumivo/d/one/notify", R"({"text":"Stale offer"})", soon));
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    agent::MqttPublish later;
    later.expirySeconds = 120;
    ASSERT_TRUE(head->Client().Publish("lumivo/d/one/notify", R"({"text":"Fresh bread"})", later));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));

    ASSERT_TRUE(agent->Start()) << agent->Log();
    bool stale = false, fresh = false;
    for (const auto until = Clock::now() + std::chrono::seconds(10); Clock::now() < until && !fresh;) {
        for (const std::string& t : PlayedTexts(agent->SimState())) {
            stale = stale || t.find("Stale") != std::string::npos;
            fresh = fresh || t.find("Fresh bread") != std::string::npos;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(fresh) << agent->Log();
    EXPECT_FALSE(stale);
    const std::string log = agent->Log();
    EXPECT_EQ(std::string::npos, log.find("notification 2 queued")) << log;
}

TEST_F(Mqtt, ACommandIsAnsweredOnItsResponseTopicWithItsCorrelationData)
{
    auto head = Head({"lumivo/e/one/reply/#", "lumivo/e/one/status"});
    auto agent = Agent("e", "one");
    ASSERT_TRUE(agent->Start()) << agent->Log();
    ASSERT_TRUE(head->WaitFor("lumivo/e/one/status", [](auto& m) { return m.payload == "online"; }, 5000));
    agent::MqttPublish ask;
    ask.responseTopic = "lumivo/e/one/reply/test";
    for (const char* verb : {"clock", "verify", "dance"}) {
        ask.correlation = std::string("req-") + verb;
        ASSERT_TRUE(head->Client().Publish(std::string("lumivo/e/one/cmd/") + verb, "", ask));
        auto answer = head->WaitFor(
            "lumivo/e/one/reply/test", [&](auto& m) { return m.correlation == ask.correlation; }, 8000);
        ASSERT_TRUE(answer) << verb << "\n" << agent->Log();
        const json j = Json(*answer);
        if (std::string(verb) == "dance")
            EXPECT_TRUE(j["error"].is_string()) << j.dump();
        else
            EXPECT_EQ("ok", j["link"]) << j.dump();
    }
}

TEST_F(Mqtt, WhileTheBrokerIsDownTheSignKeepsItsScheduleAndPublishesItOnReconnect)
{
    // The agent's clock starts at 10:59:52 UTC, so the schedule's entry
    // from 11:00 begins while the broker is away. The outage is about eight
    // seconds, not thirty: what it shows (the loop does not wait for the
    // broker; the state goes out again on reconnect) does not depend on its
    // length, and the reconnect backoff (1 s doubling to 30 s) would make a
    // 30 s outage cost a minute of test.
    const char* faketime = "/usr/lib/x86_64-linux-gnu/faketime/libfaketimeMT.so.1";
    if (!std::filesystem::exists(faketime))
        GTEST_SKIP() << "libfaketime is not installed";
    lumivo::Schedule schedule;
    schedule.timeZone = "UTC";
    lumivo::ScheduleEntry lunch;
    lunch.name = "Lunch";
    lunch.pages = {2};
    lunch.start = 11 * 60;
    lunch.end = 14 * 60;
    schedule.entries.push_back(lunch);
    lumivo::CCompanion companion;
    companion.SetSchedule(schedule);

    auto head = Head({"lumivo/f/one/state", "lumivo/f/one/status"});
    Retain(*head, "lumivo/f/one/desired",
           json{{"revision", 1}, {"project", Base64Of(Example("welcome.qvndoc"))},
                {"schedule", json::parse(companion.Text())}}
               .dump());
    auto agent = Agent("f", "one");
    // Under AddressSanitizer its runtime must come first among the preloads.
    std::string preload = faketime;
    {
        std::istringstream maps(ReadText("/proc/self/maps"));
        for (std::string line; std::getline(maps, line);)
            if (const size_t at = line.find('/'); at != std::string::npos && line.find("libasan.so") != std::string::npos) {
                preload = line.substr(at) + ":" + preload;
                break;
            }
    }
    ::setenv("LD_PRELOAD", preload.c_str(), 1);
    ::setenv("FAKETIME", "@2026-12-09 10:59:52", 1);
    ::setenv("FAKETIME_DONT_FAKE_MONOTONIC", "1", 1);
    ::setenv("TZ", "UTC", 1);
    const bool started = agent->Start();
    for (const char* v : {"LD_PRELOAD", "FAKETIME", "FAKETIME_DONT_FAKE_MONOTONIC"})
        ::unsetenv(v);
    ASSERT_TRUE(started) << agent->Log();
    json s = WaitState(*head, "lumivo/f/one", [](const json& s) { return VerifiedState(s) && s["pages"].size() == 10; },
                       8000);
    ASSERT_FALSE(s.is_null()) << agent->Log();

    broker->Stop();
    const auto down = Clock::now();
    bool switched = false;
    while (!switched && Clock::now() - down < std::chrono::seconds(15)) {
        switched = PlayedTexts(agent->SimState()).size() == 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(switched) << "the schedule switched with the broker away\n" << agent->Log();
    ASSERT_TRUE(broker->Start());
    std::printf("broker away for %.1f s\n",
                std::chrono::duration<double>(Clock::now() - down).count());

    const size_t before = 0;
    s = WaitState(*head, "lumivo/f/one",
                  [](const json& s) {
                      return VerifiedState(s) && s["pages"].size() == 1 &&
                             s["why"].get<std::string>().find("Lunch") != std::string::npos;
                  },
                  40000, before);
    EXPECT_FALSE(s.is_null()) << "the state is published again on reconnect\n" << agent->Log();
    EXPECT_TRUE(head->WaitFor("lumivo/f/one/status", [](auto& m) { return m.payload == "online"; }, 1000));
}

} // namespace

namespace {

// The keys Home Assistant's device discovery requires: the device with its
// identifiers, the origin with its name, and components each with a known
// platform, a unique id and the topics its platform cannot do without.
std::vector<std::string> DiscoveryProblems(const json& j)
{
    std::vector<std::string> problems;
    auto need = [&](bool ok, const std::string& what) {
        if (!ok)
            problems.push_back(what);
    };
    const json dev = j.value("dev", j.value("device", json()));
    need(dev.is_object(), "no device block");
    if (dev.is_object()) {
        const json ids = dev.value("ids", dev.value("identifiers", json()));
        need((ids.is_array() && !ids.empty()) || ids.is_string(), "the device has no identifiers");
    }
    const json origin = j.value("o", j.value("origin", json()));
    need(origin.is_object() && origin.value("name", "") != "", "no origin block with a name");
    const json cmps = j.value("cmps", j.value("components", json()));
    need(cmps.is_object() && !cmps.empty(), "no components");
    static const std::map<std::string, std::vector<std::string>> required = {
        {"notify", {"command_topic"}}, {"text", {"command_topic"}},         {"select", {"command_topic", "options"}},
        {"number", {"command_topic"}}, {"switch", {"command_topic"}},       {"button", {"command_topic"}},
        {"sensor", {"state_topic"}},   {"binary_sensor", {"state_topic"}}, {"image", {"image_topic"}}};
    for (const auto& [key, c] : cmps.items()) {
        const std::string p = c.value("p", c.value("platform", ""));
        auto it = required.find(p);
        need(it != required.end(), key + ": unknown platform \"" + p + "\"");
        need(c.contains("unique_id") || c.contains("uniq_id"), key + ": no unique_id");
        if (it != required.end())
            for (const std::string& k : it->second)
                need(c.contains(k), key + ": no " + k);
        if (p == "number")
            need(c.value("min", 0) < c.value("max", 100), key + ": min is not below max");
    }
    for (const json& a : j.value("availability", json::array()))
        need(a.contains("topic"), "an availability entry has no topic");
    return problems;
}

std::set<std::string> Platforms(const json& j)
{
    std::set<std::string> out;
    for (const auto& [key, c] : j["cmps"].items())
        out.insert(key + ":" + c["p"].get<std::string>());
    return out;
}

} // namespace

TEST_F(Mqtt, HomeAssistantFindsTheSignAsOneDeviceUntilItIsRetired)
{
    const std::string config = "homeassistant/device/lumivo_g_one/config";
    auto head = Head({config, "lumivo/g/one/state", "lumivo/g/one/preview", "lumivo/g/one/status",
                      "lumivo/g/one/reply"});
    auto agent = Agent("g", "one");
    ASSERT_TRUE(agent->Start()) << agent->Log();
    auto first = head->WaitFor(config, 5000);
    ASSERT_TRUE(first) << agent->Log();
    const json device = Json(*first);
    const json known = json::parse(ReadText(std::filesystem::path(std::getenv("LUMIVO_SOURCE_DIR")) /
                                            "tools/lumivo-agent/tests/data/ha-device-discovery.json"));
    EXPECT_EQ(std::vector<std::string>(), DiscoveryProblems(known)) << "the known-good copy";
    EXPECT_EQ(std::vector<std::string>(), DiscoveryProblems(device)) << device.dump(2);
    EXPECT_EQ(Platforms(known), Platforms(device)) << "the same entities as the known-good copy";
    for (const auto& [key, c] : device["cmps"].items()) {
        for (const char* t : {"command_topic", "state_topic", "image_topic"}) {
            if (c.contains(t)) {
                EXPECT_EQ(0u, c[t].get<std::string>().rfind("lumivo/g/one/", 0)) << key << " " << t;
            }
        }
    }

    // Home Assistant's number sets the setting; its image gets the mirror.
    Retain(*head, "lumivo/g/one/desired", json{{"project", Base64Of(Example("welcome.qvndoc"))}}.dump());
    ASSERT_TRUE(head->Client().Publish("lumivo/g/one/set/day-brightness", "4"));
    json s = WaitState(*head, "lumivo/g/one",
                       [](const json& s) { return VerifiedState(s) && s["settings"].value("day-brightness", "") == "4"; },
                       15000);
    EXPECT_FALSE(s.is_null()) << agent->Log();
    auto png = head->WaitFor("lumivo/g/one/preview", 5000);
    ASSERT_TRUE(png);
    EXPECT_EQ(0u, png->payload.find("\x89PNG"));
    {
        // A client that comes later (Home Assistant starting) gets both retained.
        auto late = Head({config, "lumivo/g/one/preview"});
        auto c = late->WaitFor(config, 3000);
        auto p = late->WaitFor("lumivo/g/one/preview", 3000);
        ASSERT_TRUE(c && p);
        EXPECT_TRUE(c->retain && p->retain);
    }

    // Home Assistant restarted: the device is published again.
    size_t before = head->Count();
    ASSERT_TRUE(head->Client().Publish("homeassistant/status", "online"));
    EXPECT_TRUE(head->WaitFor(config, 5000, before)) << "published again on Home Assistant's birth";

    before = head->Count();
    agent::MqttPublish ask;
    ask.responseTopic = "lumivo/g/one/reply";
    ask.correlation = "bye";
    ASSERT_TRUE(head->Client().Publish("lumivo/g/one/cmd/retire", "", ask));
    EXPECT_TRUE(head->WaitFor(config, [](auto& m) { return m.payload.empty(); }, 5000, before));
    EXPECT_TRUE(head->WaitFor("lumivo/g/one/status", [](auto& m) { return m.payload.empty(); }, 5000, before));
    EXPECT_TRUE(head->WaitFor("lumivo/g/one/reply", [](auto& m) { return m.correlation == "bye"; }, 5000, before));
    // Stopping a retired sign leaves no "offline" behind: nothing is retained.
    agent->Stop();
    auto later = Head({"lumivo/g/one/#", config});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    for (const agent::MqttMessage& m : later->Copy())
        ADD_FAILURE() << "still retained: " << m.topic << " " << m.payload.substr(0, 40);
}

TEST_F(Mqtt, HomeAssistantsSelectShowsAnEntrysAdsUntilSetBackAndTheChoiceOutlivesARestart)
{
    // Entries of a day long past: left alone, the Uses boxes decide. One is
    // named like the option that hands back to the schedule.
    lumivo::Schedule schedule;
    schedule.timeZone = "UTC";
    for (auto [name, pages] : {std::pair<const char*, std::vector<unsigned>>{"Schedule", {0}}, {"Lunch", {1, 2}}}) {
        lumivo::ScheduleEntry e;
        e.name = name;
        e.pages = pages;
        e.start = 6 * 60;
        e.end = 10 * 60;
        e.first = e.last = lumivo::Date{2020, 1, 1};
        schedule.entries.push_back(e);
    }
    lumivo::CCompanion companion;
    companion.SetSchedule(schedule);
    const std::string config = "homeassistant/device/lumivo_i_one/config";
    auto head = Head({config, "lumivo/i/one/state", "lumivo/i/one/event"});
    Retain(*head, "lumivo/i/one/desired",
           json{{"revision", 1}, {"project", Base64Of(Example("welcome.qvndoc"))},
                {"schedule", json::parse(companion.Text())}}
               .dump());
    auto agent = Agent("i", "one");
    ASSERT_TRUE(agent->Start()) << agent->Log();
    auto withOptions = head->WaitFor(config, [](auto& m) { return Json(m)["cmps"]["ads"]["options"].size() == 3; }, 8000);
    ASSERT_TRUE(withOptions) << agent->Log();
    const json select = Json(*withOptions)["cmps"]["ads"];
    EXPECT_EQ(json({"Schedule (entry)", "Lunch", "Schedule"}), select["options"]);
    EXPECT_NE(select.value("value_template", "").find("'Schedule (entry)' if value_json.chosenEntry == 'Schedule'"),
              std::string::npos)
        << select.dump();
    ASSERT_FALSE(WaitState(*head, "lumivo/i/one", [](const json& s) { return VerifiedState(s) && s["pages"].size() == 10; },
                           10000)
                     .is_null())
        << agent->Log();

    auto choose = [&](const char* option) { ASSERT_TRUE(head->Client().Publish("lumivo/i/one/set/ads", option)); };
    auto lunch = [](const json& s) {
        return VerifiedState(s) && s["chosenEntry"] == "Lunch" && s["pages"] == json({2, 3});
    };
    choose("Lunch");
    ASSERT_FALSE(WaitState(*head, "lumivo/i/one", lunch, 10000).is_null()) << agent->Log();
    EXPECT_EQ(2u, PlayedTexts(agent->SimState()).size());

    // An entry the schedule does not have is refused; the choice stays.
    size_t before = head->Count();
    choose("Dinner");
    EXPECT_TRUE(head->WaitFor("lumivo/i/one/event", [](auto& m) { return Json(m)["event"] == "refused"; }, 5000, before));

    // Kept in the state folder: a restart shows the chosen entry's Ads still.
    agent->Stop();
    before = head->Count();
    ASSERT_TRUE(agent->Start()) << agent->Log();
    EXPECT_FALSE(WaitState(*head, "lumivo/i/one", lunch, 10000, before).is_null()) << agent->Log();

    // The entry named "Schedule", by its own option.
    before = head->Count();
    choose("Schedule (entry)");
    EXPECT_FALSE(WaitState(*head, "lumivo/i/one",
                           [](const json& s) {
                               return VerifiedState(s) && s["chosenEntry"] == "Schedule" && s["pages"] == json({1});
                           },
                           10000, before)
                     .is_null())
        << agent->Log();

    before = head->Count();
    choose("Schedule");
    EXPECT_FALSE(WaitState(*head, "lumivo/i/one",
                           [](const json& s) { return VerifiedState(s) && s["chosenEntry"].is_null() && s["pages"].size() == 10; },
                           10000, before)
                     .is_null())
        << agent->Log();
    EXPECT_EQ(10u, PlayedTexts(agent->SimState()).size());
    Retain(*head, "lumivo/i/one/desired", "");
}

namespace {

struct Output {
    int status = -1;
    std::string text;
};

// lumivo-cli fleet ... as head office, its output and exit status.
Output Fleet(const Broker& b, const std::vector<std::string>& words)
{
    std::string cmd = LUMIVO_CLI;
    for (const std::string& w : words)
        cmd += " '" + w + "'";
    cmd += " --mqtt-host 127.0.0.1 --mqtt-port " + std::to_string(b.port) +
           " --mqtt-user headoffice --mqtt-password-file " + b.passwordFile.at("headoffice") + " 2>&1";
    Output out;
    FILE* p = ::popen(cmd.c_str(), "r");
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
        out.text.append(buf, n);
    const int st = ::pclose(p);
    out.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return out;
}

} // namespace

TEST_F(Mqtt, TheFleetVerbsPublishToAGroupWithACanaryToOneSignShowTheFleetAndRetire)
{
    auto one = Agent("h", "one", "east");
    auto two = Agent("h", "two", "east");
    ASSERT_TRUE(one->Start() && two->Start());
    auto head = Head({"lumivo/h/+/desired", "lumivo/h/+/state"});
    ASSERT_TRUE(WaitState(*head, "lumivo/h/two", [](const json& s) { return s["board"]["link"] == "ok"; }, 8000)
                    .is_object());
    ASSERT_TRUE(WaitState(*head, "lumivo/h/one", [](const json& s) { return s["board"]["link"] == "ok"; }, 8000)
                    .is_object());

    const std::string welcome = (std::filesystem::path(std::getenv("LUMIVO_SOURCE_DIR")) / "examples/welcome.qvndoc").string();
    Output out = Fleet(*broker, {"fleet", "publish", welcome, "--group", "east", "--canary", "1", "--revision", "7",
                                 "--wait", "30"});
    ASSERT_EQ(0, out.status) << out.text << one->Log();
    // The canary verified it before the group got it.
    const size_t canary = out.text.find("h/one: verified"), group = out.text.find("to group east");
    EXPECT_NE(std::string::npos, canary) << out.text;
    EXPECT_LT(canary, group) << out.text;
    EXPECT_NE(std::string::npos, out.text.find("h/two: verified")) << out.text;
    EXPECT_EQ(10u, PlayedTexts(one->SimState()).size());
    EXPECT_EQ(10u, PlayedTexts(two->SimState()).size());

    const std::string chinese = (std::filesystem::path(std::getenv("LUMIVO_SOURCE_DIR")) / "examples/chinese.qvndoc").string();
    out = Fleet(*broker, {"fleet", "publish", chinese, "--sign", "h/two", "--revision", "8", "--wait", "30"});
    ASSERT_EQ(0, out.status) << out.text;
    EXPECT_EQ(3u, PlayedTexts(two->SimState()).size());
    // The project's schedule goes with its Ads, even an empty one, so an
    // older schedule cannot go on naming pages of another project.
    EXPECT_TRUE(head->WaitFor("lumivo/h/two/desired", [](const agent::MqttMessage& m) {
        const json d = Json(m);
        return d.is_object() && d.value("revision", 0) == 8 && d.contains("schedule") && d["schedule"].is_object();
    }, 5000));

    out = Fleet(*broker, {"fleet", "status", "--json"});
    ASSERT_EQ(0, out.status) << out.text;
    std::map<std::string, json> rows;
    for (const json& r : json::parse(out.text))
        rows[r["sign"]] = r;
    ASSERT_TRUE(rows.count("h/one") && rows.count("h/two")) << out.text;
    for (const char* n : {"h/one", "h/two"}) {
        EXPECT_TRUE(rows[n]["online"].get<bool>()) << n;
        EXPECT_TRUE(rows[n]["boardAnswering"].get<bool>()) << n;
        EXPECT_TRUE(rows[n]["verified"].get<bool>()) << n;
        EXPECT_EQ(7, rows[n]["desired"]["group"]) << n;
    }
    EXPECT_TRUE(rows["h/one"]["desired"]["sign"].is_null()) << "the canary's own message was put back (none)";
    EXPECT_EQ(8, rows["h/two"]["desired"]["sign"]);

    out = Fleet(*broker, {"fleet", "retire", "h/one"});
    ASSERT_EQ(0, out.status) << out.text;
    out = Fleet(*broker, {"fleet", "status", "--json"});
    for (const json& r : json::parse(out.text))
        EXPECT_NE("h/one", r["sign"]) << out.text;

    // Nothing can be published without a group or a sign, nor a damaged file.
    EXPECT_EQ(2, Fleet(*broker, {"fleet", "publish", welcome}).status);
    const std::filesystem::path bad = state.path / "bad.qvndoc";
    std::ofstream(bad) << "not a project";
    EXPECT_NE(0, Fleet(*broker, {"fleet", "publish", bad.string(), "--group", "east"}).status);
    Retain(*head, "lumivo/group/east/desired", "");
    Retain(*head, "lumivo/h/two/desired", "");
}
