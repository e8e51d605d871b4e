#include "export/save_path.h"

#include <gtest/gtest.h>

namespace q9 {
namespace {

TEST(SplitSavePath, FolderKeepsItsTrailingSeparator) {
    const auto windows = SplitSavePath("D:\\a\\b\\c.xlsx", '\\');
    ASSERT_TRUE(windows);
    EXPECT_EQ(windows->folder, "D:\\a\\b\\");
    EXPECT_EQ(windows->fileName, "c.xlsx");

    const auto posix = SplitSavePath("/home/用户/采购.xls", '/');
    ASSERT_TRUE(posix);
    EXPECT_EQ(posix->folder, "/home/用户/");
    EXPECT_EQ(posix->fileName, "采购.xls");
}

TEST(SplitSavePath, PathWithoutSeparatorHasNoFolderAndEmptyPathGivesNothing) {
    const auto bare = SplitSavePath("po.xls", '/');
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->folder, "");
    EXPECT_EQ(bare->fileName, "po.xls");
    EXPECT_FALSE(SplitSavePath("", '/'));
}

}  // namespace
}  // namespace q9
