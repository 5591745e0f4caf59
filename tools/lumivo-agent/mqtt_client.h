// SPDX-License-Identifier: GPL-2.0-or-later
// A thin MQTT 5 client over libmosquitto, shared by the agent and
// lumivo-cli: broker options as both name them, user and password from a
// file, TLS, a last will, and reconnection with backoff on the library's own
// network thread. Callbacks run on that thread and must not block.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

struct mosquitto;

namespace agent {

struct MqttOptions {
    std::string host;          // empty: no broker
    unsigned port = 0;         // 0: 1883, or 8883 with TLS
    std::string user;
    std::string passwordFile;  // its first line is the password
    std::string caFile;        // TLS when set
    std::string certFile, keyFile; // the client certificate, both or neither
    std::string clientId;      // empty: the broker picks one (and the session is not kept)
};

// Largest message taken in: a project of 4 MiB as base64 with its schedule.
constexpr uint32_t kMaxMqttPayload = 8u << 20;

struct MqttMessage {
    std::string topic;
    std::string payload;
    bool retain = false;
    bool hasExpiry = false;
    uint32_t expirySeconds = 0; // what is left of the message's expiry
    std::string responseTopic;
    std::string correlation;
};

struct MqttPublish {
    int qos = 1;
    bool retain = false;
    uint32_t expirySeconds = 0; // 0: none
    std::string responseTopic;
    std::string correlation;
};

class CMqttClient {
public:
    // keepSession: the broker keeps the subscriptions and QoS 1 messages
    // while this client is away (needs a client id).
    CMqttClient(MqttOptions options, bool keepSession);
    ~CMqttClient();
    CMqttClient(const CMqttClient&) = delete;
    CMqttClient& operator=(const CMqttClient&) = delete;

    // Before Start.
    void SetWill(const std::string& topic, const std::string& payload);
    void OnConnect(std::function<void()> f) { m_onConnect = std::move(f); }
    void OnDisconnect(std::function<void(const std::string& why)> f) { m_onDisconnect = std::move(f); }
    void OnMessage(std::function<void(const MqttMessage&)> f) { m_onMessage = std::move(f); }

    // Reads the password, sets up TLS and starts connecting in the
    // background; false with the reason for a bad option. A broker that is
    // down is not an error: the client keeps trying.
    bool Start(std::string& error);
    // Disconnects and joins the network thread; the will, when one is set,
    // is still sent when sendWill.
    void Stop(bool sendWill = true);
    bool Connected() const;

    bool Publish(const std::string& topic, const std::string& payload, const MqttPublish& how = {});
    bool Subscribe(const std::string& pattern, int qos = 1);
    std::string Describe() const;

private:
    bool Make();
    MqttOptions m_options;
    bool m_keepSession;
    mosquitto* m_mosq = nullptr;
    bool m_started = false;
    bool m_hasWill = false;
    std::thread m_thread;
    mutable std::mutex m_lock;
    bool m_connected = false;
    std::function<void()> m_onConnect;
    std::function<void(const std::string&)> m_onDisconnect;
    std::function<void(const MqttMessage&)> m_onMessage;
    friend struct MqttCallbacks;
};

// Whether a name can stand as one topic level: not empty, at most 64
// bytes, no '/', '+', '#' or control characters.
bool IsTopicLevel(const std::string& name);

} // namespace agent
