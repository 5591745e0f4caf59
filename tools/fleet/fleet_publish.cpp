// SPDX-License-Identifier: GPL-2.0-or-later
#include "fleet_publish.h"

#include "fleet_rows.h"
#include "hash.h"
#include "core/project.h"

#include <algorithm>
#include <ctime>
#include <map>

namespace fleet {

nlohmann::json ProjectSchedule(const lumivo::CProjectCore& project)
{
    lumivo::CCompanion companion;
    companion.SetSchedule(project.GetSchedule());
    return nlohmann::json::parse(companion.Text());
}

std::string CheckPublish(const PublishRequest& r)
{
    if (r.group.empty() == r.signs.empty())
        return "give a group or signs";
    if (!r.group.empty() && !agent::IsTopicLevel(r.group))
        return "the group must be one topic level";
    for (const std::string& s : r.signs)
        if (!IsSignName(s))
            return "\"" + s + "\" is not SITE/SIGN";
    if (r.canary && r.group.empty())
        return "a canary goes with a group";
    if (r.project.empty())
        return "the project is empty";
    if (!r.schedule.is_null()) {
        const bool calendar = r.schedule.is_string() &&
                              r.schedule.get_ref<const std::string&>().rfind("BEGIN:VCALENDAR", 0) == 0;
        if (!r.schedule.is_object() && !calendar)
            return "the schedule must be the companion's JSON object or an iCalendar text";
        // The agent refuses the whole message over this; better said here.
        if ((calendar ? r.schedule.get_ref<const std::string&>().size() : r.schedule.dump().size()) > kMaxScheduleBytes)
            return "the schedule is over " + std::to_string(kMaxScheduleBytes) + " bytes";
    }
    return {};
}

namespace {

class CRollout {
public:
    CRollout(CFleetClient& fleet, const PublishRequest& r, const std::function<void(const PublishEvent&)>& events,
             const std::function<bool()>& stop)
        : m_fleet(fleet), m_request(r), m_events(events), m_stop(stop),
          m_rev(r.revision ? r.revision : uint64_t(std::time(nullptr))), m_blob(agent::Base64Encode(r.project))
    {
    }

    PublishResult Run()
    {
        PublishResult res;
        res.revision = m_rev;
        const Signs known = m_fleet.SignsNow();
        if (m_request.group.empty()) {
            for (const std::string& n : m_request.signs) {
                auto it = known.find(n);
                if (!Put(m_fleet.Topic(n, "desired"), With(it == known.end() ? json() : it->second.desired)))
                    return Failed(res);
            }
            Say({PublishEvent::kPublished, "", "signs"});
            return Finish(res, m_request.signs, "sign");
        }
        std::vector<std::string> members;
        std::map<std::string, json> before;
        for (const auto& [name, s] : known)
            if (s.state.is_object() && s.state.value("group", json()) == m_request.group) {
                members.push_back(name);
                before[name] = s.desired;
            }
        const std::vector<std::string> first(members.begin(),
                                             members.begin() + std::min(m_request.canary, members.size()));
        // The canaries get it as their own key first; the rest only once
        // they all verified it. Their own messages are then put back.
        auto restore = [&] {
            for (const std::string& n : first)
                m_fleet.Retain(m_fleet.Topic(n, "desired"), before[n].is_object() ? before[n].dump() : "");
        };
        if (!first.empty()) {
            for (const std::string& n : first)
                if (!Put(m_fleet.Topic(n, "desired"), With(before[n])))
                    return restore(), Failed(res);
            Say({PublishEvent::kCanary, "", std::to_string(first.size())});
            PublishResult c = Finish(res, first, "sign");
            if (c.kind != PublishResult::kAllVerified) {
                restore();
                if (c.kind == PublishResult::kNotAllVerified)
                    c.kind = PublishResult::kCanaryFailed;
                return c;
            }
        }
        if (!Put(m_fleet.GroupTopic(m_request.group), With(m_fleet.GroupDesired(m_request.group))))
            return restore(), Failed(res);
        Say({PublishEvent::kPublished, "", m_request.group});
        PublishResult all = Finish(res, members, "group");
        restore();
        return all;
    }

private:
    std::string With(json doc) const
    {
        if (!doc.is_object())
            doc = json::object();
        doc["project"] = m_blob;
        if (!m_request.schedule.is_null())
            doc["schedule"] = m_request.schedule;
        doc["revision"] = m_rev;
        return doc.dump();
    }
    bool Put(const std::string& topic, const std::string& payload)
    {
        if (m_fleet.Retain(topic, payload))
            return true;
        m_failedTopic = topic;
        return false;
    }
    PublishResult Failed(PublishResult res) const
    {
        res.kind = PublishResult::kPublishFailed;
        res.detail = m_failedTopic;
        return res;
    }
    void Say(const PublishEvent& e) const
    {
        if (m_events)
            m_events(e);
    }
    // Follows the signs until each reports the revision of source verified.
    PublishResult Finish(PublishResult res, const std::vector<std::string>& signs, const char* source)
    {
        res.signs = signs.size();
        for (const std::string& n : signs)
            if (!m_shown.count(n))
                Say({PublishEvent::kWaiting, n, ""}), m_shown[n] = 0;
        for (const std::string& n : signs)
            m_shown[n] = 0, m_refused.erase(n);
        auto each = [&](const std::string& name, const Sign& s) {
            if (std::find(signs.begin(), signs.end(), name) == signs.end())
                return;
            const int now = Progress(s.state, source, m_rev);
            for (int step = m_shown[name] + 1; step <= now; ++step)
                Say(step == 1 ? PublishEvent{PublishEvent::kApplied, name, s.state.value("applied", "")}
                              : PublishEvent{PublishEvent::kVerified, name, ""});
            m_shown[name] = std::max(m_shown[name], now);
            const json why = s.state.is_object() ? s.state.value("refused", json()) : json();
            if (why.is_string() && m_shown[name] < 2 && m_refused[name] != why.get<std::string>()) {
                m_refused[name] = why.get<std::string>();
                Say({PublishEvent::kRefused, name, m_refused[name]});
            }
        };
        auto done = [&](const Signs& now) {
            return std::all_of(signs.begin(), signs.end(), [&](const std::string& n) {
                auto it = now.find(n);
                return it != now.end() && Progress(it->second.state, source, m_rev) == 2;
            });
        };
        const bool all = m_fleet.WaitFor(done, each, m_request.waitSeconds, m_stop);
        if (all)
            return res;
        if (m_stop && m_stop()) {
            res.kind = PublishResult::kCancelled;
            return res;
        }
        res.kind = PublishResult::kNotAllVerified;
        for (const std::string& n : signs)
            if (m_shown[n] < 2)
                Say({PublishEvent::kNotVerified, n, std::to_string(m_request.waitSeconds)});
        return res;
    }

    CFleetClient& m_fleet;
    const PublishRequest& m_request;
    const std::function<void(const PublishEvent&)>& m_events;
    const std::function<bool()>& m_stop;
    const uint64_t m_rev;
    const std::string m_blob;
    std::string m_failedTopic;
    std::map<std::string, int> m_shown; // 1 applied, 2 verified
    std::map<std::string, std::string> m_refused;
};

} // namespace

PublishResult Publish(CFleetClient& fleet, const PublishRequest& request,
                      const std::function<void(const PublishEvent&)>& events, const std::function<bool()>& stop)
{
    return CRollout(fleet, request, events, stop).Run();
}

} // namespace fleet
