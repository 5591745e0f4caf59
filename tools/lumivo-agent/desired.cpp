// SPDX-License-Identifier: GPL-2.0-or-later
#include "desired.h"

#include "hash.h"

#include "core/atomic_file.h"

#include <nlohmann/json.hpp>

#include <stdexcept>

namespace agent {

namespace {

using nlohmann::json;

// The whole state: a project of at most a few hundred KB, base64.
constexpr size_t kMaxStateBytes = 16u << 20;

json Opt(const std::optional<unsigned>& v) { return v ? json(*v) : json(nullptr); }

// A whole number within [min, max]; anything else is a damaged file (a
// float or a huge value would not convert safely).
int64_t Whole(const json& j, const char* key, int64_t min = 0, int64_t max = INT64_MAX)
{
    const json& v = j.at(key);
    if (!v.is_number_integer())
        throw std::runtime_error(std::string(key) + " is not a whole number");
    const int64_t n = v.is_number_unsigned() && v.get<uint64_t>() > uint64_t(INT64_MAX) ? -1 : v.get<int64_t>();
    if (n < min || n > max)
        throw std::runtime_error(std::string(key) + " is out of range");
    return n;
}

std::optional<unsigned> OptOf(const json& j, const char* key)
{
    if (!j.contains(key) || j[key].is_null())
        return std::nullopt;
    return unsigned(Whole(j, key, 0, 0xFFFF));
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
    j["chosenEntry"] = s.chosenEntry;
    return j.dump();
}

lumivo::Result ParseDesired(const std::string& text, DesiredState& out)
{
    try {
        const json j = json::parse(text);
        DesiredState s;
        s.revision = uint64_t(Whole(j, "revision"));
        if (!Base64Decode(j.at("project").get<std::string>(), s.project))
            return lumivo::Result::Fail("the stored project is not base64");
        s.projectRevision = uint64_t(Whole(j, "projectRevision"));
        s.schedule = j.at("schedule").get<std::string>();
        s.scheduleType = j.at("scheduleType").get<std::string>();
        s.settings = j.at("settings").get<std::map<std::string, std::string>>();
        s.settingsRevision = uint64_t(Whole(j, "settingsRevision"));
        s.nextNotificationId = uint64_t(Whole(j, "nextNotificationId"));
        for (const json& e : j.at("notifications")) {
            Notification n;
            n.id = uint64_t(Whole(e, "id"));
            n.text = e.at("text").get<std::string>();
            n.color = OptOf(e, "color");
            n.effectS = OptOf(e, "start");
            n.effectW = OptOf(e, "wait");
            n.effectE = OptOf(e, "end");
            n.priority = int(Whole(e, "priority", 1, 9));
            n.durationMs = Whole(e, "durationMs");
            n.ttlMs = Whole(e, "ttlMs");
            n.createdAt = Whole(e, "createdAt");
            n.shownMs = Whole(e, "shownMs");
            n.shownSince = Whole(e, "shownSince");
            s.notifications.push_back(std::move(n));
        }
        // Absent in files written before it existed.
        s.chosenEntry = j.value("chosenEntry", std::string());
        out = std::move(s);
        return {};
    } catch (const std::exception& e) {
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
