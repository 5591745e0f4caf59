// SPDX-License-Identifier: GPL-2.0-or-later
#include "fleet_client.h"

#include <mosquitto.h>
#include <mqtt_protocol.h>

#include <unistd.h>

#include <chrono>
#include <ctime>
#include <thread>

namespace fleet {

namespace {

// The client reports a refused login as "refused: " and the library's words.
ConnectError Refusal(const std::string& why)
{
    auto is = [&](int reason) { return why == std::string("refused: ") + mosquitto_reason_string(reason); };
    if (why.rfind("refused: ", 0) != 0)
        return ConnectError::kNoAnswer;
    // Mosquitto answers a wrong password with "not authorised".
    if (is(MQTT_RC_BAD_USERNAME_OR_PASSWORD) || is(MQTT_RC_NOT_AUTHORIZED))
        return ConnectError::kBadLogin;
    return ConnectError::kRefused;
}

} // namespace

CFleetClient::CFleetClient(Options options)
    : m_options(std::move(options)),
      m_replyId(std::to_string(::getpid()) + "-" + std::to_string(std::time(nullptr)) + "-" +
                std::to_string(reinterpret_cast<uintptr_t>(this) & 0xFFFF))
{
    if (m_options.broker.host.empty())
        m_options.broker.host = "127.0.0.1";
    m_client = std::make_unique<agent::CMqttClient>(m_options.broker, false);
}

CFleetClient::~CFleetClient() { m_client->Stop(); }

ConnectError CFleetClient::Connect(int waitSeconds, std::string& detail)
{
    if (!agent::IsTopicLevel(m_options.prefix)) {
        detail = "the topic prefix must be one topic level";
        return ConnectError::kBadOption;
    }
    const std::string& p = m_options.prefix;
    m_client->OnConnect([this, p] {
        for (const char* leaf : {"status", "board", "state", "desired"})
            m_client->Subscribe(p + "/+/+/" + leaf);
        m_client->Subscribe(p + "/group/+/desired");
        m_client->Subscribe(p + "/+/+/reply/" + m_replyId);
        {
            std::lock_guard lk(m_lock);
            m_connected = true;
            m_error = ConnectError::kNone;
            m_detail.clear();
        }
        Changed();
    });
    m_client->OnDisconnect([this](const std::string& why) {
        {
            std::lock_guard lk(m_lock);
            m_connected = false;
            m_error = Refusal(why);
            m_detail = why;
        }
        Changed();
    });
    m_client->OnMessage([this](const agent::MqttMessage& m) { Take(m); });
    if (!m_client->Start(detail))
        return ConnectError::kBadOption;
    if (waitSeconds <= 0)
        return ConnectError::kNone;
    std::unique_lock lk(m_lock);
    m_cv.wait_for(lk, std::chrono::seconds(waitSeconds),
                  [this] { return m_connected || m_error != ConnectError::kNoAnswer; });
    if (!m_connected) {
        detail = m_detail.empty() ? "does not answer" : m_detail;
        const ConnectError e = m_error == ConnectError::kNone ? ConnectError::kNoAnswer : m_error;
        lk.unlock();
        m_client->Stop(false);
        return e;
    }
    // The retained messages follow the subscriptions at once.
    lk.unlock();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    return ConnectError::kNone;
}

ConnectError CFleetClient::Status(std::string& detail) const
{
    std::lock_guard lk(m_lock);
    detail = m_detail;
    return m_connected ? ConnectError::kNone : m_error;
}

Signs CFleetClient::SignsNow() const
{
    std::lock_guard lk(m_lock);
    Signs out = m_signs;
    for (auto& [name, s] : out)
        if (auto it = m_own.find(name); it != m_own.end())
            s.desired = it->second;
    return out;
}

json CFleetClient::GroupDesired(const std::string& group) const
{
    std::lock_guard lk(m_lock);
    auto it = m_groups.find(group);
    return it == m_groups.end() ? json() : it->second;
}

bool CFleetClient::Retain(const std::string& topic, const std::string& payload)
{
    agent::MqttPublish how;
    how.retain = true;
    return m_client->Publish(topic, payload, how);
}

json CFleetClient::Command(const std::string& sign, const std::string& verb, int seconds)
{
    agent::MqttPublish how;
    how.responseTopic = Topic(sign, "reply/") + m_replyId;
    how.correlation = verb + "-" + m_replyId;
    if (!m_client->Publish(Topic(sign, "cmd/") + verb, "", how))
        return json();
    std::unique_lock lk(m_lock);
    m_cv.wait_for(lk, std::chrono::seconds(seconds), [&] { return m_answers.count(how.correlation) != 0; });
    auto it = m_answers.find(how.correlation);
    return it == m_answers.end() ? json() : it->second;
}

bool CFleetClient::WaitFor(const std::function<bool(const Signs&)>& pred,
                           const std::function<void(const std::string&, const Sign&)>& each, int seconds,
                           const std::function<bool()>& stop)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    std::unique_lock lk(m_lock);
    for (;;) {
        if (each)
            for (const auto& [name, s] : m_signs)
                each(name, s);
        if (pred(m_signs))
            return true;
        if (stop && stop())
            return false;
        if (m_cv.wait_until(lk, until) == std::cv_status::timeout)
            return pred(m_signs);
    }
}

void CFleetClient::Wake()
{
    std::lock_guard lk(m_lock);
    m_cv.notify_all();
}

std::string CFleetClient::Topic(const std::string& sign, const std::string& leaf) const
{
    return m_options.prefix + "/" + sign + "/" + leaf;
}

std::string CFleetClient::GroupTopic(const std::string& group) const
{
    return m_options.prefix + "/group/" + group + "/desired";
}

void CFleetClient::Take(const agent::MqttMessage& m)
{
    // prefix/SITE/SIGN/leaf or prefix/group/G/desired
    const std::string rest = m.topic.substr(std::min(m.topic.size(), m_options.prefix.size() + 1));
    const size_t a = rest.find('/'), b = a == std::string::npos ? a : rest.find('/', a + 1);
    if (b == std::string::npos)
        return;
    const std::string site = rest.substr(0, a), sign = rest.substr(0, b), leaf = rest.substr(b + 1);
    const json j = json::parse(m.payload, nullptr, false);
    {
        std::lock_guard lk(m_lock);
        if (site == "group") {
            m_groups[rest.substr(a + 1, b - a - 1)] = j.is_object() ? j : json();
        } else if (leaf == "status") {
            // An empty retained status: the sign was retired.
            if (m.payload.empty())
                m_signs.erase(sign);
            else
                m_signs[sign].status = m.payload;
        } else if (leaf == "board" && j.is_object()) {
            m_signs[sign].board = j;
        } else if (leaf == "state" && j.is_object()) {
            m_signs[sign].state = j;
        } else if (leaf == "desired") {
            // Kept apart: it may come before the sign's status does.
            if (j.is_object())
                m_own[sign] = j;
            else
                m_own.erase(sign);
        } else if (leaf.rfind("reply/", 0) == 0 && !m.correlation.empty()) {
            m_answers[m.correlation] = j;
        }
    }
    Changed();
}

void CFleetClient::Changed()
{
    {
        std::lock_guard lk(m_lock);
        m_cv.notify_all();
    }
    if (m_onChange)
        m_onChange();
}

bool IsSignName(const std::string& s)
{
    const size_t slash = s.find('/');
    return slash != std::string::npos && agent::IsTopicLevel(s.substr(0, slash)) &&
           agent::IsTopicLevel(s.substr(slash + 1)) && s.substr(0, slash) != "group";
}

} // namespace fleet
