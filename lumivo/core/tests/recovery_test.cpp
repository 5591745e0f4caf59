// SPDX-License-Identifier: GPL-2.0-or-later
// Recovery copies: what one session leaves, another finds.
#include "core/recovery.h"
#include "test_support.h"

#include <fstream>

using namespace coretest;

TEST(Recovery, ASessionFindsTheCopiesOthersLeftNewestFirst)
{
    TempDir dir;
    const auto folder = dir / "state" / "lumivo"; // made by the first write
    lumivo::CRecoveryStore older(folder, "1-100"), newer(folder, "2-200"), own(folder, "3-300");
    ASSERT_TRUE(older.Write({1, 2}, "/home/u/shop.qvndoc", "shop.qvndoc", 1000));
    ASSERT_TRUE(newer.Write({3}, "", "Untitled", 2000));
    ASSERT_TRUE(own.Write({4}, "/x.qvndoc", "x.qvndoc", 3000));
    EXPECT_EQ(std::filesystem::status(folder).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
    // A copy whose data went is no copy; an info that is not one is skipped.
    lumivo::CRecoveryStore broken(folder, "4-400");
    ASSERT_TRUE(broken.Write({5}, "/y.qvndoc", "y", 4000));
    std::filesystem::remove(folder / "recovery-4-400.qvndoc");
    std::ofstream(folder / "recovery-5-500.info") << "garbage without a time\n";
    std::ofstream(folder / "recovery-5-500.qvndoc") << "x";

    const auto copies = own.Others();
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(copies[0].title, "Untitled");
    EXPECT_EQ(copies[0].project, "");
    EXPECT_EQ(copies[0].savedAt, 2000);
    EXPECT_EQ(copies[1].project, "/home/u/shop.qvndoc");
    EXPECT_EQ(ReadAll(copies[1].data), (std::vector<uint8_t>{1, 2}));

    // Removing one's own copy and discarding another's leave the rest.
    own.Remove();
    EXPECT_FALSE(own.HasCopy());
    lumivo::CRecoveryStore::Discard(copies[0]);
    const auto left = own.Others();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].title, "shop.qvndoc");
    EXPECT_TRUE(older.HasCopy());
}
