// SPDX-License-Identifier: BSD-2-Clause
#include "qvr/lzo.h"

#include <lzo/lzo1x.h>


namespace qvr::lzo {

namespace {
bool EnsureInit()
{
    static const bool ok = lzo_init() == LZO_E_OK;
    return ok;
}
} // namespace

size_t CompressTo(const uint8_t* src, size_t len, uint8_t* dst, size_t dstCap)
{
    if (!EnsureInit() || dstCap < MaxCompressedSize(len))
        return 0;
    // Work memory per call keeps the codec free of shared state across threads.
    std::vector<unsigned char> work(LZO1X_1_MEM_COMPRESS);
    lzo_uint outLen = dstCap;
    if (lzo1x_1_compress(src, len, dst, &outLen, work.data()) != LZO_E_OK)
        return 0;
    return outLen;
}

std::vector<uint8_t> Compress(const uint8_t* src, size_t len)
{
    std::vector<uint8_t> out(MaxCompressedSize(len));
    out.resize(CompressTo(src, len, out.data(), out.size()));
    return out;
}

long Decompress(const uint8_t* src, size_t len, uint8_t* dst, size_t dstCap)
{
    if (!EnsureInit() || src == nullptr || dst == nullptr)
        return -1;
    lzo_uint outLen = dstCap;
    int rc = lzo1x_decompress_safe(src, len, dst, &outLen, nullptr);
    if (rc != LZO_E_OK)
        return -1;
    return static_cast<long>(outLen);
}

} // namespace qvr::lzo
