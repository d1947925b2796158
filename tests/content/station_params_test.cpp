#include "content/station_params.h"

#include <gtest/gtest.h>

namespace quorvan {
namespace {

TEST(StationParams, StartsAtTheWindowsInitialValues)
{
    const TStationParams p;
    EXPECT_EQ(p.program.PI, "FFFF");
    EXPECT_EQ(p.program.PTY, 0);
    EXPECT_EQ(p.program.MS, 1);
    EXPECT_EQ(p.dynamicPs.RGDPS1M, 2);
    EXPECT_EQ(p.dynamicPs.SEDPSLP, 5);   // 2.5 s
    EXPECT_EQ(p.dynamicPs.SEDPS1DL, 8);  // 21.6 s
    EXPECT_EQ(p.radiotext.SERTSW, 5);
    EXPECT_EQ(p.preferences.RGPORT, 0);
    EXPECT_TRUE(p.preferences.CBBI);
    EXPECT_TRUE(p.preferences.CBSS);
    EXPECT_EQ(p.preferences.ELPTA, "632");
    EXPECT_EQ(p.textSources.justification, Justification::Center);
    EXPECT_EQ(p.textSources.fill, Fill::Space);
    EXPECT_EQ(p.textSources.ECUSCH, "*");
    EXPECT_EQ(p.radiotext.selected, RadiotextSelection::RT1);
    EXPECT_EQ(p.preferences.SESMTO, 1);
    EXPECT_EQ(p.preferences.LImageFile, "(none)");
    for (const auto& row : p.program.SGAF) EXPECT_TRUE(row.empty());
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
    p.db(4) = "1F";
    EXPECT_EQ(p.radiotext.RT3, "third");
    EXPECT_EQ(p.radiotext.CBRTT4, 1);
    EXPECT_EQ(p.system.DB7, "1F");
    // Out-of-range indices stay inside the record.
    EXPECT_EQ(&p.rt(-1), &p.radiotext.RT1);
    EXPECT_EQ(&p.rt(99), &p.radiotext.RT4);
    const TStationParams copy = p;
    EXPECT_EQ(copy, p);
    EXPECT_EQ(copy.rt(2), "third");
}

} // namespace
} // namespace quorvan
