// SPDX-License-Identifier: GPL-2.0-or-later
#include "mqtt_client.h"

#include "core/atomic_file.h"

#include <mosquitto.h>
#include <mqtt_protocol.h>

#include <cstdlib>

namespace agent {

namespace {

constexpr int kKeepAliveSeconds = 30;
// Reconnect after 1 s, doubling to 30 s: a broker back from an outage sees
// its signs within half a minute, and a dead one is not hammered.
constexpr unsigned kFirstRetrySeconds = 1, kMaxRetrySeconds = 30;
// How long the broker keeps a sign's session (and its queued notifications).
constexpr uint32_t kSessionSeconds = 7 * 24 * 3600;

struct LibraryInit {
    LibraryInit() { mosquitto_lib_init(); }
    ~LibraryInit() { mosquitto_lib_cleanup(); }
};

void EnsureLibrary()
{
    static LibraryInit init;
}

} // namespace

struct MqttCallbacks {
    static void Connect(mosquitto*, void* obj, int rc, int, const mosquitto_property*)
    {
        auto* c = static_cast<CMqttClient*>(obj);
        if (rc != 0) {
            if (c->m_onDisconnect)
                c->m_onDisconnect(std::string("refused: ") + mosquitto_reason_string(rc));
            return;
        }
        {
            std::lock_guard lk(c->m_lock);
            c->m_connected = true;
        }
        if (c->m_onConnect)
            c->m_onConnect();
    }
    static void Disconnect(mosquitto*, void* obj, int rc, const mosquitto_property*)
    {
        auto* c = static_cast<CMqttClient*>(obj);
        bool was = false;
        {
            std::lock_guard lk(c->m_lock);
            was = c->m_connected;
            c->m_connected = false;
        }
        // rc 0: our own disconnect, nothing to report.
        if (was && rc != 0 && c->m_onDisconnect)
            c->m_onDisconnect(mosquitto_strerror(rc));
    }
    static void Message(mosquitto*, void* obj, const mosquitto_message* m, const mosquitto_property* props)
    {
        auto* c = static_cast<CMqttClient*>(obj);
        if (!c->m_onMessage || !m->topic || m->payloadlen < 0 || uint32_t(m->payloadlen) > kMaxMqttPayload)
            return;
        MqttMessage msg;
        msg.topic = m->topic;
        msg.payload.assign(static_cast<const char*>(m->payload), size_t(m->payloadlen));
        msg.retain = m->retain;
        uint32_t expiry = 0;
        if (mosquitto_property_read_int32(props, MQTT_PROP_MESSAGE_EXPIRY_INTERVAL, &expiry, false)) {
            msg.hasExpiry = true;
            msg.expirySeconds = expiry;
        }
        char* topic = nullptr;
        if (mosquitto_property_read_string(props, MQTT_PROP_RESPONSE_TOPIC, &topic, false) && topic) {
            msg.responseTopic = topic;
            free(topic);
        }
        void* data = nullptr;
        uint16_t len = 0;
        if (mosquitto_property_read_binary(props, MQTT_PROP_CORRELATION_DATA, &data, &len, false) && data) {
            msg.correlation.assign(static_cast<const char*>(data), len);
            free(data);
        }
        c->m_onMessage(msg);
    }
};

bool IsTopicLevel(const std::string& name)
{
    if (name.empty() || name.size() > 64)
        return false;
    for (unsigned char ch : name)
        if (ch == '/' || ch == '+' || ch == '#' || ch < 0x20 || ch == 0x7F)
            return false;
    return true;
}

CMqttClient::CMqttClient(MqttOptions options, bool keepSession)
    : m_options(std::move(options)), m_keepSession(keepSession && !m_options.clientId.empty())
{
    EnsureLibrary();
}

CMqttClient::~CMqttClient()
{
    Stop();
    if (m_mosq)
        mosquitto_destroy(m_mosq);
}

bool CMqttClient::Make()
{
    if (!m_mosq) {
        m_mosq = mosquitto_new(m_options.clientId.empty() ? nullptr : m_options.clientId.c_str(), !m_keepSession, this);
        if (m_mosq)
            mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    }
    return m_mosq != nullptr;
}

void CMqttClient::SetWill(const std::string& topic, const std::string& payload)
{
    if (!Make())
        return;
    m_hasWill = mosquitto_will_set_v5(m_mosq, topic.c_str(), int(payload.size()), payload.data(), 1, true,
                                      nullptr) == MOSQ_ERR_SUCCESS;
}

std::string CMqttClient::Describe() const
{
    return m_options.host + ":" + std::to_string(m_options.port) + (m_options.caFile.empty() ? "" : " (TLS)");
}

bool CMqttClient::Start(std::string& error)
{
    if (!Make()) {
        error = "the MQTT client cannot be made";
        return false;
    }
    if (m_options.port == 0)
        m_options.port = m_options.caFile.empty() ? 1883 : 8883;
    if (!m_options.user.empty()) {
        std::string password;
        if (!m_options.passwordFile.empty()) {
            std::vector<uint8_t> bytes;
            const lumivo::Result r = lumivo::ReadFileLimited(m_options.passwordFile, 4096, bytes);
            if (!r) {
                error = "the MQTT password: " + r.FirstError();
                return false;
            }
            password.assign(bytes.begin(), bytes.end());
            password = password.substr(0, password.find_first_of("\r\n"));
        }
        mosquitto_username_pw_set(m_mosq, m_options.user.c_str(),
                                  m_options.passwordFile.empty() ? nullptr : password.c_str());
    } else if (!m_options.passwordFile.empty()) {
        error = "an MQTT password file needs a user";
        return false;
    }
    if (m_options.certFile.empty() != m_options.keyFile.empty()) {
        error = "the MQTT client certificate and key go together";
        return false;
    }
    if (!m_options.caFile.empty()) {
        const int rc = mosquitto_tls_set(m_mosq, m_options.caFile.c_str(), nullptr,
                                         m_options.certFile.empty() ? nullptr : m_options.certFile.c_str(),
                                         m_options.keyFile.empty() ? nullptr : m_options.keyFile.c_str(), nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            error = std::string("MQTT TLS: ") + mosquitto_strerror(rc);
            return false;
        }
    } else if (!m_options.certFile.empty()) {
        error = "an MQTT client certificate needs the CA file (TLS)";
        return false;
    }
    mosquitto_connect_v5_callback_set(m_mosq, MqttCallbacks::Connect);
    mosquitto_disconnect_v5_callback_set(m_mosq, MqttCallbacks::Disconnect);
    mosquitto_message_v5_callback_set(m_mosq, MqttCallbacks::Message);
    mosquitto_reconnect_delay_set(m_mosq, kFirstRetrySeconds, kMaxRetrySeconds, true);

    mosquitto_property* props = nullptr;
    mosquitto_property_add_int32(&props, MQTT_PROP_MAXIMUM_PACKET_SIZE, kMaxMqttPayload + 64 * 1024);
    if (m_keepSession)
        mosquitto_property_add_int32(&props, MQTT_PROP_SESSION_EXPIRY_INTERVAL, kSessionSeconds);
    mosquitto_threaded_set(m_mosq, true);
    m_started = true;
    m_thread = std::thread([this, props] {
        // The first connect may fail (the broker is down); the loop then
        // reconnects with the stored options and properties.
        mosquitto_connect_bind_v5(m_mosq, m_options.host.c_str(), int(m_options.port), kKeepAliveSeconds, nullptr,
                                  props);
        mosquitto_property* own = props;
        mosquitto_property_free_all(&own);
        mosquitto_loop_forever(m_mosq, 1000, 1);
    });
    return true;
}

void CMqttClient::Stop(bool sendWill)
{
    if (!m_started)
        return;
    m_started = false;
    // With a will, a clean stop still tells the others this client is gone.
    mosquitto_disconnect_v5(m_mosq, m_hasWill && sendWill ? MQTT_RC_DISCONNECT_WITH_WILL_MSG : 0, nullptr);
    if (m_thread.joinable())
        m_thread.join();
    std::lock_guard lk(m_lock);
    m_connected = false;
}

bool CMqttClient::Connected() const
{
    std::lock_guard lk(m_lock);
    return m_connected;
}

bool CMqttClient::Publish(const std::string& topic, const std::string& payload, const MqttPublish& how)
{
    if (!m_mosq)
        return false;
    mosquitto_property* props = nullptr;
    if (how.expirySeconds)
        mosquitto_property_add_int32(&props, MQTT_PROP_MESSAGE_EXPIRY_INTERVAL, how.expirySeconds);
    if (!how.responseTopic.empty())
        mosquitto_property_add_string(&props, MQTT_PROP_RESPONSE_TOPIC, how.responseTopic.c_str());
    if (!how.correlation.empty() && how.correlation.size() <= 0xFFFF)
        mosquitto_property_add_binary(&props, MQTT_PROP_CORRELATION_DATA, how.correlation.data(),
                                      uint16_t(how.correlation.size()));
    const int rc = mosquitto_publish_v5(m_mosq, nullptr, topic.c_str(), int(payload.size()), payload.data(), how.qos,
                                        how.retain, props);
    mosquitto_property_free_all(&props);
    return rc == MOSQ_ERR_SUCCESS;
}

bool CMqttClient::Subscribe(const std::string& pattern, int qos)
{
    return m_mosq && mosquitto_subscribe_v5(m_mosq, nullptr, pattern.c_str(), qos, 0, nullptr) == MOSQ_ERR_SUCCESS;
}

} // namespace agent
