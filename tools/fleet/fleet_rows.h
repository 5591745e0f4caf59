// SPDX-License-Identifier: GPL-2.0-or-later
// One row of the fleet's table per sign, read from its retained messages:
// what `lumivo-cli fleet status` prints and the window's Fleet view shows.
#pragma once

#include "fleet_client.h"

#include <ctime>
#include <string>

namespace fleet {

struct Row {
    std::string sign;          // SITE/SIGN
    bool online = false;
    bool reported = false;     // a state is retained
    bool boardAnswering = false;
    json group;                // the group it reported, null when none
    json desired;              // the revisions in force: {"group": N, "sign": N}, null when none
    json applied;              // the hash the board holds, null when none
    bool verified = false;     // read back equal to the latest desired state
    double age = -1;           // seconds since the state was published, -1 when unknown
    bool drift = false;        // the board was found changed behind the agent's back
    json refused;              // the last refusal or error, null when none
};

// Verified: the loop acted on the latest desired state and read it back.
bool IsVerified(const json& state);
// How far a sign got with revision rev of its group's or its own
// ("group", "sign") desired state: 0 not yet, 1 applied, 2 verified.
int Progress(const json& state, const char* source, uint64_t rev);
Row RowOf(const std::string& name, const Sign& s, std::time_t now);
json RowJson(const Row& r);

} // namespace fleet
