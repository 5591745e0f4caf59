// SPDX-License-Identifier: GPL-2.0-or-later
// Ad blobs from the controller: loading never reads past the bytes, a
// refused blob changes nothing, and an accepted one packs again.
#include "core/project.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static lumivo::CProjectCore project([](int) { return std::nullopt; });
    const std::vector<uint8_t> before = project.Serialize();
    const lumivo::Result r = project.LoadAdBlob(data, size);
    if (!r) {
        if (project.Serialize() != before)
            std::abort();
        return 0;
    }
    if (project.ItemCount() > lumivo::kMaxItems)
        std::abort();
    std::vector<uint8_t> blob;
    if (!project.PackAdBlob(blob) || !project.LoadAdBlob(blob.data(), blob.size()))
        std::abort();
    return 0;
}
