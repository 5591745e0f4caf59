// SPDX-License-Identifier: GPL-2.0-or-later
// What the board should show, kept durably: the project, its schedule, the
// controller settings the user chose and the notifications. The whole state
// is one JSON file in the state folder, replaced atomically before a change
// is acknowledged, so a kill at any instant leaves the old state or the new
// one, whole. Safe to call from any thread.
#pragma once

#include "agent_time.h"

#include "core/result.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace agent {

struct Notification {
    uint64_t id = 0;
    std::string text; // UTF-8
    std::optional<unsigned> color;                   // colour row of the cells
    std::optional<unsigned> effectS, effectW, effectE; // effect codes
    int priority = 5;  // 1 (lowest) to 9
    Ms durationMs = 0; // time on the board; 0: until deleted
    Ms ttlMs = 0;      // dropped when not shown within this time; 0: never
    Ms createdAt = 0;
    Ms shownMs = 0;    // time shown so far, before shownSince
    Ms shownSince = 0; // on the board since then; 0: not on it now
    bool ever() const { return shownMs > 0 || shownSince > 0; }
};

struct DesiredState {
    uint64_t revision = 0; // goes up with every change
    std::vector<uint8_t> project; // the .qvndoc file; empty: none pushed yet
    uint64_t projectRevision = 0;
    std::string schedule;          // the stored body; empty: none
    std::string scheduleType;      // its Content-Type
    std::map<std::string, std::string> settings; // controller settings by name
    uint64_t settingsRevision = 0;
    std::vector<Notification> notifications;     // in arrival order
    uint64_t nextNotificationId = 1;
    // A schedule entry whose Ads show instead of the schedule's answer
    // until it is set back; empty: the schedule decides.
    std::string chosenEntry;
};

class CDesiredStore {
public:
    // The file is <dir>/desired.json.
    explicit CDesiredStore(std::filesystem::path dir);

    // Reads the stored state; a missing file is the empty state. A damaged
    // file fails, naming it, and is moved aside so the agent can start.
    lumivo::Result Load();
    DesiredState Snapshot() const;
    // Applies change to a copy, writes it, and only then makes it the state;
    // a change that returns a failed Result, or a failed write, changes
    // nothing.
    lumivo::Result Change(const std::function<lumivo::Result(DesiredState&)>& change);
    const std::filesystem::path& File() const { return m_file; }

private:
    std::filesystem::path m_file;
    mutable std::mutex m_lock;
    DesiredState m_state;
};

std::string SerializeDesired(const DesiredState& state);
lumivo::Result ParseDesired(const std::string& text, DesiredState& out);

} // namespace agent
