// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/crc8.h"

#include <gtest/gtest.h>

TEST(Crc8, TableAndCheckValues)
{
    const lumivo::CCrc8 crc;
    EXPECT_EQ(crc.Table()[0], 0x00);
    EXPECT_EQ(crc.Table()[1], 0xD5);
    EXPECT_EQ(crc.Table()[2], 0x7F);
    EXPECT_EQ(crc.Compute("abc"), 0x5A);
    EXPECT_EQ(crc.Compute("123456789"), 0xBC);
    EXPECT_EQ(crc.Compute(""), 0x00);
    EXPECT_EQ(crc.Compute(nullptr, 0), 0x00);
}
