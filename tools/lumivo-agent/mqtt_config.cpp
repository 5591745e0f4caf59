// SPDX-License-Identifier: GPL-2.0-or-later
#include "mqtt_config.h"

#include "config.h"

#include <unistd.h>

#include <cstdlib>

namespace agent {

bool SetMqttKey(MqttConfig& c, const std::string& key, const std::string& v, std::string& error, bool& handled)
{
    handled = true;
    MqttOptions& b = c.broker;
    if (key == "mqtt-host")
        b.host = v;
    else if (key == "mqtt-port") {
        char* end = nullptr;
        const unsigned long n = std::strtoul(v.c_str(), &end, 10);
        if (v.empty() || *end || v[0] == '-' || n < 1 || n > 65535) {
            error = "mqtt-port must be a port from 1 to 65535, not \"" + v + "\"";
            return false;
        }
        b.port = unsigned(n);
    } else if (key == "mqtt-user")
        b.user = v;
    else if (key == "mqtt-password-file")
        b.passwordFile = v;
    else if (key == "mqtt-ca-file")
        b.caFile = v;
    else if (key == "mqtt-cert")
        b.certFile = v;
    else if (key == "mqtt-key")
        b.keyFile = v;
    else if (key == "mqtt-client-id")
        b.clientId = v;
    else if (key == "site")
        c.site = v;
    else if (key == "sign")
        c.sign = v;
    else if (key == "group")
        c.group = v;
    else if (key == "topic-prefix")
        c.topicPrefix = v;
    else if (key == "ha-prefix")
        c.haPrefix = v;
    else
        handled = false;
    return true;
}

bool FinishMqttConfig(MqttConfig& c, std::string& error)
{
    if (c.site.empty())
        c.site = "default";
    if (c.sign.empty()) {
        char host[256] = {};
        c.sign = ::gethostname(host, sizeof host - 1) == 0 && *host ? host : "sign";
    }
    if (c.broker.clientId.empty())
        c.broker.clientId = "lumivo-" + c.site + "-" + c.sign;
    const std::pair<const char*, const std::string*> levels[] = {
        {"site", &c.site}, {"sign", &c.sign}, {"topic-prefix", &c.topicPrefix}, {"ha-prefix", &c.haPrefix}};
    for (const auto& [name, value] : levels)
        if (!IsTopicLevel(*value)) {
            error = std::string(name) + " must be one topic level (no /, + or #, at most 64 bytes), not \"" + *value +
                    "\"";
            return false;
        }
    if (c.site == "group") {
        error = "site \"group\" is taken by the groups' topics";
        return false;
    }
    if (!c.group.empty() && !IsTopicLevel(c.group)) {
        error = "group must be one topic level (no /, + or #, at most 64 bytes), not \"" + c.group + "\"";
        return false;
    }
    if (c.broker.certFile.empty() != c.broker.keyFile.empty()) {
        error = "mqtt-cert and mqtt-key go together";
        return false;
    }
    return true;
}

const std::vector<ConfigKey>& MqttConfigKeys()
{
    static const std::vector<ConfigKey> keys = {
        {"mqtt-host", "HOST", "the MQTT broker; none: no MQTT"},
        {"mqtt-port", "N", "the broker's port (default 1883, 8883 with mqtt-ca-file)"},
        {"mqtt-user", "NAME", "the user name at the broker"},
        {"mqtt-password-file", "FILE", "the file whose first line is the broker password"},
        {"mqtt-ca-file", "FILE", "CA certificates (PEM): the broker is reached over TLS"},
        {"mqtt-cert", "FILE", "the client certificate (PEM) for TLS, with mqtt-key"},
        {"mqtt-key", "FILE", "the client certificate's private key (PEM)"},
        {"mqtt-client-id", "ID", "the MQTT client id (default lumivo-SITE-SIGN)"},
        {"site", "NAME", "the site (shop) of this sign in the topics (default default)"},
        {"sign", "NAME", "this sign's name in the topics (default the host name)"},
        {"group", "NAME", "the group whose desired state this sign follows (default none)"},
        {"topic-prefix", "T", "the first level of every topic (default lumivo)"},
        {"ha-prefix", "P", "Home Assistant's discovery prefix (default homeassistant)"},
    };
    return keys;
}

} // namespace agent
