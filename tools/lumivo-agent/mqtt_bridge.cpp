// SPDX-License-Identifier: GPL-2.0-or-later
#include "mqtt_bridge.h"

#include "calendar_schedule.h"
#include "ha_discovery.h"
#include "hash.h"
#include "http_api.h"
#include "notification.h"

#include <algorithm>

namespace agent {

namespace {

using nlohmann::json;

// The worker looks at the agent this often; the state goes out at most
// once a second and the preview at most once a second, both only when changed.
constexpr Ms kTickMs = 200;
constexpr Ms kStateEveryMs = 1000;
constexpr Ms kPreviewEveryMs = 1000;
constexpr int kPreviewZoom = 4;
constexpr Ms kBurstMs = 50;
constexpr size_t kMaxInbox = 256;
constexpr size_t kMaxInboxBytes = 3 * size_t(kMaxMqttPayload);
// How long a command waits for the loop to act on it.
constexpr Ms kCommandWaitMs = 3000;
// Payload bounds of the small messages (the desired state has its own).
constexpr size_t kMaxSmallPayload = 64 * 1024;

json Nullable(const std::string& s) { return s.empty() ? json(nullptr) : json(s); }

MqttPublish Retained()
{
    MqttPublish p;
    p.retain = true;
    return p;
}

} // namespace

CMqttBridge::CMqttBridge(CAgent& agent, MqttConfig config, std::string version)
    : m_agent(agent), m_config(std::move(config)), m_version(std::move(version)), m_base(m_config.Base())
{
}

CMqttBridge::~CMqttBridge() { Stop(); }

bool CMqttBridge::Start(std::string& error)
{
    m_client = std::make_unique<CMqttClient>(m_config.broker, true);
    m_client->SetWill(m_base + "/status", "offline");
    m_client->OnConnect([this] {
        if (m_retired)
            return;
        // On the network thread: subscribe (queued, not blocking) and let
        // the worker publish everything anew.
        m_client->Publish(m_base + "/status", "online", Retained());
        m_client->Subscribe(m_base + "/desired");
        if (!m_config.group.empty())
            m_client->Subscribe(m_config.topicPrefix + "/group/" + m_config.group + "/desired");
        m_client->Subscribe(m_base + "/notify");
        m_client->Subscribe(m_base + "/cmd/+");
        m_client->Subscribe(m_base + "/set/+");
        m_client->Subscribe(m_config.haPrefix + "/status");
        LogLine("mqtt: connected to " + m_client->Describe());
        std::lock_guard lk(m_lock);
        m_fresh = true;
        m_wake.notify_all();
    });
    m_client->OnDisconnect([](const std::string& why) { LogLine("mqtt: " + why + "; trying again"); });
    m_client->OnMessage([this](const MqttMessage& m) {
        std::lock_guard lk(m_lock);
        // Bounded in count and bytes: a flood is dropped here (and said so)
        // rather than held in our memory.
        if (m_inbox.size() < kMaxInbox && m_inboxBytes + m.payload.size() <= kMaxInboxBytes) {
            m_inboxBytes += m.payload.size();
            m_inbox.push_back(m);
        } else if (!m_dropped++) {
            LogLine("mqtt: messages arrive faster than they are taken; some are dropped");
        }
        m_wake.notify_all();
    });
    if (!m_client->Start(error))
        return false;
    m_thread = std::thread([this] { Run(); });
    return true;
}

void CMqttBridge::Stop()
{
    {
        std::lock_guard lk(m_lock);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    if (m_client)
        m_client->Stop(!m_retired);
}

void CMqttBridge::Run()
{
    for (;;) {
        std::deque<MqttMessage> inbox;
        bool fresh = false;
        {
            std::unique_lock lk(m_lock);
            m_wake.wait_for(lk, std::chrono::milliseconds(kTickMs),
                            [this] { return m_stop || m_fresh || !m_inbox.empty(); });
            if (m_stop)
                return;
            if (!m_inbox.empty() && !m_stop) // let a burst of messages finish
                m_wake.wait_for(lk, std::chrono::milliseconds(kBurstMs), [this] { return m_stop; });
            inbox.swap(m_inbox);
            m_inboxBytes = 0;
            m_dropped = 0;
            fresh = m_fresh;
            m_fresh = false;
        }
        if (m_retired)
            continue;
        if (fresh) {
            PublishDiscovery();
            m_board.clear();
            m_state.clear();
            m_previewHash.clear();
        }
        if (!inbox.empty()) {
            const DesiredDoc groupBefore = m_group, signBefore = m_sign;
            m_desiredDirty = false;
            for (const MqttMessage& m : inbox)
                Handle(m);
            // Once per burst: the group's and the sign's retained messages
            // arrive together, and the board should not show the group's first.
            if (m_desiredDirty)
                ApplyMerged(groupBefore, signBefore);
        }
        if (m_client->Connected() && !m_retired)
            PublishAll(fresh);
    }
}

void CMqttBridge::Handle(const MqttMessage& m)
{
    const std::string& t = m.topic;
    if (t == m_base + "/desired")
        return TakeDesired(false, m.payload);
    if (!m_config.group.empty() && t == m_config.topicPrefix + "/group/" + m_config.group + "/desired")
        return TakeDesired(true, m.payload);
    if (t == m_config.haPrefix + "/status") {
        // Home Assistant started again: it needs the device anew.
        if (m.payload == "online")
            PublishDiscovery();
        return;
    }
    if (m.payload.size() > kMaxSmallPayload) {
        Event("refused", {{"topic", t}, {"reason", "the message is over " + std::to_string(kMaxSmallPayload) + " bytes"}});
        return;
    }
    if (t == m_base + "/notify")
        return TakeNotify(m);
    if (t.rfind(m_base + "/cmd/", 0) == 0)
        return TakeCommand(t.substr(m_base.size() + 5), m);
    if (t == m_base + "/set/ads")
        return TakeChoice(m.payload);
    if (t.rfind(m_base + "/set/", 0) == 0)
        return TakeSetting(t.substr(m_base.size() + 5), m.payload);
}

void CMqttBridge::TakeDesired(bool group, const std::string& payload)
{
    DesiredDoc doc;
    if (const lumivo::Result r = ParseDesiredDoc(payload, doc); !r)
        return Refuse(group ? "group" : "sign", r.FirstError()); // its last good message stays in force
    (group ? m_group : m_sign) = std::move(doc);
    m_desiredDirty = true;
}

void CMqttBridge::ApplyMerged(const DesiredDoc& groupBefore, const DesiredDoc& signBefore)
{
    bool changed = false;
    if (const lumivo::Result r = ApplyDesired(m_agent, MergeDesired(m_group, m_sign), changed); !r) {
        m_group = groupBefore;
        m_sign = signBefore;
        return Refuse("desired", r.FirstError());
    }
    m_lastRefusal.clear();
    if (changed)
        LogLine("mqtt: desired state stored (group revision " +
                (m_group.revision ? std::to_string(*m_group.revision) : "-") + ", sign revision " +
                (m_sign.revision ? std::to_string(*m_sign.revision) : "-") + ")");
    m_state.clear(); // the desired revisions are part of the state
}

void CMqttBridge::Refuse(const std::string& source, const std::string& reason)
{
    m_lastRefusal = source + ": " + reason;
    LogLine("mqtt: the " + source + "'s desired state is refused: " + reason);
    Event("refused", {{"source", source}, {"reason", reason}});
    m_state.clear();
}

void CMqttBridge::TakeNotify(const MqttMessage& m)
{
    Notification n;
    RequestError e;
    if (!ParseNotifyRequest(m.payload, n, e))
        return Event("refused", {{"topic", m.topic}, {"reason", e.message}});
    // What is left of the message's expiry is its time to live here.
    if (m.hasExpiry) {
        if (m.expirySeconds == 0)
            return;
        const Ms left = Ms(m.expirySeconds) * kSecond;
        n.ttlMs = n.ttlMs ? std::min(n.ttlMs, left) : left;
    }
    if (const lumivo::Result r = m_agent.Loop().CheckNotification(n); !r)
        return Event("refused", {{"topic", m.topic}, {"reason", r.FirstError()}});
    uint64_t id = 0;
    const lumivo::Result w = m_agent.Store().Change([&](DesiredState& d) {
        n.id = id = d.nextNotificationId++;
        n.createdAt = WallNow();
        d.notifications.push_back(n);
        return lumivo::Result();
    });
    if (!w)
        return Event("refused", {{"topic", m.topic}, {"reason", w.FirstError()}});
    LogLine("mqtt: notification " + std::to_string(id) + " queued (priority " + std::to_string(n.priority) + ")");
    m_agent.Wake();
}

void CMqttBridge::TakeCommand(const std::string& verb, const MqttMessage& m)
{
    json answer;
    if (verb == "retire") {
        Retire();
        answer = {{"retired", true}};
    } else if (verb == "send" || verb == "verify" || verb == "clock" || verb == "fetch") {
        CReconciler& loop = m_agent.Loop();
        const uint64_t passes = loop.Status().passes;
        if (verb == "send")
            loop.RequestSend();
        else if (verb == "clock")
            loop.RequestClock();
        else
            loop.RequestVerify(); // fetch reads the Ads back too
        m_agent.Wake();
        const Ms until = WallNow() + kCommandWaitMs;
        AgentStatus s = loop.Status();
        while (s.passes <= passes && WallNow() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            s = loop.Status();
        }
        answer = {{"link", s.link},
                  {"hash", Nullable(s.applied)},
                  {"verified", Nullable(s.verified)},
                  {"drift", s.drift},
                  {"lastError", Nullable(s.lastError)}};
        // The Ads the board was read back to hold.
        if (verb == "fetch") {
            if (!s.verified.empty() && s.verified == s.applied)
                answer["blob"] = Base64Encode(s.appliedBlob);
            else
                answer["error"] = "the board's Ads could not be read back equal to what was sent";
        }
        LogLine("mqtt: " + verb + " requested");
    } else {
        answer = {{"error", "unknown command \"" + verb + "\" (send, verify, clock, fetch, retire)"}};
    }
    // A response topic is a topic name: wildcards would be refused by the broker anyway.
    if (!m.responseTopic.empty() && m.responseTopic.size() <= 256 &&
        m.responseTopic.find_first_of("+#") == std::string::npos) {
        MqttPublish p;
        p.correlation = m.correlation;
        m_client->Publish(m.responseTopic, answer.dump(), p);
    }
}

void CMqttBridge::TakeSetting(const std::string& name, const std::string& value)
{
    if (const std::string why = CheckSetting(name, value); !why.empty())
        return Event("refused", {{"setting", name}, {"reason", why}});
    const lumivo::Result w = m_agent.Store().Change([&](DesiredState& d) {
        d.settings[name] = value;
        d.settingsRevision = d.revision + 1;
        return lumivo::Result();
    });
    if (!w)
        return Event("refused", {{"setting", name}, {"reason", w.FirstError()}});
    m_agent.Wake();
}

void CMqttBridge::TakeChoice(const std::string& payload)
{
    const DesiredState d = m_agent.Store().Snapshot();
    const std::vector<std::string> names = EntryNames(d);
    const std::string entry = OptionEntry(payload, names);
    if (!entry.empty()) {
        if (std::find(names.begin(), names.end(), entry) == names.end())
            return Event("refused", {{"topic", m_base + "/set/ads"},
                                     {"reason", "the schedule has no entry \"" + entry + "\""}});
    }
    if (entry == d.chosenEntry)
        return;
    const lumivo::Result w = m_agent.Store().Change([&](DesiredState& s) {
        s.chosenEntry = entry;
        return lumivo::Result();
    });
    if (!w)
        return Event("refused", {{"topic", m_base + "/set/ads"}, {"reason", w.FirstError()}});
    LogLine(entry.empty() ? "mqtt: the schedule decides the Ads again" : "mqtt: the Ads of \"" + entry + "\" chosen");
    m_agent.Wake();
}

std::vector<std::string> CMqttBridge::EntryNames(const DesiredState& d)
{
    // Parsed again only when the stored schedule changed.
    if (d.schedule != m_entriesOf) {
        CCalendarSchedule schedule;
        m_entries = schedule.Load(d.schedule, d.scheduleType) ? schedule.EntryNames() : std::vector<std::string>();
        m_entriesOf = d.schedule;
    }
    return m_entries;
}

void CMqttBridge::PublishDiscovery()
{
    m_discovered = EntryNames(m_agent.Store().Snapshot());
    m_client->Publish(DiscoveryTopic(m_config), DiscoveryPayload(m_config, m_version, m_discovered), Retained());
}

void CMqttBridge::Event(const std::string& name, json detail)
{
    detail["event"] = name;
    detail["at"] = IsoTime(WallNow());
    m_client->Publish(m_base + "/event", detail.dump());
}

std::string CMqttBridge::StatePayload(const AgentStatus& s, const DesiredState& d) const
{
    json j = json::parse(StateJson(s, d));
    auto rev = [](const DesiredDoc& doc) { return doc.revision ? json(*doc.revision) : json(nullptr); };
    j["site"] = m_config.site;
    j["sign"] = m_config.sign;
    j["group"] = Nullable(m_config.group);
    j["desired"] = {{"group", rev(m_group)}, {"sign", rev(m_sign)}};
    // The loop has looked at the latest desired state: applied and verified
    // then speak of it.
    j["settled"] = s.revisionSeen >= d.revision;
    j["settings"] = d.settings;
    j["refused"] = Nullable(m_lastRefusal);
    j["chosenEntry"] = Nullable(d.chosenEntry);
    return j.dump();
}

void CMqttBridge::PublishAll(bool force)
{
    const AgentStatus s = m_agent.Loop().Status();
    const DesiredState d = m_agent.Store().Snapshot();
    const Ms now = WallNow();
    // The select's options follow the schedule's entries.
    if (EntryNames(d) != m_discovered)
        PublishDiscovery();

    json board = {{"answering", s.link == "ok"}, {"link", s.link}, {"device", s.device}};
    if (s.boardKnown) {
        board["moduleRows"] = s.board.board.moduleRow;
        board["moduleColumns"] = s.board.board.moduleColumn;
        board["language"] = std::string(1, char(s.board.board.language));
    }
    if (const std::string b = board.dump(); b != m_board && m_client->Publish(m_base + "/board", b, Retained()))
        m_board = b;

    if (force || now - m_stateAt >= kStateEveryMs) {
        std::string st = StatePayload(s, d);
        if (st != m_state) {
            json withTime = json::parse(st);
            withTime["publishedAt"] = IsoTime(now);
            if (m_client->Publish(m_base + "/state", withTime.dump(), Retained())) {
                m_state = std::move(st);
                m_stateAt = now;
            }
        }
    }

    // Events from what changed since the last look.
    if (m_seenAny) {
        if (!s.applied.empty() && s.applied != m_seen.applied)
            Event("applied", {{"hash", s.applied}, {"pages", s.pages}});
        if (!s.verified.empty() && s.verified != m_seen.verified)
            Event("verified", {{"hash", s.verified}});
        if (s.driftCount > m_seen.driftCount)
            Event("drift", {{"what", s.driftWhat}});
        if (m_seen.link == "ok" && s.link != "ok")
            Event("board lost", {{"reason", s.lastError}});
        if (s.why != m_seen.why || s.pages != m_seen.pages)
            Event("schedule switch", {{"why", s.why}, {"pages", s.pages}});
    }
    m_seen = s;
    m_seen.appliedBlob.clear();
    m_seenAny = true;

    PublishPreview(s, force);
}

void CMqttBridge::PublishPreview(const AgentStatus& s, bool force)
{
    const Ms now = WallNow();
    if (!s.boardKnown || s.appliedBlob.empty() || (!force && now - m_previewAt < kPreviewEveryMs))
        return;
    m_previewAt = now;
    std::vector<uint8_t> png;
    std::string error;
    if (!m_agent.Preview().Frame(s.appliedBlob, s.board, s.appliedAt, now, kPreviewZoom, png, error))
        return;
    const std::string hash = ContentHash(png);
    if (hash != m_previewHash &&
        m_client->Publish(m_base + "/preview", std::string(png.begin(), png.end()), Retained()))
        m_previewHash = hash;
}

void CMqttBridge::Retire()
{
    // Gone from Home Assistant and from the fleet's retained view (an
    // empty retained message deletes one); the board keeps what it has.
    m_client->Publish(DiscoveryTopic(m_config), "", Retained());
    for (const char* t : {"/board", "/state", "/preview", "/desired"})
        m_client->Publish(m_base + t, "", Retained());
    m_client->Publish(m_base + "/status", "", Retained());
    Event("retired", json::object());
    m_retired = true;
    LogLine("mqtt: retired; the board keeps its Ads, nothing more is published until the agent starts again");
}

} // namespace agent
