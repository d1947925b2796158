#include "settings/value_codec.h"

#include <gtest/gtest.h>

using namespace quorvan;

TEST(ValueCodec, IntegersInDecimalAndHexadecimal)
{
    EXPECT_EQ(parseInteger("0"), 0);
    EXPECT_EQ(parseInteger("-12"), -12);
    EXPECT_EQ(parseInteger("+7"), 7);
    EXPECT_EQ(parseInteger("$1F"), 31);
    EXPECT_EQ(parseInteger("0x1f"), 31);
    EXPECT_EQ(parseInteger("0X10"), 16);
    EXPECT_EQ(parseInteger("$FFFFFFFF"), -1);
    EXPECT_EQ(parseInteger("2147483647"), 2147483647);
    EXPECT_EQ(parseInteger("-2147483648"), -2147483647 - 1);
}

TEST(ValueCodec, AnythingElseIsNotAnInteger)
{
    for (const char* bad : {"", "-", "+", "$", "0x", "1.5", "12a", " 1", "$1G", "0x100000000", "2147483648",
                            "-2147483649", "99999999999999999999", "one"})
        EXPECT_EQ(parseInteger(bad), std::nullopt) << bad;
}

TEST(ValueCodec, IntegerAndBooleanDefaults)
{
    EXPECT_EQ(readInteger(std::nullopt, 5), 5);
    EXPECT_EQ(readInteger(std::string(""), 5), 5);
    EXPECT_EQ(readInteger(std::string("x"), 5), 5);
    EXPECT_EQ(readInteger(std::string("3"), 5), 3);
    EXPECT_TRUE(readBoolean(std::nullopt, true));
    EXPECT_TRUE(readBoolean(std::string("yes"), true));
    EXPECT_FALSE(readBoolean(std::string(""), false));
    EXPECT_TRUE(readBoolean(std::string("2"), false));
    EXPECT_TRUE(readBoolean(std::string("-1"), false));
    EXPECT_FALSE(readBoolean(std::string("0"), true));
    EXPECT_EQ(writeInteger(-12), "-12");
    EXPECT_EQ(writeBoolean(true), "1");
    EXPECT_EQ(writeBoolean(false), "0");
}

TEST(ValueCodec, TextEmptyValueIsEmptyTextAbsentIsDefault)
{
    EXPECT_EQ(readText(std::string(""), "dflt"), "");
    EXPECT_EQ(readText(std::nullopt, "dflt"), "dflt");
    EXPECT_EQ(readQuotedText(std::nullopt, "dflt"), "dflt");
    EXPECT_EQ(readQuotedText(std::string(""), "dflt"), "");
}

TEST(ValueCodec, QuotedTextKeepsBlanksAndDoubledQuotes)
{
    EXPECT_EQ(writeQuotedText(" RADIO "), "\" RADIO \"");
    EXPECT_EQ(readQuotedText(std::string("\" RADIO \""), ""), " RADIO ");
    EXPECT_EQ(writeQuotedText("Say \"hi\""), "\"Say \"\"hi\"\"\"");
    EXPECT_EQ(readQuotedText(std::string("\"Say \"\"hi\"\"\""), ""), "Say \"hi\"");
    EXPECT_EQ(readQuotedText(std::string("unquoted \"x\""), ""), "unquoted \"x\"");
    EXPECT_EQ(readQuotedText(std::string("\""), ""), "\"");
    EXPECT_EQ(readQuotedText(std::string("\"\""), "x"), "");

    for (const std::string text : {"", "\"", "\"\"", "a\"", "\"a", " a\"\"\"b ", "x\"y"})
        EXPECT_EQ(readQuotedText(writeQuotedText(text), "?"), text) << text;
}

TEST(ValueCodec, TextQuotedOnlyWhenPlainWouldNotReadBack)
{
    EXPECT_EQ(writeTextQuotedWhenNeeded("Catch (Mix)"), "Catch (Mix)");
    EXPECT_EQ(writeTextQuotedWhenNeeded("say \"hi\""), "say \"hi\"");
    EXPECT_EQ(writeTextQuotedWhenNeeded(""), "");
    EXPECT_EQ(writeTextQuotedWhenNeeded("  Catch"), "\"  Catch\"");
    EXPECT_EQ(writeTextQuotedWhenNeeded("\"hi\""), "\"\"\"hi\"\"\"");
    for (const std::string text : {"", "a", "\"", "\"\"", " a", "a ", "\ta", "\"a\"", "x\"y\"", "\"x"})
        EXPECT_EQ(readQuotedText(writeTextQuotedWhenNeeded(text), "?"), text) << text;
}
