// SPDX-License-Identifier: GPL-2.0-or-later
// Head office on the broker: one client that follows every sign's retained
// status, board, state and desired messages and the groups' desired
// states, publishes retained desired states and sends commands. Used by
// lumivo-cli's fleet verbs and by the window, never on the GUI thread
// when it waits.
#pragma once

#include "mqtt_client.h"

#include <nlohmann/json.hpp>

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace fleet {

using nlohmann::json;

struct Options {
    agent::MqttOptions broker; // an empty host means 127.0.0.1
    std::string prefix = "lumivo";
};

// Why a connection did not come about, for the caller to say in its words.
enum class ConnectError { kNone, kBadOption, kNoAnswer, kBadLogin, kRefused };

// One sign as its retained messages tell it.
struct Sign {
    std::string status; // online, offline, "" when none is retained
    json board;         // null when none is retained
    json state;
    json desired;       // its own retained desired state
};
using Signs = std::map<std::string, Sign>; // by SITE/SIGN

class CFleetClient {
public:
    explicit CFleetClient(Options options);
    ~CFleetClient();
    CFleetClient(const CFleetClient&) = delete;
    CFleetClient& operator=(const CFleetClient&) = delete;

    // Called on the client's network thread after every message taken in
    // and on every connect or refusal; must not block. Before Connect.
    void OnChange(std::function<void()> f) { m_onChange = std::move(f); }

    // Starts connecting; with waitSeconds > 0 blocks until the broker took
    // the login and its retained messages came in. Returns kNone or why
    // not, with the library's words in detail.
    ConnectError Connect(int waitSeconds, std::string& detail);
    // The state of the connection now, as Connect would return it
    // (kNoAnswer while still trying).
    ConnectError Status(std::string& detail) const;

    Signs SignsNow() const;
    json GroupDesired(const std::string& group) const;
    // A retained message; false when it could not be queued.
    bool Retain(const std::string& topic, const std::string& payload);
    // Sends cmd/<verb> and waits for its answer; null when none came.
    json Command(const std::string& sign, const std::string& verb, int seconds);
    // Blocks until pred(signs) holds, the time is up (false) or stop()
    // says so (false); each() sees every sign after every change.
    bool WaitFor(const std::function<bool(const Signs&)>& pred,
                 const std::function<void(const std::string&, const Sign&)>& each, int seconds,
                 const std::function<bool()>& stop = {});
    // Wakes WaitFor, so that it looks at stop() at once.
    void Wake();

    std::string Topic(const std::string& sign, const std::string& leaf) const;
    std::string GroupTopic(const std::string& group) const;
    std::string Describe() const { return m_client->Describe(); }

private:
    void Take(const agent::MqttMessage& m);
    void Changed();

    Options m_options;
    std::string m_replyId;
    std::unique_ptr<agent::CMqttClient> m_client;
    std::function<void()> m_onChange;
    mutable std::mutex m_lock;
    std::condition_variable m_cv;
    bool m_connected = false;
    ConnectError m_error = ConnectError::kNoAnswer;
    std::string m_detail;
    Signs m_signs;                    // their desired member is filled from m_own
    std::map<std::string, json> m_own; // the signs' own desired states
    std::map<std::string, json> m_groups;
    std::map<std::string, json> m_answers;
};

// Whether s is SITE/SIGN: two topic levels, the site not "group".
bool IsSignName(const std::string& s);

} // namespace fleet
