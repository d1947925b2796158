#include "settings/ini_file.h"

#include <gtest/gtest.h>

#include <string>

using quorvan::IniFile;
using namespace std::string_literals;

namespace {

std::string roundTrip(const std::string& bytes)
{
    return IniFile::parse(bytes).serialize();
}

} // namespace

TEST(IniFile, UntouchedDocumentComesBackByteForByte)
{
    const std::string samples[] = {
        "",
        "\r\n\r\n",
        "[General]\r\nPI=1234\r\n; comment\r\n\r\n[Other]\r\nx = y \r\n",
        "no header line\nkey=before any section\n[A]\nk=v",          // LF, no trailing newline
        "[A]\r\nk=\xE9\xFF\x80 bytes\r\nnul=a\0b\r\n"s, // 8-bit and NUL bytes
        "[A]\r\r\nk=v\rmore\r\n",                                      // stray CRs
        "   [ Spaced ]  trailing\r\n  key  =  value  \r\n",
    };
    for (const std::string& s : samples)
        EXPECT_EQ(roundTrip(s), s);
}

TEST(IniFile, NamesIgnoreLetterCaseAndBlanksAroundValuesAreDropped)
{
    IniFile doc = IniFile::parse("[gEnErAl]\r\n  pi =  12AB  \r\nEmpty=\r\n");
    EXPECT_EQ(doc.read("General", "PI"), "12AB");
    EXPECT_EQ(doc.read("GENERAL", "pi"), "12AB");
    EXPECT_EQ(doc.read("General", "empty"), "");
    EXPECT_EQ(doc.read("General", "Missing"), std::nullopt);
    EXPECT_EQ(doc.read("Config", "PI"), std::nullopt);
}

TEST(IniFile, CommentsKeysBeforeAnySectionAndGarbageAreNotKeys)
{
    IniFile doc = IniFile::parse("Top=1\r\n[Config]\r\n;Left=5\r\n  ; Port=3\r\ngarbage line\r\n=novalue\r\n");
    EXPECT_EQ(doc.read("Config", "Top"), std::nullopt);
    EXPECT_EQ(doc.read("Config", "Left"), std::nullopt);
    EXPECT_EQ(doc.read("Config", "Port"), std::nullopt);
    EXPECT_EQ(doc.read("Config", ""), std::nullopt);
}

TEST(IniFile, FirstDuplicateWinsAndIsTheOneUpdated)
{
    IniFile doc = IniFile::parse("[A]\r\nk=1\r\nk=2\r\n[B]\r\nj=0\r\n[a]\r\nk=3\r\nonly=4\r\n");
    EXPECT_EQ(doc.read("A", "k"), "1");
    EXPECT_EQ(doc.read("A", "only"), "4"); // found in the second [A]
    doc.write("A", "k", "9");
    doc.write("A", "only", "5");
    EXPECT_EQ(doc.serialize(), "[A]\r\nk=9\r\nk=2\r\n[B]\r\nj=0\r\n[a]\r\nk=3\r\nonly=5\r\n");
    EXPECT_EQ(doc.read("A", "k"), "9");
}

TEST(IniFile, UpdateKeepsTheKeySpellingAndSpacingAndSkipsUnchangedValues)
{
    IniFile doc = IniFile::parse("[General]\r\n  pi = ABCD  \r\nTP=  1\r\n");
    doc.write("General", "PI", "1234");
    doc.write("General", "TP", "1"); // same value: line left as it was
    EXPECT_EQ(doc.serialize(), "[General]\r\n  pi = 1234\r\nTP=  1\r\n");
}

TEST(IniFile, MissingKeyGoesAfterTheLastKeyOfItsSection)
{
    IniFile doc = IniFile::parse("[A]\r\nx=1\r\n; about B\r\n\r\n[B]\r\ny=2\r\n");
    doc.write("A", "new", "v");
    doc.write("A", "newer", "w");
    doc.write("B", "z", "3");
    EXPECT_EQ(doc.serialize(), "[A]\r\nx=1\r\nnew=v\r\nnewer=w\r\n; about B\r\n\r\n[B]\r\ny=2\r\nz=3\r\n");
    EXPECT_EQ(doc.read("a", "NEWER"), "w");
}

TEST(IniFile, MissingSectionGoesAtTheEndAfterABlankLine)
{
    IniFile doc;
    doc.write("Config", "Top", "10");
    doc.write("General", "PI", "FFFF");
    doc.write("Config", "Left", "10");
    EXPECT_EQ(doc.serialize(), "[Config]\r\nTop=10\r\nLeft=10\r\n\r\n[General]\r\nPI=FFFF\r\n");
}

TEST(IniFile, AppendingToAFileWithoutFinalNewlineUsesItsLineEnds)
{
    IniFile lf = IniFile::parse("[A]\nx=1");
    lf.write("A", "y", "2");
    lf.write("B", "z", "3");
    EXPECT_EQ(lf.serialize(), "[A]\nx=1\ny=2\n\n[B]\nz=3\n");

    IniFile crlf = IniFile::parse("[A]\r\nx=1");
    crlf.write("C", "k", "v");
    EXPECT_EQ(crlf.serialize(), "[A]\r\nx=1\r\n\r\n[C]\r\nk=v\r\n");

    IniFile headerOnly = IniFile::parse("[A]");
    headerOnly.write("A", "k", "v");
    EXPECT_EQ(headerOnly.serialize(), "[A]\r\nk=v\r\n");
}

TEST(IniFile, ALineFeedInsideAValueCannotSplitTheLine)
{
    IniFile doc;
    doc.write("A", "k", "one\n[Config]\nPort=5");
    IniFile back = IniFile::parse(doc.serialize());
    EXPECT_EQ(back.read("A", "k"), "one [Config] Port=5");
    EXPECT_FALSE(back.hasSection("Config"));
}

TEST(IniFile, ValuesKeepEqualsSignsAnd8BitBytes)
{
    IniFile doc = IniFile::parse("[A]\r\nk=a=b\r\n");
    EXPECT_EQ(doc.read("A", "k"), "a=b");
    doc.write("A", "t", "\xC4\xD6\xDC");
    EXPECT_EQ(IniFile::parse(doc.serialize()).read("A", "t"), "\xC4\xD6\xDC");
}
