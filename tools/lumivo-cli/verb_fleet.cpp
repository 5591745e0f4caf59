// SPDX-License-Identifier: GPL-2.0-or-later
// lumivo-cli fleet publish|status|retire: the signs on a broker, from head
// office. The signs' retained status and state are the fleet's view; a
// publish is a retained desired state, followed until the signs report it
// verified.
#include "cli.h"

#include "fleet_client.h"
#include "fleet_publish.h"
#include "fleet_rows.h"
#include "ha_discovery.h"

#include "core/atomic_file.h"

#include <nlohmann/json.hpp>

#include <ctime>
#include <iostream>

namespace {

using nlohmann::json;

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

// The broker options as the agent names them.
fleet::Options BrokerOptions(const cli::Args& args)
{
    fleet::Options o;
    const char* env = std::getenv("LUMIVO_MQTT_HOST");
    o.broker.host = args.Get("mqtt-host").value_or(env && *env ? env : "127.0.0.1");
    if (auto p = args.Number("mqtt-port", 1, 65535))
        o.broker.port = unsigned(*p);
    o.broker.user = args.Get("mqtt-user").value_or("");
    o.broker.passwordFile = args.Get("mqtt-password-file").value_or("");
    o.broker.caFile = args.Get("mqtt-ca-file").value_or("");
    o.broker.certFile = args.Get("mqtt-cert").value_or("");
    o.broker.keyFile = args.Get("mqtt-key").value_or("");
    o.prefix = args.Get("topic-prefix").value_or("lumivo");
    if (!agent::IsTopicLevel(o.prefix))
        throw cli::UsageError("--topic-prefix must be one topic level");
    return o;
}

// Connected, with the retained messages in.
class Fleet : public fleet::CFleetClient {
public:
    explicit Fleet(const cli::Args& args) : CFleetClient(BrokerOptions(args))
    {
        std::string why;
        const fleet::ConnectError e = Connect(10, why);
        if (e == fleet::ConnectError::kBadOption)
            throw cli::UsageError(why);
        if (e != fleet::ConnectError::kNone)
            throw cli::Failure("the broker " + Describe() + " " + why);
    }
    void Put(const std::string& topic, const std::string& payload)
    {
        if (!Retain(topic, payload))
            throw cli::Failure("publishing " + topic + " failed");
    }
};

std::string Text(const json& v) { return v.is_string() ? v.get<std::string>() : v.is_null() ? "-" : v.dump(); }

int Status(const cli::Args& args)
{
    Fleet fleet(args);
    std::vector<fleet::Row> rows;
    const std::time_t now = std::time(nullptr);
    for (const auto& [name, s] : fleet.SignsNow())
        rows.push_back(fleet::RowOf(name, s, now));
    if (args.Has("json")) {
        json out = json::array();
        for (const fleet::Row& r : rows)
            out.push_back(fleet::RowJson(r));
        std::cout << out.dump() << "\n";
        return cli::kExitOk;
    }
    std::printf("%-24s %-7s %-6s %-10s %-14s %-14s %-8s %6s %s\n", "SIGN", "ONLINE", "BOARD", "GROUP", "DESIRED",
                "APPLIED", "VERIFIED", "AGE", "DRIFT");
    for (const fleet::Row& r : rows) {
        const json& d = r.desired;
        const std::string desired =
            d.is_object() ? "g" + Text(d.value("group", json())) + " s" + Text(d.value("sign", json())) : "-";
        const std::string applied = r.applied.is_string() ? r.applied.get<std::string>().substr(7, 12) : "-";
        std::printf("%-24s %-7s %-6s %-10s %-14s %-14s %-8s %6s %s\n", r.sign.c_str(), r.online ? "yes" : "no",
                    r.boardAnswering ? "yes" : "no", Text(r.group).c_str(), desired.c_str(), applied.c_str(),
                    r.verified ? "yes" : "no", r.age < 0 ? "-" : (std::to_string(long(r.age)) + "s").c_str(),
                    r.drift ? "yes" : "no");
    }
    return cli::kExitOk;
}

int Publish(const cli::Args& args)
{
    const std::filesystem::path path = args.positional[0];
    const auto project = cli::OpenProject(path); // refused here rather than by every sign
    fleet::PublishRequest req;
    req.schedule = fleet::ProjectSchedule(*project); // the one its Ads go with
    cli::Check(lumivo::ReadFileLimited(path, 4u << 20, req.project), "reading " + path.string());
    const auto group = args.Get("group");
    const auto one = args.Get("sign");
    if (group.has_value() == one.has_value())
        throw cli::UsageError("give --group G or --sign SITE/SIGN");
    if (group && !agent::IsTopicLevel(*group))
        throw cli::UsageError("--group must be one topic level");
    if (one && !fleet::IsSignName(*one))
        throw cli::UsageError("--sign must be SITE/SIGN");
    req.canary = size_t(args.Number("canary", 1, 100000).value_or(0));
    if (req.canary && !group)
        throw cli::UsageError("--canary goes with --group");
    req.waitSeconds = int(args.Number("wait", 1, 86400).value_or(120));
    // Seconds since 1970: later publishes have higher revisions.
    req.revision = uint64_t(args.Number("revision", 1, 1L << 52).value_or(long(std::time(nullptr))));
    if (group)
        req.group = *group;
    else
        req.signs = {*one};

    Fleet fleet(args);
    const fleet::PublishResult r = fleet::Publish(fleet, req, [&](const fleet::PublishEvent& e) {
        using E = fleet::PublishEvent;
        switch (e.kind) {
        case E::kWaiting: break;
        case E::kCanary:
            std::cout << "canary: revision " << req.revision << " to " << e.detail << " sign(s)" << std::endl;
            break;
        case E::kPublished:
            std::cout << "published revision " << req.revision << " to " << (group ? "group " + *group : *one)
                      << std::endl;
            break;
        case E::kApplied: std::cout << e.sign << ": applied " << e.detail << std::endl; break;
        case E::kVerified: std::cout << e.sign << ": verified" << std::endl; break;
        case E::kRefused: std::cout << e.sign << ": refused: " << e.detail << std::endl; break;
        case E::kNotVerified: std::cout << e.sign << ": not verified within " << e.detail << " s" << std::endl; break;
        }
    });
    switch (r.kind) {
    case fleet::PublishResult::kPublishFailed: throw cli::Failure("publishing " + r.detail + " failed");
    case fleet::PublishResult::kCanaryFailed:
        throw cli::Failure("the canaries did not verify revision " + std::to_string(r.revision) +
                           "; the roll-out stopped and their own desired states were put back");
    default: break;
    }
    if (group && r.signs == 0)
        std::cout << "no sign has reported being in group " << *group << " yet" << std::endl;
    else if (group)
        std::cout << r.signs << " sign(s) in group " << *group << std::endl;
    return r.kind == fleet::PublishResult::kAllVerified ? cli::kExitOk : cli::kExitFailed;
}

int Retire(const cli::Args& args)
{
    const std::string sign = args.positional[0];
    if (!fleet::IsSignName(sign))
        throw cli::UsageError("the sign must be SITE/SIGN");
    Fleet fleet(args);
    const json answer = fleet.Command(sign, "retire", 5);
    // Also when its agent is gone for good: nothing of it stays retained.
    for (const char* leaf : {"status", "board", "state", "preview", "desired"})
        fleet.Put(fleet.Topic(sign, leaf), "");
    agent::MqttConfig c;
    c.site = sign.substr(0, sign.find('/'));
    c.sign = sign.substr(sign.find('/') + 1);
    c.haPrefix = args.Get("ha-prefix").value_or("homeassistant");
    if (!agent::IsTopicLevel(c.haPrefix))
        throw cli::UsageError("--ha-prefix must be one topic level");
    fleet.Put(agent::DiscoveryTopic(c), "");
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
