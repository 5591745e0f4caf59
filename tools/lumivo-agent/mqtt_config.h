// SPDX-License-Identifier: GPL-2.0-or-later
// The agent's broker keys: the same in its configuration file and as
// options. No mqtt-host: no broker at all.
#pragma once

#include "mqtt_client.h"

#include <string>
#include <vector>

namespace agent {

struct ConfigKey;

struct MqttConfig {
    MqttOptions broker;
    std::string site;  // default "default"
    std::string sign;  // default the host name
    std::string group; // empty: no group
    std::string topicPrefix = "lumivo";
    std::string haPrefix = "homeassistant";
    bool enabled() const { return !broker.host.empty(); }
    // lumivo/<site>/<sign>
    std::string Base() const { return topicPrefix + "/" + site + "/" + sign; }
};

// Sets key when it is one of ours; handled tells whether it was.
bool SetMqttKey(MqttConfig& c, const std::string& key, const std::string& value, std::string& error, bool& handled);
// Defaults that depend on others, and the names checked as topic levels.
bool FinishMqttConfig(MqttConfig& c, std::string& error);
const std::vector<ConfigKey>& MqttConfigKeys();

} // namespace agent
