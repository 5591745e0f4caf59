// SPDX-License-Identifier: GPL-2.0-or-later
// CRC-8/DVB-S2 (polynomial 0xD5, most significant bit first, initial value 0,
// no reflection, no final xor): the check byte of the update exchange frames.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace lumivo {

class CCrc8 {
public:
    CCrc8(); // builds the 256-entry table

    uint8_t Compute(const uint8_t* data, std::size_t length) const;
    uint8_t Compute(std::string_view bytes) const
    {
        return Compute(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    const std::array<uint8_t, 256>& Table() const { return m_table; }

private:
    std::array<uint8_t, 256> m_table{};
};

} // namespace lumivo
