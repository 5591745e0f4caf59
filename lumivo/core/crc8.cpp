// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/crc8.h"

namespace lumivo {

CCrc8::CCrc8()
{
    for (unsigned v = 0; v < 256; ++v) {
        unsigned crc = v;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80) ? ((crc << 1) ^ 0xD5) : (crc << 1);
        m_table[v] = static_cast<uint8_t>(crc);
    }
}

uint8_t CCrc8::Compute(const uint8_t* data, std::size_t length) const
{
    uint8_t crc = 0;
    for (std::size_t i = 0; i < length; ++i)
        crc = m_table[crc ^ data[i]];
    return crc;
}

} // namespace lumivo
