// SPDX-License-Identifier: GPL-2.0-or-later
// Project files from outside: loading never reads past the bytes, and
// whatever loads saves and loads again to the same bytes.
#include "core/project.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // One project for the whole run: its library is tens of megabytes. No
    // containers: a project loads its Ads without one.
    static lumivo::CProjectCore project([](int) { return std::nullopt; });
    const std::vector<uint8_t> before = project.Serialize();
    const lumivo::Result r = project.LoadBytes(data, size);
    if (!r) {
        if (project.Serialize() != before)
            std::abort(); // a refused file changed the project
        return 0;
    }
    if (project.ItemCount() > lumivo::kMaxItems || project.PageCount() > lumivo::kMaxPages)
        std::abort();
    const std::vector<uint8_t> saved = project.Serialize();
    if (!project.LoadBytes(saved.data(), saved.size()) || project.Serialize() != saved)
        std::abort();
    std::vector<uint8_t> blob;
    if (!project.PackAdBlob(blob))
        std::abort();
    return 0;
}
