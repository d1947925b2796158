#include "sources/text_cut.h"

#include <gtest/gtest.h>

namespace quorvan {
namespace {

TEST(SourceTextTrim, TrailingBlanksOnly)
{
    EXPECT_EQ(trimSourceText("Title   "), "Title");
    EXPECT_EQ(trimSourceText(" "), "");
    EXPECT_EQ(trimSourceText("   "), "");
    EXPECT_EQ(trimSourceText(""), "");
    EXPECT_EQ(trimSourceText("  Title"), "  Title");
    EXPECT_EQ(trimSourceText("Title\t "), "Title\t"); // only 0x20 is a blank
    EXPECT_EQ(trimSourceText("x "), "x");
}

TEST(SourceTextCut, BeginningAndEnd)
{
    EXPECT_EQ(cutSourceText("  Title", 2, 0), "Title");
    // Track number with separator, a five-letter title, a blank and an
    // eight-character time in brackets.
    EXPECT_EQ(cutSourceText("07.Catch [3:05.4]", 3, 9), "Catch");
    EXPECT_EQ(cutSourceText("0123456789", 63, 0), "");
    EXPECT_EQ(cutSourceText("0123456789", 4, 6), "");
    EXPECT_EQ(cutSourceText("0123456789", 4, 5), "4");
    EXPECT_EQ(cutSourceText("0123456789", 0, 63), "");
    EXPECT_EQ(cutSourceText("0123456789", 0, 0), "0123456789");
    EXPECT_EQ(cutSourceText("0123456789", -3, -3), "0123456789");
    EXPECT_EQ(cutSourceText("", 0, 0), "");
}

} // namespace
} // namespace quorvan
