// SPDX-License-Identifier: GPL-2.0-or-later
// The HTTP surface of the built agent: the token on every route, refused
// bodies named, limits, unknown routes, and an address off loopback.
#include "agent_process.h"

namespace {

using namespace agent_test;
using nlohmann::json;

struct Route {
    const char* method;
    const char* path;
};

const Route kRoutes[] = {{"GET", "/api/v1/state"},        {"PUT", "/api/v1/project"},  {"GET", "/api/v1/project"},
                         {"PUT", "/api/v1/schedule"},     {"GET", "/api/v1/schedule"}, {"POST", "/api/v1/notify"},
                         {"GET", "/api/v1/notify"},       {"DELETE", "/api/v1/notify/1"}, {"PUT", "/api/v1/settings"},
                         {"POST", "/api/v1/send"},        {"POST", "/api/v1/verify"},  {"POST", "/api/v1/clock"},
                         {"GET", "/api/v1/preview.png"},  {"GET", "/api/v1/render.gif"}, {"GET", "/api/v1/log"},
                         {"PATCH", "/api/v1/project"},    {"GET", "/api/v1/no-such-route"}};

httplib::Result Call(httplib::Client& c, const std::string& method, const std::string& path, const std::string& body = "{}",
                     const char* type = "application/json")
{
    if (method == "GET")
        return c.Get(path);
    if (method == "PUT")
        return c.Put(path, body, type);
    if (method == "POST")
        return c.Post(path, body, type);
    if (method == "PATCH")
        return c.Patch(path, body, type);
    return c.Delete(path);
}

TEST(AgentHttp, TokenBodiesLimitsAndRoutes)
{
    TempDir state;
    AgentProcess agent(state.path);
    ASSERT_TRUE(agent.Start()) << agent.Log();
    std::error_code ec;
    EXPECT_EQ(std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
              std::filesystem::status(state.path / "token", ec).permissions());
    EXPECT_EQ(64u, agent.token.size());

    auto anonymous = agent.Client(false);
    auto health = anonymous.Get("/api/v1/health");
    ASSERT_TRUE(health);
    EXPECT_EQ(200, health->status);
    EXPECT_EQ(json({{"ok", true}}), json::parse(health->body));
    EXPECT_EQ(200, anonymous.Get("/")->status);

    httplib::Client wrong("127.0.0.1", agent.port);
    std::string forged = agent.token;
    forged.back() = forged.back() == '0' ? '1' : '0';
    wrong.set_bearer_token_auth(forged.c_str());
    for (const Route& r : kRoutes) {
        for (httplib::Client* c : {&anonymous, &wrong}) {
            auto res = Call(*c, r.method, r.path);
            ASSERT_TRUE(res) << r.path;
            EXPECT_EQ(401, res->status) << r.method << " " << r.path;
            EXPECT_EQ("Bearer", res->get_header_value("WWW-Authenticate"));
        }
    }

    auto c = agent.Client();
    struct Bad {
        const char* method;
        const char* path;
        std::string body;
        int status;
        const char* field;
    };
    // Half a project: the reader could repair it to its first Ads, but a
    // remote sender's cut file is a damaged one.
    const std::string welcome = Example("welcome.qvndoc");
    const Bad bad[] = {{"PUT", "/api/v1/project", welcome.substr(0, welcome.size() / 2), 400, "body"},
                       {"POST", "/api/v1/notify", "{\"text\":", 400, nullptr},
                       {"POST", "/api/v1/notify", "{\"text\":\"a\",\"priority\":\"high\"}", 400, "priority"},
                       {"POST", "/api/v1/notify", "{\"text\":\"a\",\"duration\":[]}", 400, "duration"},
                       {"PUT", "/api/v1/settings", "{\"day-brightness\":11}", 400, "day-brightness"},
                       {"PUT", "/api/v1/settings", "{\"colour\":\"red\"}", 400, "colour"},
                       {"PUT", "/api/v1/settings", "[1,2]", 400, "body"},
                       {"PUT", "/api/v1/schedule", "not json", 400, "body"},
                       {"PUT", "/api/v1/project", "not a project", 400, "body"},
                       {"PATCH", "/api/v1/project", "[1]", 400, "body"},
                       {"PATCH", "/api/v1/project", "{\"uses\":\"1,2\"}", 400, "uses"},
                       {"PATCH", "/api/v1/project", "{\"uses\":[1,0]}", 400, "uses"},
                       {"PATCH", "/api/v1/project", "{\"uses\":[1]}", 404, nullptr},
                       {"PATCH", "/api/v1/project", std::string(70 * 1024, ' '), 413, nullptr},
                       {"POST", "/api/v1/notify", std::string(70 * 1024, ' '), 413, nullptr},
                       {"PUT", "/api/v1/project", std::string(5 << 20, 'x'), 413, nullptr},
                       {"DELETE", "/api/v1/notify/99", "", 404, nullptr},
                       {"GET", "/api/v1/no-such-route", "", 404, nullptr},
                       {"GET", "/api/v1/project", "", 404, nullptr},
                       {"GET", "/api/v1/render.gif?seconds=0", "", 400, "seconds"}};
    for (const Bad& b : bad) {
        auto res = Call(c, b.method, b.path, b.body);
        ASSERT_TRUE(res) << b.path;
        EXPECT_EQ(b.status, res->status) << b.method << " " << b.path << " " << b.body.substr(0, 40);
        const json j = json::parse(res->body, nullptr, false);
        ASSERT_TRUE(j.is_object()) << res->body;
        EXPECT_TRUE(j["error"].is_string());
        if (b.field) {
            EXPECT_EQ(b.field, j.value("field", "")) << res->body;
        }
    }
    auto ok = c.Put("/api/v1/settings", R"({"day-brightness":7,"beep":false})", "application/json");
    ASSERT_TRUE(ok);
    EXPECT_EQ(200, ok->status) << ok->body;
    auto ics = c.Put("/api/v1/schedule", "BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n", "text/calendar");
    ASSERT_TRUE(ics);
    EXPECT_EQ(200, ics->status);
    EXPECT_EQ("text/calendar", c.Get("/api/v1/schedule")->get_header_value("Content-Type"));
    agent.Stop();
    EXPECT_EQ(std::string::npos, agent.Log().find(agent.token)) << "the token is never logged";
}

TEST(AgentHttp, AnAddressOffLoopbackNeedsTlsOrInsecure)
{
    TempDir state;
    AgentProcess agent(state.path, {"--listen", "0.0.0.0:0"});
    EXPECT_FALSE(agent.Start());
    EXPECT_NE(std::string::npos, agent.Log().find("without TLS")) << agent.Log();
}

} // namespace

