// SPDX-License-Identifier: BSD-2-Clause
// LZO1X compression, the one codec of containers, user images, project files
// and the Ad blob. Decompression is always bounded by the target's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qvr::lzo {

// Compresses src into a new buffer (LZO1X-1). Never fails for valid memory.
std::vector<uint8_t> Compress(const uint8_t* src, size_t len);

// Worst-case compressed size for len input bytes.
constexpr size_t MaxCompressedSize(size_t len) { return len + len / 16 + 64 + 3; }

// Compresses into dst (capacity dstCap, at least MaxCompressedSize(len)).
// Returns the compressed length, or 0 when dst is too small.
size_t CompressTo(const uint8_t* src, size_t len, uint8_t* dst, size_t dstCap);

// Decompresses src into dst without reading past src+len or writing past
// dst+dstCap. Returns the number of bytes produced, or -1 for damaged or
// overlong data.
long Decompress(const uint8_t* src, size_t len, uint8_t* dst, size_t dstCap);

} // namespace qvr::lzo
