// SPDX-License-Identifier: GPL-2.0-or-later
// A publish to the signs: the project as the retained desired state of a
// group (optionally a staged roll-out: N canaries first, as their own
// desired state, then the group once they verified it) or of a list of
// signs, followed until each sign reports it applied and verified.
// Blocking: run it off the GUI thread.
#pragma once

#include "fleet_client.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lumivo {
class CProjectCore;
}

namespace fleet {

// The largest schedule the agent takes in a desired state.
constexpr size_t kMaxScheduleBytes = 1u << 20;

// The project's schedule as a publish carries it. An empty one is sent too:
// it hands the signs back to the Uses boxes, as the window plays them,
// instead of leaving an older schedule naming the new project's Ads.
nlohmann::json ProjectSchedule(const lumivo::CProjectCore& project);

struct PublishRequest {
    std::vector<uint8_t> project;   // the .qvndoc file's bytes, checked by the caller
    // The schedule that goes with it, as the agent reads it from `desired`
    // (the companion's JSON object or iCalendar text); null leaves the one
    // on the broker as it is.
    nlohmann::json schedule;
    std::string group;              // either a group
    std::vector<std::string> signs; // or SITE/SIGN names
    size_t canary = 0;              // with a group: this many signs first
    uint64_t revision = 0;          // 0: the time in seconds, so that later publishes win
    int waitSeconds = 120;          // per stage
};

// What happened to one sign (or, with an empty sign, to the publish).
struct PublishEvent {
    enum Kind {
        kWaiting,     // sign: it is followed from now on
        kCanary,      // detail: how many canaries got it as their own
        kPublished,   // detail: the group or "signs"; the desired state is on the broker
        kApplied,     // sign: detail is the hash the board holds
        kVerified,    // sign: read back equal
        kRefused,     // sign: detail is its reason
        kNotVerified, // sign: not verified within the time
    } kind;
    std::string sign;
    std::string detail;
};

struct PublishResult {
    enum Kind {
        kAllVerified,   // also when the group had no members yet
        kNotAllVerified,
        kCanaryFailed,  // the canaries' own desired states were put back; the group was not touched
        kCancelled,
        kPublishFailed, // the broker did not take a message
    } kind = kAllVerified;
    uint64_t revision = 0;
    size_t signs = 0;   // how many were followed
    std::string detail;
};

// Checks the request's names: "" when fine, else what is wrong.
std::string CheckPublish(const PublishRequest& r);
// events come on the calling thread; stop is asked after each change and
// ends the follow (a cancel during the canary stage puts the canaries'
// own desired states back, as a failure does).
PublishResult Publish(CFleetClient& fleet, const PublishRequest& request,
                      const std::function<void(const PublishEvent&)>& events, const std::function<bool()>& stop = {});

} // namespace fleet
