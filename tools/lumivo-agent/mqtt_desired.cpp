// SPDX-License-Identifier: GPL-2.0-or-later
#include "mqtt_desired.h"
#include "project_check.h"

#include "hash.h"
#include "http_api.h"

#include "core/project.h"

#include <nlohmann/json.hpp>

namespace agent {

namespace {
using nlohmann::json;
} // namespace

lumivo::Result ParseDesiredDoc(const std::string& payload, DesiredDoc& out)
{
    if (payload.empty()) {
        out = {};
        return {};
    }
    const json j = json::parse(payload, nullptr, false);
    if (j.is_discarded() || !j.is_object())
        return lumivo::Result::Fail("the desired state is not a JSON object");
    DesiredDoc d;
    d.present = true;
    if (j.contains("revision")) {
        if (!j["revision"].is_number_unsigned())
            return lumivo::Result::Fail("revision must be a whole number");
        d.revision = j["revision"].get<uint64_t>();
    }
    if (j.contains("project")) {
        std::vector<uint8_t> bytes;
        if (!j["project"].is_string() || j["project"].get_ref<const std::string&>().size() > (kMaxProjectBody / 3 + 1) * 4 ||
            !Base64Decode(j["project"].get_ref<const std::string&>(), bytes) || bytes.empty())
            return lumivo::Result::Fail("project must be a .qvndoc file of at most " +
                                        std::to_string(kMaxProjectBody) + " bytes in base64");
        lumivo::CProjectCore probe([](int) { return std::optional<std::vector<uint8_t>>(); });
        if (const lumivo::Result r = CheckProject(probe, bytes.data(), bytes.size()); !r)
            return r;
        d.project = std::move(bytes);
    }
    if (j.contains("schedule")) {
        const json& s = j["schedule"];
        if (s.is_object()) {
            d.schedule = s.dump();
            d.scheduleType = "application/json";
        } else if (s.is_string() && s.get_ref<const std::string&>().rfind("BEGIN:VCALENDAR", 0) == 0) {
            d.schedule = s.get<std::string>();
            d.scheduleType = "text/calendar";
        } else {
            return lumivo::Result::Fail("schedule must be the companion's JSON object or an iCalendar text");
        }
        if (d.schedule->size() > kMaxScheduleBody)
            return lumivo::Result::Fail("schedule is over " + std::to_string(kMaxScheduleBody) + " bytes");
    }
    if (j.contains("settings")) {
        if (!j["settings"].is_object())
            return lumivo::Result::Fail("settings must be an object of name and value");
        for (const auto& [name, value] : j["settings"].items()) {
            std::string text;
            if (!SettingText(value, text))
                return lumivo::Result::Fail("settings." + name + " must be a string, a number or true/false");
            if (const std::string why = CheckSetting(name, text); !why.empty())
                return lumivo::Result::Fail("settings: " + why);
            d.settings[name] = text;
        }
    }
    out = std::move(d);
    return {};
}

DesiredDoc MergeDesired(const DesiredDoc& group, const DesiredDoc& sign)
{
    DesiredDoc m = group;
    m.present = group.present || sign.present;
    if (sign.revision)
        m.revision = sign.revision;
    if (sign.project)
        m.project = sign.project;
    if (sign.schedule) {
        m.schedule = sign.schedule;
        m.scheduleType = sign.scheduleType;
    }
    for (const auto& [k, v] : sign.settings)
        m.settings[k] = v;
    return m;
}

lumivo::Result ApplyDesired(CAgent& agent, const DesiredDoc& m, bool& changed)
{
    changed = false;
    const DesiredState now = agent.Store().Snapshot();
    // The schedule first: the evaluator refuses what it cannot read and
    // keeps the previous one, so nothing is half applied.
    if (m.schedule && (*m.schedule != now.schedule || *m.scheduleType != now.scheduleType)) {
        if (lumivo::Result r = agent.PutSchedule(*m.schedule, *m.scheduleType); !r)
            return lumivo::Result::Fail("the schedule is refused: " + r.FirstError());
        changed = true;
    }
    const bool project = m.project && *m.project != now.project;
    std::map<std::string, std::string> settings;
    for (const auto& [k, v] : m.settings)
        if (auto it = now.settings.find(k); it == now.settings.end() || it->second != v)
            settings[k] = v;
    if (project || !settings.empty()) {
        lumivo::Result w = agent.Store().Change([&](DesiredState& d) {
            if (project) {
                d.project = *m.project;
                d.projectRevision = d.revision + 1;
            }
            if (!settings.empty()) {
                for (const auto& [k, v] : settings)
                    d.settings[k] = v;
                d.settingsRevision = d.revision + 1;
            }
            return lumivo::Result();
        });
        if (!w)
            return w;
        changed = true;
    }
    if (changed)
        agent.Wake();
    return {};
}

} // namespace agent
