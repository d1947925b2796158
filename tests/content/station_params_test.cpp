#include "content/station_params.h"

#include <gtest/gtest.h>

namespace quorvan {
namespace {

TEST(StationParams, StartsAtTheWindowsInitialValues)
{
    const TStationParams p;
    EXPECT_EQ(p.PI, "FFFF");
    EXPECT_EQ(p.PTY, 0);
    EXPECT_EQ(p.MS, 1);
    EXPECT_EQ(p.RGDPS1M, 2);
    EXPECT_EQ(p.SEDPSLP, 5);   // 2.5 s
    EXPECT_EQ(p.SEDPS1DL, 8);  // 21.6 s
    EXPECT_EQ(p.SERTSW, 5);
    EXPECT_EQ(p.RGPORT, 0);
    EXPECT_TRUE(p.CBBI);
    EXPECT_TRUE(p.CBSS);
    EXPECT_EQ(p.ELPTA, "632");
    EXPECT_TRUE(p.RBJUST2);
    EXPECT_FALSE(p.RBJUST0 || p.RBJUST1);
    EXPECT_TRUE(p.RBFILSP);
    EXPECT_EQ(p.ECUSCH, "*");
    EXPECT_TRUE(p.RBRT1);
    EXPECT_EQ(p.SESMTO, 1);
    EXPECT_EQ(p.LImageFile, "(none)");
    for (const auto& row : p.SGAF) EXPECT_TRUE(row.empty());
    for (int i = 0; i < kUserGroupBytes; ++i) {
        EXPECT_EQ(p.db(i), "00");
        EXPECT_EQ(p.dbd(i), "0");
    }
}

TEST(StationParams, IndexedAccessReachesTheNamedFields)
{
    TStationParams p;
    p.rt(2) = "third";
    p.rtType(3) = 1;
    p.rbrt(1) = true;
    p.db(4) = "1F";
    EXPECT_EQ(p.RT3, "third");
    EXPECT_EQ(p.CBRTT4, 1);
    EXPECT_TRUE(p.RBRT2);
    EXPECT_EQ(p.DB7, "1F");
    // Out-of-range indices stay inside the record.
    EXPECT_EQ(&p.rt(-1), &p.RT1);
    EXPECT_EQ(&p.rt(99), &p.RT4);
    const TStationParams copy = p;
    EXPECT_EQ(copy, p);
    EXPECT_EQ(copy.rt(2), "third");
}

} // namespace
} // namespace quorvan
