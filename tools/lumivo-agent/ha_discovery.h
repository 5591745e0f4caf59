// SPDX-License-Identifier: GPL-2.0-or-later
// The sign as one Home Assistant device: a single retained device
// discovery message naming its entities, all on the sign's own topics.
#pragma once

#include "mqtt_config.h"

#include <string>
#include <vector>

namespace agent {

// The device's id: lumivo_<site>_<sign> with anything outside
// [A-Za-z0-9_-] made "_".
std::string DiscoveryId(const MqttConfig& c);
// <ha-prefix>/device/<id>/config
std::string DiscoveryTopic(const MqttConfig& c);
// entries: the schedule's entry names, the select's options before "Schedule".
std::string DiscoveryPayload(const MqttConfig& c, const std::string& version, const std::vector<std::string>& entries);
// The select's option that hands the choice back to the schedule; it keeps
// that meaning whatever the entries are called.
inline constexpr const char* kScheduleOption = "Schedule";
// The select's option for an entry: its name, except for an entry named
// like kScheduleOption, which is offered as "Schedule (entry)" (numbered
// when an entry has that name too).
std::string EntryOption(const std::string& entry, const std::vector<std::string>& entries);
// The entry a chosen option stands for; empty for kScheduleOption. An
// option that names no entry comes back as it is, for the caller to refuse.
std::string OptionEntry(const std::string& option, const std::vector<std::string>& entries);

} // namespace agent
