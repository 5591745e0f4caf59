// SPDX-License-Identifier: BSD-2-Clause
#include "qvr/lzo.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace qvr;

TEST(Lzo, RoundTripAndBoundedOutput)
{
    std::vector<uint8_t> data(8192);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>((i * 7) % 13 == 0 ? 0x11 : 0);
    std::vector<uint8_t> packed = lzo::Compress(data.data(), data.size());
    ASSERT_FALSE(packed.empty());
    EXPECT_LT(packed.size(), data.size());

    std::vector<uint8_t> out(data.size());
    EXPECT_EQ(lzo::Decompress(packed.data(), packed.size(), out.data(), out.size()),
              static_cast<long>(data.size()));
    EXPECT_EQ(out, data);

    // A target one byte short is refused rather than overrun.
    std::vector<uint8_t> small(data.size() + 16, 0xEE);
    EXPECT_EQ(lzo::Decompress(packed.data(), packed.size(), small.data(), data.size() - 1), -1);
    EXPECT_EQ(small[data.size() - 1], 0xEE);
}

TEST(Lzo, DamagedInputIsRefused)
{
    std::vector<uint8_t> data(1000);
    std::iota(data.begin(), data.end(), 0);
    std::vector<uint8_t> packed = lzo::Compress(data.data(), data.size());
    std::vector<uint8_t> out(data.size());
    // Cut off: the decoder must stop at the end of its input.
    EXPECT_EQ(lzo::Decompress(packed.data(), packed.size() / 2, out.data(), out.size()), -1);
    std::vector<uint8_t> junk(64, 0xFF);
    EXPECT_EQ(lzo::Decompress(junk.data(), junk.size(), out.data(), out.size()), -1);
}
