// SPDX-License-Identifier: GPL-2.0-or-later
// The agent on a broker, beside the HTTP API over the same CAgent: it
// takes the desired state, notifications and commands from its topics and
// publishes its status, board, state, preview and events. The broker being
// away never stops the sign: the loop keeps its last desired state and
// schedule from the state folder, and everything is published again on
// reconnect. Topics under <prefix>/<site>/<sign>/ are listed in the manual.
#pragma once

#include "agent.h"
#include "mqtt_client.h"
#include "mqtt_config.h"
#include "mqtt_desired.h"

#include <nlohmann/json.hpp>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace agent {

class CMqttBridge {
public:
    CMqttBridge(CAgent& agent, MqttConfig config, std::string version);
    ~CMqttBridge();
    // False with the reason for a bad option; a broker that is down is not one.
    bool Start(std::string& error);
    // Leaves "offline" as the status (the will, sent on a clean stop too).
    void Stop();

private:
    void Run();
    void Handle(const MqttMessage& m);
    void TakeDesired(bool group, const std::string& payload);
    void ApplyMerged(const DesiredDoc& groupBefore, const DesiredDoc& signBefore);
    void Refuse(const std::string& source, const std::string& reason);
    void TakeNotify(const MqttMessage& m);
    void TakeCommand(const std::string& verb, const MqttMessage& m);
    void TakeSetting(const std::string& name, const std::string& value);
    // Home Assistant's select: an entry's Ads until set back to "Schedule".
    void TakeChoice(const std::string& payload);
    std::vector<std::string> EntryNames(const DesiredState& d);
    void PublishDiscovery();
    void PublishAll(bool force);
    void PublishPreview(const AgentStatus& s, bool force);
    void Event(const std::string& name, nlohmann::json detail);
    void Retire();
    std::string StatePayload(const AgentStatus& s, const DesiredState& d) const;

    CAgent& m_agent;
    MqttConfig m_config;
    std::string m_version;
    std::string m_base;
    std::unique_ptr<CMqttClient> m_client;

    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<MqttMessage> m_inbox;
    size_t m_inboxBytes = 0;
    unsigned m_dropped = 0;
    bool m_fresh = false; // connected since the last publish of everything
    bool m_stop = false;
    std::thread m_thread;

    // Worker thread only.
    DesiredDoc m_group, m_sign;
    std::string m_lastRefusal;
    std::vector<std::string> m_entries, m_discovered; // the schedule's entry names; those Home Assistant has
    std::string m_entriesOf;                          // the schedule body m_entries come from
    std::string m_board, m_state;
    Ms m_stateAt = 0, m_previewAt = 0;
    std::string m_previewHash;
    AgentStatus m_seen;
    bool m_seenAny = false;
    bool m_desiredDirty = false;
    std::atomic<bool> m_retired{false};
};

} // namespace agent
