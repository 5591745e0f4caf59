// SPDX-License-Identifier: GPL-2.0-or-later
// Time as the agent reasons about it: milliseconds since 1970 (UTC). The
// reconcile loop takes "now" as a parameter, so tests run it on a clock of
// their own.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace agent {

using Ms = int64_t;
constexpr Ms kNever = INT64_MAX;
constexpr Ms kSecond = 1000;

inline Ms WallNow()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// "2026-12-09T19:22:05.123Z"; "" for 0.
std::string IsoTime(Ms t);
// Reads IsoTime's form (fraction and "Z" optional) or whole seconds since
// 1970; false for anything else.
bool ParseIsoTime(const std::string& text, Ms& out);

} // namespace agent
