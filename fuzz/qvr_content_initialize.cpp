// SPDX-License-Identifier: GPL-2.0-or-later
// Opens arbitrary bytes as a content container: it must fail or succeed
// without reading past the input. Inputs whose first byte is odd are instead
// read as patches to a sound 16-dot library, to reach the section loaders,
// unless they carry the container tag (real containers start with any byte).
#include "../libqvr/tests/container_writer.h"

#include <qvr/content.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const std::vector<uint8_t>& SoundLibrary()
{
    static const std::vector<uint8_t> lib = [] {
        qvrtest::LibraryShape s;
        s.row = 1;
        s.language = 14;
        return qvrtest::MakeLibrary(s).Build();
    }();
    return lib;
}

// Byte 1: how much of the library to keep (255 = all); then patches of a
// 24-bit position and a byte value.
std::vector<uint8_t> Patched(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> c = SoundLibrary();
    if (size >= 2 && data[1] != 255)
        c.resize(c.size() * data[1] / 255);
    for (size_t at = 2; at + 4 <= size && !c.empty(); at += 4) {
        const size_t pos = (data[at] | (data[at + 1] << 8) | (size_t(data[at + 2]) << 16)) % c.size();
        c[pos] = data[at + 3];
    }
    return c;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CContent* content = new CContent; // tens of megabytes: made once
    int ok;
    const bool tagged = size >= 8 && std::memcmp(data + 4, "LZO ", 4) == 0;
    if (size > 0 && (data[0] & 1) && !tagged) {
        const std::vector<uint8_t> c = Patched(data, size);
        ok = content->Initialize(c.data(), c.size());
    } else {
        ok = content->Initialize(data, size);
    }
    if (ok != 0 && ok != 1)
        std::abort();
    // Whatever loaded must be reachable through the getters.
    const unsigned images = content->GetContentCount(CONTENT_IMAGE);
    for (unsigned i = 0; i < images && i < 4; ++i) {
        BITMAP bm;
        content->GetContentInfo(LUMIVO_IMAGE, static_cast<int>(i), &bm);
    }
    if (content->GetContentCount(CONTENT_EFFECT) > 0 && content->GetEffectInfo(0) == nullptr)
        std::abort();
    return 0;
}
