// SPDX-License-Identifier: GPL-2.0-or-later
// The desired state as head office publishes it on the broker, for a group
// of signs and for one sign:
//   {"revision": N, "project": BASE64 .qvndoc, "schedule": {...} | "BEGIN:VCALENDAR...",
//    "settings": {"name": value, ...}}
// every key optional. The sign's message overrides its group's key by key;
// settings merge name by name. A message is checked whole before any of it
// is used, so a damaged one changes nothing.
#pragma once

#include "agent.h"

#include "core/result.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace agent {

struct DesiredDoc {
    bool present = false; // false: no message (or an empty retained one)
    std::optional<uint64_t> revision;
    std::optional<std::vector<uint8_t>> project;
    std::optional<std::string> schedule, scheduleType;
    std::map<std::string, std::string> settings;
};

// Reads and checks a message; an empty payload is no document. Fails with
// the reason (naming the key) and leaves out untouched.
lumivo::Result ParseDesiredDoc(const std::string& payload, DesiredDoc& out);
// The sign's keys over the group's.
DesiredDoc MergeDesired(const DesiredDoc& group, const DesiredDoc& sign);
// Stores what differs from the agent's desired state and wakes the loop;
// changed tells whether anything was stored.
lumivo::Result ApplyDesired(CAgent& agent, const DesiredDoc& merged, bool& changed);

} // namespace agent
