// SPDX-License-Identifier: GPL-2.0-or-later
// Feeds arbitrary bytes to the packet receive state machine, in pieces whose
// sizes come from the input, and checks that what it reports stays inside
// its buffer.
#include <serio/frame.h>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    // A small starting buffer so that growth is exercised early.
    serio::CFrameReceiver rx(data[0] % 64);
    size_t pos = 1;
    while (pos < size) {
        const size_t piece = 1 + data[pos] % 97;
        const size_t n = std::min(piece, size - pos);
        rx.Feed(data + pos, n);
        pos += n;
        if (rx.PacketLength() > rx.BufferSize())
            std::abort();
        if (rx.BufferSize() > serio::kMaxReceiveBuffer)
            std::abort();
        const int s = rx.GetState();
        if (s != 1 && s != 2 && s != 4 && s != 8 && s != 16)
            std::abort();
    }
    return 0;
}
