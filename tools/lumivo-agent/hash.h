// SPDX-License-Identifier: GPL-2.0-or-later
// Content hashes and secrets: SHA-256 from OpenSSL, random bytes from the
// system's generator, and a comparison that takes the same time whatever
// the bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace agent {

// "sha256:" and 64 lower-case hexadecimal digits.
std::string ContentHash(const std::vector<uint8_t>& bytes);
// n bytes from the kernel's generator; false when it could not give them.
bool RandomBytes(size_t n, std::vector<uint8_t>& out);
std::string Hex(const std::vector<uint8_t>& bytes);
// Equal length and bytes, in time that depends on the length only.
bool SameSecret(std::string_view a, std::string_view b);

std::string Base64Encode(const std::vector<uint8_t>& bytes);
// False for anything but canonical base64 (padding optional).
bool Base64Decode(std::string_view text, std::vector<uint8_t>& out);

} // namespace agent
