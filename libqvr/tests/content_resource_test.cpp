// SPDX-License-Identifier: BSD-2-Clause
#include "qvr/content_resource.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

TEST(ContentResource, TheEnvironmentFolderComesFirstAndFilesLoadWhole)
{
    const std::string dir = ::testing::TempDir() + "lumivo_content_test";
    std::filesystem::create_directories(dir);
    {
        std::ofstream f(dir + "/777.qvr", std::ios::binary);
        f << "abc\0def";
        f.write("\0xyz", 4);
    }
    setenv("LUMIVO_CONTENT_DIR", dir.c_str(), 1);
    ASSERT_FALSE(qvr::ContentDirectories().empty());
    EXPECT_EQ(qvr::ContentDirectories().front(), dir);
    EXPECT_EQ(qvr::FindContentResource(777), dir + "/777.qvr");
    const std::vector<uint8_t> bytes = qvr::LoadContentResource(777);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{'a', 'b', 'c', 0, 'x', 'y', 'z'}));

    // Missing numbers, folders and empty files give nothing rather than a failure.
    EXPECT_TRUE(qvr::LoadContentResource(778).empty());
    EXPECT_TRUE(qvr::FindContentResource(0).empty());
    std::ofstream(dir + "/779.qvr").close();
    EXPECT_TRUE(qvr::LoadContentResource(779).empty());
    std::filesystem::create_directories(dir + "/780.qvr");
    EXPECT_TRUE(qvr::FindContentResource(780).empty());
    unsetenv("LUMIVO_CONTENT_DIR");
    std::filesystem::remove_all(dir);
}

TEST(ContentResource, SearchesBesideTheProgramAndTheLibrary)
{
    unsetenv("LUMIVO_CONTENT_DIR");
    const std::vector<std::string> dirs = qvr::ContentDirectories();
    ASSERT_GE(dirs.size(), 2u);
    EXPECT_NE(dirs[0].find("/../content"), std::string::npos);
    EXPECT_NE(dirs[1].find("/../share/lumivo/content"), std::string::npos);
}
