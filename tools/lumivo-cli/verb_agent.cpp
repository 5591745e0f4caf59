// SPDX-License-Identifier: GPL-2.0-or-later
// lumivo-cli agent status|push|notify: a running lumivo-agent, for scripts.
#include "cli.h"

#include "core/atomic_file.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <iostream>

namespace {

using nlohmann::json;

std::vector<cli::Option> AgentOptions(std::vector<cli::Option> own = {})
{
    std::vector<cli::Option> o = {
        {"agent", "HOST:PORT", "the agent's address (default $LUMIVO_AGENT, else 127.0.0.1:8750)"},
        {"token-file", "FILE", "the file holding the agent's token (default: $LUMIVO_AGENT_TOKEN is the token)"},
        {"json", nullptr, "print the agent's answer as it is"},
    };
    o.insert(o.end(), own.begin(), own.end());
    return o;
}

struct Agent {
    std::unique_ptr<httplib::Client> client;
    bool json = false;
};

Agent Connect(const cli::Args& args)
{
    std::string address = args.Get("agent").value_or(std::getenv("LUMIVO_AGENT") ? std::getenv("LUMIVO_AGENT") : "");
    if (address.empty())
        address = "127.0.0.1:8750";
    std::string token = std::getenv("LUMIVO_AGENT_TOKEN") ? std::getenv("LUMIVO_AGENT_TOKEN") : "";
    if (auto file = args.Get("token-file")) {
        std::vector<uint8_t> bytes;
        cli::Check(lumivo::ReadFileLimited(*file, 4096, bytes), "reading the token");
        token.assign(bytes.begin(), bytes.end());
        while (!token.empty() && (token.back() == '\n' || token.back() == '\r'))
            token.pop_back();
    }
    if (token.empty())
        throw cli::UsageError("no token: give --token-file or set LUMIVO_AGENT_TOKEN");
    std::string scheme = "http://";
    if (address.rfind("https://", 0) == 0 || address.rfind("http://", 0) == 0)
        scheme.clear();
    Agent a;
    a.client = std::make_unique<httplib::Client>(scheme + address);
    if (!a.client->is_valid())
        throw cli::UsageError("--agent must be HOST:PORT, not \"" + address + "\"");
    a.client->set_bearer_token_auth(token);
    a.client->set_read_timeout(30, 0);
    a.json = args.Has("json");
    return a;
}

json Answer(const httplib::Result& r, const std::string& what)
{
    if (!r)
        throw cli::Failure(what + ": the agent does not answer (" + httplib::to_string(r.error()) + ")");
    const json j = json::parse(r->body, nullptr, false);
    if (r->status != 200) {
        std::string why = j.is_object() && j.contains("error") ? j["error"].get<std::string>() : r->body;
        throw cli::Failure(what + ": " + std::to_string(r->status) + " " + why);
    }
    if (j.is_discarded())
        throw cli::Failure(what + ": the agent's answer is not JSON");
    return j;
}

std::string Text(const json& v) { return v.is_string() ? v.get<std::string>() : v.is_null() ? "-" : v.dump(); }

int Status(const cli::Args& args)
{
    Agent a = Connect(args);
    const json s = Answer(a.client->Get("/api/v1/state"), "status");
    if (a.json) {
        std::cout << s.dump() << "\n";
        return cli::kExitOk;
    }
    std::cout << "board: " << Text(s["board"]["link"]) << " (" << Text(s["board"]["device"]) << ")\n"
              << "applied: " << Text(s["applied"]) << " at " << Text(s["appliedAt"]) << "\n"
              << "verified: " << Text(s["verified"]) << " at " << Text(s["verifiedAt"]) << "\n"
              << "drift: " << (s["drift"].get<bool>() ? Text(s["driftWhat"]) : "no") << "\n"
              << "pages: " << s["pages"].dump() << " (" << Text(s["why"]) << ")\n"
              << "notification: " << (s["notification"].is_null() ? "-" : Text(s["notification"]["text"])) << "\n"
              << "last error: " << Text(s["lastError"]) << "\n";
    return cli::kExitOk;
}

int Push(const cli::Args& args)
{
    const std::filesystem::path path = args.positional[0];
    cli::OpenProject(path); // refused here rather than by the agent
    std::vector<uint8_t> bytes;
    cli::Check(lumivo::ReadFileLimited(path, 16u << 20, bytes), "reading " + path.string());
    Agent a = Connect(args);
    const json r = Answer(a.client->Put("/api/v1/project", std::string(bytes.begin(), bytes.end()),
                                        "application/octet-stream"),
                          "push");
    if (a.json)
        std::cout << r.dump() << "\n";
    else
        std::cout << "pushed " << Text(r["ads"]) << " Ads; on the board: " << Text(r["hash"])
                  << (r["verified"] == r["hash"] && !r["hash"].is_null() ? " (verified)" : "") << "\n";
    return cli::kExitOk;
}

int Notify(const cli::Args& args)
{
    json body = {{"text", args.positional[0]}};
    if (auto p = args.Number("priority", 1, 9))
        body["priority"] = *p;
    if (auto d = args.Number("duration", 0, 7 * 24 * 3600))
        body["duration"] = *d;
    if (auto t = args.Number("ttl", 0, 7 * 24 * 3600))
        body["ttl"] = *t;
    if (auto c = args.Number("color", 0, 255))
        body["color"] = *c;
    for (const char* phase : {"start", "wait", "end"})
        if (auto e = args.Get(phase))
            body[phase] = *e;
    Agent a = Connect(args);
    const json r = Answer(a.client->Post("/api/v1/notify", body.dump(), "application/json"), "notify");
    if (a.json)
        std::cout << r.dump() << "\n";
    else
        std::cout << "notification " << Text(r["id"]) << "; on the board: " << Text(r["hash"]) << "\n";
    return cli::kExitOk;
}

const cli::Verb kStatus{"agent status", "[options]", "the state of a running lumivo-agent",
                        "Prints the board's link, the hashes applied and verified, drift, the active\n"
                        "pages and notification. Exit status 1 when the agent does not answer.",
                        AgentOptions(), 0, 0, Status};
const cli::Verb kPush{"agent push", "FILE.qvndoc [options]", "push a project to a running lumivo-agent",
                      "The file is checked here first; the answer names the hash then on the board.",
                      AgentOptions(), 1, 1, Push};
const cli::Verb kNotify{"agent notify", "TEXT [options]", "show a notification through a running lumivo-agent",
                        "Refused (exit 1, with the reason) when the text does not fit or a character\n"
                        "cannot be drawn; nothing changes then. Effects: \"FAMILY\" or \"FAMILY N\".",
                        AgentOptions({{"priority", "N", "1 to 9 (default 5); a higher one pre-empts"},
                                      {"duration", "S", "seconds on the board (default 0: until deleted)"},
                                      {"ttl", "S", "dropped when not shown within S seconds"},
                                      {"color", "K", "the colour row of the text"},
                                      {"start", "EFFECT", "start effect (\"Flow 1\" ...)"},
                                      {"wait", "EFFECT", "wait effect"},
                                      {"end", "EFFECT", "end effect"}}),
                        1, 1, Notify};
LUMIVO_CLI_VERB(kStatus);
LUMIVO_CLI_VERB(kPush);
LUMIVO_CLI_VERB(kNotify);

} // namespace
