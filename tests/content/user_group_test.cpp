#include "content/user_group.h"

#include <gtest/gtest.h>

namespace quorvan {
namespace {

TEST(UserGroupByte, ByteFourKeepsFiveBits)
{
    EXPECT_EQ(NormaliseUserGroupByte("FF", true), (UserGroupByte{"1F", "31"}));
    EXPECT_EQ(NormaliseUserGroupByte("E0", true), (UserGroupByte{"00", "0"}));
    EXPECT_EQ(NormaliseUserGroupByte("3C", true), (UserGroupByte{"1C", "28"}));
    EXPECT_EQ(NormaliseUserGroupByte("7F", true), (UserGroupByte{"1F", "31"}));
    EXPECT_EQ(NormaliseUserGroupByte("ab", true), (UserGroupByte{"1F", "31"}));
}

TEST(UserGroupByte, OtherBytes)
{
    EXPECT_EQ(NormaliseUserGroupByte("ab", false), (UserGroupByte{"FF", "255"}));
    EXPECT_EQ(NormaliseUserGroupByte("xy", false), (UserGroupByte{"FF", "255"}));
    EXPECT_EQ(NormaliseUserGroupByte("5", false), (UserGroupByte{"05", "5"}));
    EXPECT_EQ(NormaliseUserGroupByte("", false), (UserGroupByte{"00", "0"}));
    EXPECT_EQ(NormaliseUserGroupByte("1A2", false), (UserGroupByte{"A2", "162"}));
    // A cut text holding a stray character still ends as two digits.
    EXPECT_EQ(NormaliseUserGroupByte("1ab", false), (UserGroupByte{"FF", "255"}));
    EXPECT_EQ(NormaliseUserGroupByte("1x4", false), (UserGroupByte{"F4", "244"}));
    EXPECT_EQ(NormaliseUserGroupByte(std::string(100000, '\xE9'), true), (UserGroupByte{"1F", "31"}));
}

TEST(UserGroupByte, ExitsWriteFieldAndMirror)
{
    TStationParams p;
    p.system.DB3 = "7F";
    p.system.DB5 = "5";
    p.system.DB6 = "ab";
    NormaliseUserGroupBytes(p);
    EXPECT_EQ(p.system.DB3, "1F");
    EXPECT_EQ(p.system.DB3D, "31");
    EXPECT_EQ(p.system.DB5, "05");
    EXPECT_EQ(p.system.DB5D, "5");
    EXPECT_EQ(p.system.DB6, "FF");
    EXPECT_EQ(p.system.DB6D, "255");
    p.system.DB7 = "";
    DB7Exit(p);
    EXPECT_EQ(p.system.DB7, "00");
    EXPECT_EQ(p.system.DB7D, "0");
    EXPECT_EQ(UserGroupByteValue("A2"), 0xA2);
}

TEST(GroupType, NamesAndVersionBRule)
{
    EXPECT_EQ(GroupTypeName(0), "0A");
    EXPECT_EQ(GroupTypeName(5), "2B");
    EXPECT_EQ(GroupTypeName(31), "15B");
    EXPECT_EQ(GroupTypeName(32), "");
    EXPECT_FALSE(UserGroupUsesBytes5And6(5));  // "2B": Byte 5 and Byte 6 disabled
    EXPECT_TRUE(UserGroupUsesBytes5And6(6));   // "3A": enabled again
    EXPECT_TRUE(UserGroupUsesBytes5And6(-1));
    EXPECT_TRUE(UserGroupUsesBytes5And6(99));
}

} // namespace
} // namespace quorvan
