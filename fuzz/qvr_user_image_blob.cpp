// SPDX-License-Identifier: GPL-2.0-or-later
// Reads arbitrary bytes as a user-image blob; whatever it takes must write
// back into a blob that reads again to the same images. Inputs whose first
// byte is odd are read as patches to a sound blob of three images.
#include <qvr/content.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const std::vector<uint8_t>& SoundBlob()
{
    static const std::vector<uint8_t> blob = [] {
        static CContent c;
        for (int i = 0; i < 3; ++i) {
            CRGX<8192> img;
            img.header.type = CONTENT_IMAGE;
            img.header.width = static_cast<uint16_t>(16 * (i + 1));
            img.header.height = 16;
            img.header.frames = 1;
            for (size_t j = 0; j < 8192; j += 3 + i)
                img.data[j] = static_cast<unsigned char>(0x21 * (i + 1));
            c.InsertUserImage(&img);
        }
        std::vector<uint8_t> b(static_cast<size_t>(c.GetUserImageLZO(nullptr)));
        c.GetUserImageLZO(b.data(), b.size());
        return b;
    }();
    return blob;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CContent* a = new CContent;
    static CContent* b = new CContent;
    std::vector<uint8_t> input(data, data + size);
    if (size > 0 && (data[0] & 1)) {
        // Byte 1: how much to keep (255 = all); then 16-bit positions and values.
        input = SoundBlob();
        if (size >= 2 && data[1] != 255)
            input.resize(input.size() * data[1] / 255);
        for (size_t at = 2; at + 3 <= size && !input.empty(); at += 3)
            input[(data[at] | (data[at + 1] << 8)) % input.size()] = data[at + 2];
    }
    const long used = a->SetUserImageLZO(input.data(), input.size());
    if (used < 0 || static_cast<size_t>(used) > input.size() || a->GetUserImageMX() > 8)
        std::abort();

    std::vector<uint8_t> blob(static_cast<size_t>(a->GetUserImageLZO(nullptr)));
    if (a->GetUserImageLZO(blob.data(), blob.size()) != static_cast<long>(blob.size()))
        std::abort();
    const long again = b->SetUserImageLZO(blob.data(), blob.size());
    const bool none = a->GetUserImageMX() == 0;
    if (again != (none ? 8 : static_cast<long>(blob.size())) || b->GetUserImageMX() != a->GetUserImageMX())
        std::abort();
    for (unsigned i = 0; i < a->GetUserImageMX(); ++i)
        if (std::memcmp(a->GetUserImage(i), b->GetUserImage(i), sizeof(CRGX<8192>)) != 0)
            std::abort();
    return 0;
}
