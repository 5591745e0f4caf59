// SPDX-License-Identifier: GPL-2.0-or-later
// The sign as one Home Assistant device: a single retained device
// discovery message naming its entities, all on the sign's own topics.
#pragma once

#include "mqtt_config.h"

#include <string>

namespace agent {

// The device's id: lumivo_<site>_<sign> with anything outside
// [A-Za-z0-9_-] made "_".
std::string DiscoveryId(const MqttConfig& c);
// <ha-prefix>/device/<id>/config
std::string DiscoveryTopic(const MqttConfig& c);
std::string DiscoveryPayload(const MqttConfig& c, const std::string& version);

} // namespace agent
