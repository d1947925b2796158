#include "content/steps.h"

#include <gtest/gtest.h>

namespace quorvan {
namespace {

TEST(Steps, EncoderCodes)
{
    EXPECT_EQ(LabelPeriodCode(1), 0);    // 0.5 s
    EXPECT_EQ(LabelPeriodCode(5), 4);    // 2.5 s
    EXPECT_EQ(LabelPeriodCode(256), 255);
    EXPECT_EQ(DelayCode(8), 8);          // 21.6 s
    EXPECT_EQ(DelayCode(255), 255);
    EXPECT_EQ(PhaseCode(18), 18);
    EXPECT_EQ(LabelPeriodCodeFromSeconds(0.5), 0);
    EXPECT_EQ(LabelPeriodCodeFromSeconds(2.5), 4);
    EXPECT_EQ(LabelPeriodCodeFromSeconds(128), 255);
    EXPECT_EQ(DelayCodeFromSeconds(21.6), 8);
    EXPECT_EQ(DelayCodeFromSeconds(8.1), 3);
    EXPECT_EQ(DelayCodeFromSeconds(688.5), 255);
    EXPECT_EQ(DelayCodeFromSeconds(0), 0);
    EXPECT_EQ(PhaseCodeFromDegrees(170.46), 18);
    EXPECT_EQ(PhaseCodeFromDegrees(123.11), 13);
}

TEST(Steps, InversesAndClamping)
{
    for (int code = 0; code <= 255; ++code) {
        EXPECT_EQ(LabelPeriodCode(LabelPeriodStepsFromCode(code)), code);
        EXPECT_EQ(DelayCode(DelayStepsFromCode(code)), code);
    }
    EXPECT_EQ(PhaseStepsFromCode(200), 18);
    EXPECT_EQ(LabelPeriodStepsFromCode(-5), 1);
    EXPECT_EQ(ClampSteps(kSEDPSLPSpec, 0), 1);
    EXPECT_EQ(ClampSteps(kSEDPSLPSpec, 300), 256);
    EXPECT_EQ(ClampSteps(kSEPHASESpec, 19), 18);
    EXPECT_EQ(ClampSteps(kSERTSWSpec, 241), 240);
    EXPECT_EQ(StepsFromValue(kSEDPS1DLSpec, 18.9), 7);
    EXPECT_EQ(StepsFromValue(kSEPHASESpec, 47.35), 5);
    EXPECT_EQ(StepsFromValue(kSEDPS1DLSpec, 1e30), 255);
    EXPECT_EQ(StepsFromValue(kSEDPS1DLSpec, -1e30), 0);
}

TEST(Steps, ShownTextAndDelayUnit)
{
    EXPECT_EQ(SteppedValueText(kSEDPS1DLSpec, 8), "21.6");
    EXPECT_EQ(SteppedValueText(kSEDPS1DLSpec, 255), "688.5");
    EXPECT_EQ(SteppedValueText(kSEDPS1DLSpec, 254), "685.8");
    EXPECT_EQ(SteppedValueText(kSEDPSLPSpec, 5, ','), "2,5");
    EXPECT_EQ(SteppedValueText(kSEPHASESpec, 13), "123.11");
    EXPECT_EQ(SteppedValueText(kSEPHASESpec, 18), "170.46");
    EXPECT_EQ(SteppedValueText(kSERTSWSpec, 5), "5");
    EXPECT_EQ(DelayUnitText(255), "(infinite)");
    EXPECT_EQ(DelayUnitText(254), "sec");
    EXPECT_EQ(DelayUnitText(0), "sec");
}

} // namespace
} // namespace quorvan
