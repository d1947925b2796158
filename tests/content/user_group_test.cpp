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
    p.DB3 = "7F";
    p.DB5 = "5";
    p.DB6 = "ab";
    NormaliseUserGroupBytes(p);
    EXPECT_EQ(p.DB3, "1F");
    EXPECT_EQ(p.DB3D, "31");
    EXPECT_EQ(p.DB5, "05");
    EXPECT_EQ(p.DB5D, "5");
    EXPECT_EQ(p.DB6, "FF");
    EXPECT_EQ(p.DB6D, "255");
    p.DB7 = "";
    DB7Exit(p);
    EXPECT_EQ(p.DB7, "00");
    EXPECT_EQ(p.DB7D, "0");
    EXPECT_EQ(UserGroupByteValue("A2"), 0xA2);
}

TEST(GroupType, NamesAndVersionBRule)
{
    EXPECT_EQ(GroupTypeName(0), "0A");
    EXPECT_EQ(GroupTypeName(5), "2B");
    EXPECT_EQ(GroupTypeName(31), "15B");
    EXPECT_EQ(GroupTypeName(32), "");
    EXPECT_FALSE(CBGRTYPChange(5));  // "2B": Byte 5 and Byte 6 disabled
    EXPECT_TRUE(CBGRTYPChange(6));   // "3A": enabled again
    EXPECT_TRUE(CBGRTYPChange(-1));
    EXPECT_TRUE(CBGRTYPChange(99));
}

} // namespace
} // namespace quorvan
