// SPDX-License-Identifier: GPL-2.0-or-later
#include "desired.h"

#include "hash.h"

#include "core/atomic_file.h"

#include <nlohmann/json.hpp>

namespace agent {

namespace {

using nlohmann::json;

// The whole state: a project of at most a few hundred KB, base64.
constexpr size_t kMaxStateBytes = 16u << 20;

json Opt(const std::optional<unsigned>& v) { return v ? json(*v) : json(nullptr); }

std::optional<unsigned> OptOf(const json& j, const char* key)
{
    if (!j.contains(key) || j[key].is_null())
        return std::nullopt;
    return j[key].get<unsigned>();
}

} // namespace

std::string SerializeDesired(const DesiredState& s)
{
    json j;
    j["version"] = 1;
    j["revision"] = s.revision;
    j["project"] = Base64Encode(s.project);
    j["projectRevision"] = s.projectRevision;
    j["schedule"] = s.schedule;
    j["scheduleType"] = s.scheduleType;
    j["settings"] = s.settings;
    j["settingsRevision"] = s.settingsRevision;
    j["nextNotificationId"] = s.nextNotificationId;
    json list = json::array();
    for (const Notification& n : s.notifications) {
        list.push_back({{"id", n.id},
                        {"text", n.text},
                        {"color", Opt(n.color)},
                        {"start", Opt(n.effectS)},
                        {"wait", Opt(n.effectW)},
                        {"end", Opt(n.effectE)},
                        {"priority", n.priority},
                        {"durationMs", n.durationMs},
                        {"ttlMs", n.ttlMs},
                        {"createdAt", n.createdAt},
                        {"shownMs", n.shownMs},
                        {"shownSince", n.shownSince}});
    }
    j["notifications"] = list;
    return j.dump();
}

lumivo::Result ParseDesired(const std::string& text, DesiredState& out)
{
    try {
        const json j = json::parse(text);
        DesiredState s;
        s.revision = j.at("revision").get<uint64_t>();
        if (!Base64Decode(j.at("project").get<std::string>(), s.project))
            return lumivo::Result::Fail("the stored project is not base64");
        s.projectRevision = j.at("projectRevision").get<uint64_t>();
        s.schedule = j.at("schedule").get<std::string>();
        s.scheduleType = j.at("scheduleType").get<std::string>();
        s.settings = j.at("settings").get<std::map<std::string, std::string>>();
        s.settingsRevision = j.at("settingsRevision").get<uint64_t>();
        s.nextNotificationId = j.at("nextNotificationId").get<uint64_t>();
        for (const json& e : j.at("notifications")) {
            Notification n;
            n.id = e.at("id").get<uint64_t>();
            n.text = e.at("text").get<std::string>();
            n.color = OptOf(e, "color");
            n.effectS = OptOf(e, "start");
            n.effectW = OptOf(e, "wait");
            n.effectE = OptOf(e, "end");
            n.priority = e.at("priority").get<int>();
            n.durationMs = e.at("durationMs").get<Ms>();
            n.ttlMs = e.at("ttlMs").get<Ms>();
            n.createdAt = e.at("createdAt").get<Ms>();
            n.shownMs = e.at("shownMs").get<Ms>();
            n.shownSince = e.at("shownSince").get<Ms>();
            s.notifications.push_back(std::move(n));
        }
        out = std::move(s);
        return {};
    } catch (const json::exception& e) {
        return lumivo::Result::Fail(std::string("the stored state cannot be read: ") + e.what());
    }
}

CDesiredStore::CDesiredStore(std::filesystem::path dir) : m_file(std::move(dir) / "desired.json") {}

lumivo::Result CDesiredStore::Load()
{
    lumivo::RemoveStaleTemporaries(m_file);
    std::error_code ec;
    if (!std::filesystem::exists(m_file, ec))
        return {};
    std::vector<uint8_t> bytes;
    lumivo::Result r = lumivo::ReadFileLimited(m_file, kMaxStateBytes, bytes);
    DesiredState s;
    if (r)
        r = ParseDesired(std::string(bytes.begin(), bytes.end()), s);
    if (!r) {
        // Kept for a person to look at; the agent starts empty rather than not at all.
        const std::filesystem::path aside = m_file.string() + ".damaged";
        std::filesystem::rename(m_file, aside, ec);
        r.Error(m_file.string() + " was moved to " + aside.string());
        return r;
    }
    std::lock_guard lk(m_lock);
    m_state = std::move(s);
    return {};
}

DesiredState CDesiredStore::Snapshot() const
{
    std::lock_guard lk(m_lock);
    return m_state;
}

lumivo::Result CDesiredStore::Change(const std::function<lumivo::Result(DesiredState&)>& change)
{
    std::lock_guard lk(m_lock);
    DesiredState next = m_state;
    lumivo::Result r = change(next);
    if (!r)
        return r;
    ++next.revision;
    const std::string text = SerializeDesired(next);
    lumivo::Result w = lumivo::WriteFileAtomic(m_file, std::vector<uint8_t>(text.begin(), text.end()));
    if (!w)
        return w;
    m_state = std::move(next);
    return r;
}

} // namespace agent
