// SPDX-License-Identifier: GPL-2.0-or-later
// Notifications: the request body read into a Notification (every field
// checked, the error naming the field), and the Ad item built from it
// through the item builder and checked against the board before anything
// is stored or sent.
#pragma once

#include "desired.h"

#include "core/project.h"

#include <qvr/records.h>

#include <string>

namespace agent {

// Body limits: a notification's JSON, and the other JSON bodies.
constexpr size_t kMaxJsonBody = 64 * 1024;

struct RequestError {
    std::string field;   // "" when the body as a whole is wrong
    std::string message; // names the field
};

// Reads {"text", "color", "start", "wait", "end", "priority", "duration",
// "ttl"}; all but text optional. Effects are {"family": NAME, "index": N},
// "NAME" or "NAME N" (index from 1), or a number (the effect code).
bool ParseNotifyRequest(const std::string& body, Notification& out, RequestError& error);

// The effect code for a family name of a phase (0 start, 1 wait, 2 end)
// and an index from 1; false for a name or index the table lacks.
bool EffectCode(int phase, const std::string& family, unsigned index, unsigned& code);

// Builds the notification's item as high as the board, with the board's
// content library; fails with the reason (too long, a character the library
// cannot draw exactly) and builds nothing then. A text wider than the board
// scrolls in and out (unless the request names its start or end effect).
lumivo::Result BuildNotificationItem(const Notification& n, const lumivo::CProjectCore& board, CLumivo& out);

} // namespace agent
