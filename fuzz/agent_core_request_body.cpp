// SPDX-License-Identifier: GPL-2.0-or-later
// Request bodies of the agent's API and its stored state: reading never
// fails but by refusing, a notification read is within its ranges, and a
// stored state read back serializes to the same state again.
#include "desired.h"
#include "notification.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string body(reinterpret_cast<const char*>(data), size);
    agent::Notification n;
    agent::RequestError e;
    if (agent::ParseNotifyRequest(body, n, e)) {
        if (n.text.empty() || n.priority < 1 || n.priority > 9 || n.durationMs < 0 || n.ttlMs < 0)
            std::abort();
    } else if (e.message.empty()) {
        std::abort();
    }
    agent::DesiredState d;
    if (agent::ParseDesired(body, d)) {
        agent::DesiredState again;
        if (!agent::ParseDesired(agent::SerializeDesired(d), again) ||
            agent::SerializeDesired(again) != agent::SerializeDesired(d))
            std::abort();
    }
    return 0;
}
