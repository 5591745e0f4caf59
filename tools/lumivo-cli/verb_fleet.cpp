// SPDX-License-Identifier: GPL-2.0-or-later
// lumivo-cli fleet publish|status|retire: the signs on a broker, from head
// office. The signs' retained status and state are the fleet's view; a
// publish is a retained desired state, followed until the signs report it
// verified.
#include "cli.h"

#include "ha_discovery.h"
#include "hash.h"
#include "mqtt_client.h"

#include "core/atomic_file.h"

#include <nlohmann/json.hpp>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <iostream>
#include <map>
#include <mutex>
#include <set>
#include <thread>

namespace {

using nlohmann::json;
using Clock = std::chrono::steady_clock;

std::vector<cli::Option> FleetOptions(std::vector<cli::Option> own = {})
{
    std::vector<cli::Option> o = {
        {"mqtt-host", "HOST", "the broker (default $LUMIVO_MQTT_HOST, else 127.0.0.1)"},
        {"mqtt-port", "N", "the broker's port (default 1883, 8883 with --mqtt-ca-file)"},
        {"mqtt-user", "NAME", "the user name at the broker"},
        {"mqtt-password-file", "FILE", "the file whose first line is the password"},
        {"mqtt-ca-file", "FILE", "CA certificates (PEM): TLS"},
        {"mqtt-cert", "FILE", "client certificate (PEM), with --mqtt-key"},
        {"mqtt-key", "FILE", "the client certificate's key (PEM)"},
        {"topic-prefix", "T", "the first topic level (default lumivo)"},
    };
    o.insert(o.end(), own.begin(), own.end());
    return o;
}

// One sign as its retained messages tell it.
struct Sign {
    std::string status; // online, offline, "" when none is retained
    json state;         // null when none is retained
    json desired;       // its own retained desired state, null when none
};

class Fleet {
public:
    explicit Fleet(const cli::Args& args) : m_prefix(args.Get("topic-prefix").value_or("lumivo"))
    {
        agent::MqttOptions o;
        const char* env = std::getenv("LUMIVO_MQTT_HOST");
        o.host = args.Get("mqtt-host").value_or(env && *env ? env : "127.0.0.1");
        if (auto p = args.Number("mqtt-port", 1, 65535))
            o.port = unsigned(*p);
        o.user = args.Get("mqtt-user").value_or("");
        o.passwordFile = args.Get("mqtt-password-file").value_or("");
        o.caFile = args.Get("mqtt-ca-file").value_or("");
        o.certFile = args.Get("mqtt-cert").value_or("");
        o.keyFile = args.Get("mqtt-key").value_or("");
        if (!agent::IsTopicLevel(m_prefix))
            throw cli::UsageError("--topic-prefix must be one topic level");
        m_client = std::make_unique<agent::CMqttClient>(o, false);
        m_client->OnConnect([this] {
            m_client->Subscribe(m_prefix + "/+/+/status");
            m_client->Subscribe(m_prefix + "/+/+/state");
            m_client->Subscribe(m_prefix + "/+/+/desired");
            m_client->Subscribe(m_prefix + "/group/+/desired");
            m_client->Subscribe(m_prefix + "/+/+/reply/" + m_replyId);
            std::lock_guard lk(m_lock);
            m_connected = true;
            m_cv.notify_all();
        });
        m_client->OnDisconnect([this](const std::string& why) {
            std::lock_guard lk(m_lock);
            m_refused = why;
            m_cv.notify_all();
        });
        m_client->OnMessage([this](const agent::MqttMessage& m) { Take(m); });
        std::string error;
        if (!m_client->Start(error))
            throw cli::UsageError(error);
        std::unique_lock lk(m_lock);
        if (!m_cv.wait_for(lk, std::chrono::seconds(10), [this] { return m_connected || !m_refused.empty(); }) ||
            !m_connected)
            throw cli::Failure("the broker " + m_client->Describe() + " " +
                               (m_refused.empty() ? "does not answer" : m_refused));
        // The retained messages follow the subscriptions at once.
        lk.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    ~Fleet() { m_client->Stop(); }

    std::map<std::string, Sign> Signs()
    {
        std::lock_guard lk(m_lock);
        return m_signs;
    }
    json GroupDesired(const std::string& group)
    {
        std::lock_guard lk(m_lock);
        auto it = m_groups.find(group);
        return it == m_groups.end() ? json() : it->second;
    }
    void Retain(const std::string& topic, const std::string& payload)
    {
        agent::MqttPublish how;
        how.retain = true;
        if (!m_client->Publish(topic, payload, how))
            throw cli::Failure("publishing " + topic + " failed");
    }
    std::string Topic(const std::string& sign, const char* leaf) const { return m_prefix + "/" + sign + "/" + leaf; }
    std::string GroupTopic(const std::string& group) const { return m_prefix + "/group/" + group + "/desired"; }

    // Sends a command and waits for its answer; null when none came.
    json Command(const std::string& sign, const std::string& verb, int seconds)
    {
        agent::MqttPublish how;
        how.responseTopic = Topic(sign, "reply/") + m_replyId;
        how.correlation = verb + "-" + m_replyId;
        if (!m_client->Publish(Topic(sign, "cmd/") + verb, "", how))
            throw cli::Failure("publishing the command failed");
        std::unique_lock lk(m_lock);
        m_cv.wait_for(lk, std::chrono::seconds(seconds), [&] { return m_answers.count(how.correlation) != 0; });
        auto it = m_answers.find(how.correlation);
        return it == m_answers.end() ? json() : it->second;
    }
    // Waits until pred holds over the signs or the time is up; onChange is
    // called with every new state.
    template <class Pred, class Change>
    bool WaitFor(Pred pred, Change onChange, int seconds)
    {
        const auto until = Clock::now() + std::chrono::seconds(seconds);
        std::unique_lock lk(m_lock);
        for (;;) {
            for (const auto& [name, s] : m_signs)
                onChange(name, s);
            if (pred(m_signs))
                return true;
            if (m_cv.wait_until(lk, until) == std::cv_status::timeout)
                return pred(m_signs);
        }
    }

private:
    void Take(const agent::MqttMessage& m)
    {
        // prefix/SITE/SIGN/leaf or prefix/group/G/desired
        const std::string rest = m.topic.substr(std::min(m.topic.size(), m_prefix.size() + 1));
        const size_t a = rest.find('/'), b = a == std::string::npos ? a : rest.find('/', a + 1);
        if (b == std::string::npos)
            return;
        const std::string site = rest.substr(0, a), sign = rest.substr(0, b), leaf = rest.substr(b + 1);
        std::lock_guard lk(m_lock);
        const json j = json::parse(m.payload, nullptr, false);
        if (site == "group") {
            m_groups[rest.substr(a + 1, b - a - 1)] = j.is_object() ? j : json();
        } else if (leaf == "status") {
            if (m.payload.empty())
                m_signs.erase(sign);
            else
                m_signs[sign].status = m.payload;
        } else if (leaf == "state" && j.is_object()) {
            m_signs[sign].state = j;
        } else if (leaf == "desired") {
            if (m_signs.count(sign))
                m_signs[sign].desired = j.is_object() ? j : json();
        } else if (leaf.rfind("reply/", 0) == 0 && !m.correlation.empty()) {
            m_answers[m.correlation] = j;
        }
        m_cv.notify_all();
    }

    std::string m_prefix;
    std::string m_replyId = std::to_string(::getpid()) + "-" + std::to_string(std::time(nullptr));
    std::unique_ptr<agent::CMqttClient> m_client;
    std::mutex m_lock;
    std::condition_variable m_cv;
    bool m_connected = false;
    std::string m_refused;
    std::map<std::string, Sign> m_signs;
    std::map<std::string, json> m_groups;
    std::map<std::string, json> m_answers;
};

std::string Text(const json& v) { return v.is_string() ? v.get<std::string>() : v.is_null() ? "-" : v.dump(); }

// Verified: the loop acted on the latest desired state and read it back.
bool IsVerified(const json& s)
{
    return s.is_object() && s.value("settled", false) && s["verified"].is_string() && s["verified"] == s["applied"] &&
           s["applied"] == s["target"];
}

double AgeSeconds(const json& s)
{
    std::tm tm{};
    const std::string at = s.is_object() ? s.value("publishedAt", "") : "";
    if (at.size() < 19 || !strptime(at.substr(0, 19).c_str(), "%Y-%m-%dT%H:%M:%S", &tm))
        return -1;
    return std::difftime(std::time(nullptr), timegm(&tm));
}

json Row(const std::string& name, const Sign& s)
{
    const json& st = s.state;
    const bool has = st.is_object();
    return {{"sign", name},
            {"online", s.status == "online"},
            {"boardAnswering", has && st["board"].value("link", "") == "ok"},
            {"group", has ? st["group"] : json(nullptr)},
            {"desired", has ? st["desired"] : json(nullptr)},
            {"applied", has ? st["applied"] : json(nullptr)},
            {"verified", IsVerified(st)},
            {"age", has ? json(AgeSeconds(st)) : json(nullptr)},
            {"drift", has && st.value("drift", false)},
            {"refused", has ? st["refused"] : json(nullptr)}};
}

int Status(const cli::Args& args)
{
    Fleet fleet(args);
    json rows = json::array();
    for (const auto& [name, s] : fleet.Signs())
        rows.push_back(Row(name, s));
    if (args.Has("json")) {
        std::cout << rows.dump() << "\n";
        return cli::kExitOk;
    }
    std::printf("%-24s %-7s %-6s %-10s %-14s %-14s %-8s %6s %s\n", "SIGN", "ONLINE", "BOARD", "GROUP", "DESIRED",
                "APPLIED", "VERIFIED", "AGE", "DRIFT");
    for (const json& r : rows) {
        const json& d = r["desired"];
        const std::string desired = d.is_object() ? "g" + Text(d["group"]) + " s" + Text(d["sign"]) : "-";
        const std::string applied = r["applied"].is_string() ? r["applied"].get<std::string>().substr(7, 12) : "-";
        const double age = r["age"].is_number() ? r["age"].get<double>() : -1;
        std::printf("%-24s %-7s %-6s %-10s %-14s %-14s %-8s %6s %s\n", r["sign"].get<std::string>().c_str(),
                    r["online"].get<bool>() ? "yes" : "no", r["boardAnswering"].get<bool>() ? "yes" : "no",
                    Text(r["group"]).c_str(), desired.c_str(), applied.c_str(), r["verified"].get<bool>() ? "yes" : "no",
                    age < 0 ? "-" : (std::to_string(long(age)) + "s").c_str(), r["drift"].get<bool>() ? "yes" : "no");
    }
    return cli::kExitOk;
}

bool IsSignName(const std::string& s)
{
    const size_t slash = s.find('/');
    return slash != std::string::npos && agent::IsTopicLevel(s.substr(0, slash)) &&
           agent::IsTopicLevel(s.substr(slash + 1)) && s.substr(0, slash) != "group";
}

// Follows the signs until each reports revision rev of source verified,
// printing each sign's progress once per step.
bool Follow(Fleet& fleet, const std::vector<std::string>& signs, const char* source, uint64_t rev, int seconds)
{
    std::map<std::string, int> shown; // 1 applied, 2 verified
    auto at = [&](const Sign& s) {
        const json& st = s.state;
        if (!st.is_object() || !st["desired"].is_object() || st["desired"][source] != rev)
            return 0;
        return IsVerified(st) ? 2 : st["applied"].is_string() && st.value("settled", false) ? 1 : 0;
    };
    auto progress = [&](const std::string& name, const Sign& s) {
        if (std::find(signs.begin(), signs.end(), name) == signs.end())
            return;
        const int now = at(s);
        for (int step = shown[name] + 1; step <= now; ++step)
            std::cout << name << ": " << (step == 1 ? "applied " + Text(s.state["applied"]) : "verified") << std::endl;
        shown[name] = std::max(shown[name], now);
        if (s.state.is_object() && s.state["refused"].is_string() && shown[name] < 2 && !shown.count(name + "!")) {
            std::cout << name << ": refused: " << s.state["refused"].get<std::string>() << std::endl;
            shown[name + "!"] = 1;
        }
    };
    const bool all = fleet.WaitFor(
        [&](const std::map<std::string, Sign>& now) {
            return std::all_of(signs.begin(), signs.end(), [&](const std::string& n) {
                auto it = now.find(n);
                return it != now.end() && at(it->second) == 2;
            });
        },
        progress, seconds);
    if (!all)
        for (const std::string& n : signs)
            if (shown[n] < 2)
                std::cout << n << ": not verified within " << seconds << " s" << std::endl;
    return all;
}

int Publish(const cli::Args& args)
{
    const std::filesystem::path path = args.positional[0];
    cli::OpenProject(path); // refused here rather than by every sign
    std::vector<uint8_t> bytes;
    cli::Check(lumivo::ReadFileLimited(path, 4u << 20, bytes), "reading " + path.string());
    const auto group = args.Get("group");
    const auto one = args.Get("sign");
    if (group.has_value() == one.has_value())
        throw cli::UsageError("give --group G or --sign SITE/SIGN");
    if (group && !agent::IsTopicLevel(*group))
        throw cli::UsageError("--group must be one topic level");
    if (one && !IsSignName(*one))
        throw cli::UsageError("--sign must be SITE/SIGN");
    const long canary = args.Number("canary", 1, 100000).value_or(0);
    if (canary && !group)
        throw cli::UsageError("--canary goes with --group");
    const int seconds = int(args.Number("wait", 1, 86400).value_or(120));
    // Seconds since 1970: later publishes have higher revisions.
    const uint64_t rev = uint64_t(args.Number("revision", 1, 1L << 52).value_or(long(std::time(nullptr))));
    const std::string blob = agent::Base64Encode(bytes);

    Fleet fleet(args);
    const auto withProject = [&](json doc) {
        if (!doc.is_object())
            doc = json::object();
        doc["project"] = blob;
        doc["revision"] = rev;
        return doc.dump();
    };
    if (one) {
        const auto signs = fleet.Signs();
        auto it = signs.find(*one);
        fleet.Retain(fleet.Topic(*one, "desired"), withProject(it == signs.end() ? json() : it->second.desired));
        std::cout << "published revision " << rev << " to " << *one << std::endl;
        return Follow(fleet, {*one}, "sign", rev, seconds) ? cli::kExitOk : cli::kExitFailed;
    }
    std::vector<std::string> members;
    std::map<std::string, json> before;
    for (const auto& [name, s] : fleet.Signs())
        if (s.state.is_object() && s.state["group"] == *group) {
            members.push_back(name);
            before[name] = s.desired;
        }
    if (members.empty())
        std::cout << "no sign has reported being in group " << *group << " yet" << std::endl;
    const std::vector<std::string> first(members.begin(), members.begin() + std::min<size_t>(canary, members.size()));
    // The canaries get it as their own key first; the rest only once they
    // all verified it. Their own messages are then put back as they were.
    auto restore = [&] {
        for (const std::string& n : first)
            fleet.Retain(fleet.Topic(n, "desired"), before[n].is_object() ? before[n].dump() : "");
    };
    if (!first.empty()) {
        for (const std::string& n : first)
            fleet.Retain(fleet.Topic(n, "desired"), withProject(before[n]));
        std::cout << "canary: revision " << rev << " to " << first.size() << " sign(s)" << std::endl;
        if (!Follow(fleet, first, "sign", rev, seconds)) {
            restore();
            throw cli::Failure("the canaries did not verify revision " + std::to_string(rev) +
                               "; the roll-out stopped and their own desired states were put back");
        }
    }
    fleet.Retain(fleet.GroupTopic(*group), withProject(fleet.GroupDesired(*group)));
    std::cout << "published revision " << rev << " to group " << *group << " (" << members.size() << " sign(s))"
              << std::endl;
    const bool all = Follow(fleet, members, "group", rev, seconds);
    restore();
    return all ? cli::kExitOk : cli::kExitFailed;
}

int Retire(const cli::Args& args)
{
    const std::string sign = args.positional[0];
    if (!IsSignName(sign))
        throw cli::UsageError("the sign must be SITE/SIGN");
    Fleet fleet(args);
    const json answer = fleet.Command(sign, "retire", 5);
    // Also when its agent is gone for good: nothing of it stays retained.
    for (const char* leaf : {"status", "board", "state", "preview", "desired"})
        fleet.Retain(fleet.Topic(sign, leaf), "");
    agent::MqttConfig c;
    c.site = sign.substr(0, sign.find('/'));
    c.sign = sign.substr(sign.find('/') + 1);
    c.haPrefix = args.Get("ha-prefix").value_or("homeassistant");
    if (!agent::IsTopicLevel(c.haPrefix))
        throw cli::UsageError("--ha-prefix must be one topic level");
    fleet.Retain(agent::DiscoveryTopic(c), "");
    std::cout << "retired " << sign
              << (answer.is_null() ? " (its agent did not answer; its retained topics were cleared)" : "") << "\n";
    return cli::kExitOk;
}

const cli::Verb kPublish{
    "fleet publish", "FILE.qvndoc (--group G | --sign SITE/SIGN) [options]",
    "publish a project to a group of signs or one sign on the broker",
    "Publishes the project as the retained desired state and follows the signs\n"
    "until each reports it applied and verified (exit 1 when some did not within\n"
    "--wait). With --canary N the first N signs of the group get it first, and\n"
    "the group only once they verified it.",
    FleetOptions({{"group", "G", "every sign of the group"},
                  {"sign", "SITE/SIGN", "one sign"},
                  {"canary", "N", "a staged roll-out: N signs first, then the rest"},
                  {"revision", "N", "the revision (default the time in seconds)"},
                  {"wait", "S", "how long to follow the signs (default 120)"}}),
    1, 1, Publish};
const cli::Verb kFleetStatus{
    "fleet status", "[options]", "the signs on the broker, one row each",
    "Online, board answering, group, the desired revisions in force (g: group,\n"
    "s: the sign's own), applied, verified, the age of the last state and drift.",
    FleetOptions({{"json", nullptr, "one JSON array of the rows"}}), 0, 0, Status};
const cli::Verb kRetire{"fleet retire", "SITE/SIGN [options]", "retire a sign from the broker and Home Assistant",
                        "Its agent removes its retained topics and its Home Assistant device; the\n"
                        "topics are cleared here too, should the agent not answer.",
                        FleetOptions({{"ha-prefix", "P", "Home Assistant's discovery prefix (default homeassistant)"}}),
                        1, 1, Retire};
LUMIVO_CLI_VERB(kPublish);
LUMIVO_CLI_VERB(kFleetStatus);
LUMIVO_CLI_VERB(kRetire);

} // namespace
