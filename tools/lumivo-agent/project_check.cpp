// SPDX-License-Identifier: GPL-2.0-or-later
#include "project_check.h"

namespace agent {

lumivo::Result CheckProject(lumivo::CProjectCore& probe, const uint8_t* bytes, size_t size)
{
    const lumivo::Result r = probe.LoadBytes(bytes, size);
    if (!r)
        return lumivo::Result::Fail("the project cannot be read: " + r.FirstError());
    // The probe has no content library, which it notes, and which is no damage.
    for (const lumivo::Message& m : r.messages())
        if (m.severity == lumivo::Severity::Warning && m.text != lumivo::kMsgNoResource)
            return lumivo::Result::Fail("the project is damaged: " + m.text);
    return lumivo::Result();
}

} // namespace agent
