// SPDX-License-Identifier: BSD-2-Clause
#include "common/profile.h"

#include <gtest/gtest.h>

TEST(MemoryProfile, IntsStringsAndDefaults)
{
    common::CMemoryProfile p;
    EXPECT_EQ(p.GetProfileInt("Serial Setup", "Baudrate", 115200), 115200);
    p.WriteProfileInt("Serial Setup", "Baudrate", 9600);
    EXPECT_EQ(p.GetProfileInt("Serial Setup", "Baudrate", 115200), 9600);
    // Section and key are distinct coordinates, not one joined string.
    EXPECT_EQ(p.GetProfileInt("Serial", "Setup Baudrate", -1), -1);
    p.WriteProfileString("Settings", "Project Path", "/tmp/ads");
    EXPECT_EQ(p.GetProfileString("Settings", "Project Path", ""), "/tmp/ads");
    // A value that is not a number reads as the default.
    p.WriteProfileString("Settings", "Module Row", "many");
    EXPECT_EQ(p.GetProfileInt("Settings", "Module Row", 4), 4);
    p.WriteProfileInt("Settings", "Offset", -12);
    EXPECT_EQ(p.GetProfileInt("Settings", "Offset", 0), -12);
}

TEST(MemoryProfile, AppProfileCanBeReplacedAndRestored)
{
    common::CMemoryProfile mine;
    common::SetAppProfile(&mine);
    common::AppProfile().WriteProfileInt("Settings", "Language", 14);
    EXPECT_EQ(mine.GetProfileInt("Settings", "Language", 0), 14);
    common::SetAppProfile(nullptr);
    EXPECT_FALSE(&common::AppProfile() == &mine);
}