namespace {

// lumivo-cli's agent verbs against the built agent.
TEST(AgentCli, StatusPushAndNotifyForScripts)
{
    using agent_test::AgentProcess;
    agent_test::TempDir state;
    AgentProcess agent(state.path);
    ASSERT_TRUE(agent.Start()) << agent.Log();
    const std::string cli = std::string(LUMIVO_CLI) + " agent ";
    const std::string link = " --agent 127.0.0.1:" + std::to_string(agent.port) + " --token-file " +
                             (state.path / "token").string();
    auto run = [&](const std::string& words, std::string& out) {
        const std::string file = (state.path / "cli.out").string();
        const int rc = std::system((cli + words + link + " >" + file + " 2>&1").c_str());
        out = agent_test::ReadText(file);
        return WEXITSTATUS(rc);
    };
    std::string out;
    const std::string welcome = std::string(std::getenv("LUMIVO_SOURCE_DIR")) + "/examples/welcome.qvndoc";
    ASSERT_EQ(0, run("push " + welcome, out)) << out;
    EXPECT_NE(std::string::npos, out.find("pushed 10 Ads; on the board: sha256:")) << out;
    EXPECT_NE(std::string::npos, out.find("(verified)")) << out;
    ASSERT_EQ(0, run("notify 'Back in 5 minutes' --priority 7 --duration 60 --start 'Flow 1'", out)) << out;
    EXPECT_NE(std::string::npos, out.find("notification 1; on the board: sha256:")) << out;
    ASSERT_EQ(0, run("status", out)) << out;
    EXPECT_NE(std::string::npos, out.find("notification: Back in 5 minutes")) << out;
    EXPECT_NE(std::string::npos, out.find("board: ok")) << out;
    EXPECT_EQ(1, run("notify " + std::string(101, 'x'), out));
    EXPECT_NE(std::string::npos, out.find("422")) << out;
    EXPECT_EQ(2, run("notify hi --priority 10", out)) << out;
}

} // namespace
