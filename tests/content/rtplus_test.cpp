// RT+ tags from a pattern, from artist and title, and from six numbers; the
// register bytes that hold them.
#include "content/rtplus.h"
#include "content/station_params.h"

#include <gtest/gtest.h>

namespace quorvan::rtplus {
namespace {

TEST(RTPlusTags, PatternsAndWhatTheyMatch)
{
    EXPECT_FALSE(ParsePattern("%a%t"));        // nothing between the fields
    EXPECT_FALSE(ParsePattern("%a - %a"));
    EXPECT_FALSE(ParsePattern("%a - "));
    EXPECT_FALSE(ParsePattern("%a - %t %x"));
    EXPECT_FALSE(ParsePattern("%a - %t%"));
    ASSERT_TRUE(ParsePattern("%t / %a (100%%)"));
    EXPECT_EQ(ParsePattern("%t / %a (100%%)")->after, " (100%)");

    // Title first; the prefix is skipped only where the text begins with it.
    EXPECT_EQ(MatchTags("Queen / Innuendo", "Now: ", "%t / %a"),
              (Tags{true, {kItemTitle, 0, 5}, {kItemArtist, 8, 8}}));
    // The first separator splits; blanks around the fields are not tagged.
    EXPECT_EQ(MatchTags("On air:  Blur  - Song 2 - live   ", "On air:", "%a - %t"),
              (Tags{true, {kItemArtist, 9, 4}, {kItemTitle, 17, 13}}));
    // Literals around: "by" and the closing "!".
    EXPECT_EQ(MatchTags("Hey Jude by The Beatles!", "", "%t by %a!"),
              (Tags{true, {kItemTitle, 0, 8}, {kItemArtist, 12, 11}}));
    // No separator, an empty field, a text that stops at a carriage return.
    EXPECT_FALSE(MatchTags("Morning show", "", "%a - %t").running);
    EXPECT_FALSE(MatchTags(" - Title", "", "%a - %t").running);
    EXPECT_FALSE(MatchTags("A\r - B", "", "%a - %t").running);
    EXPECT_FALSE(MatchTags("A - B", "", "%a%t").running);  // no usable pattern
}

TEST(RTPlusTags, ASecondFieldLongerThanItsTagGoesFirst)
{
    const std::string title(40, 'T');
    // The artist (4) would be first, but the title (40) does not fit the
    // second tag's 32 characters: the two swap.
    EXPECT_EQ(MatchTags("Abba - " + title, "", "%a - %t"),
              (Tags{true, {kItemTitle, 7, 40}, {kItemArtist, 0, 4}}));
    const auto composed = ComposeText("", "%a - %t", std::string(33, 'A'), std::string(40, 'T'));
    ASSERT_TRUE(composed);
    EXPECT_EQ(composed->text.size(), 64u);  // cut; the title is tagged as far as it reaches
    EXPECT_EQ(composed->tags, (Tags{true, {kItemArtist, 0, 33}, {kItemTitle, 36, 28}}));
}

TEST(RTPlusTags, ExplicitTagsAndRegisters)
{
    EXPECT_EQ(ExplicitTags({4, 5, 5, 1, 13, 4}), (Tags{true, {4, 5, 5}, {1, 13, 4}}));
    EXPECT_EQ(ExplicitTags({0, 0, 0, 0, 0, 0}), Tags{});
    EXPECT_FALSE(ExplicitTags({4, 60, 5, 0, 0, 0}));  // beyond the 64 characters
    EXPECT_FALSE(ExplicitTags({4, 0, 0, 0, 0, 0}));   // an empty tag
    EXPECT_FALSE(ExplicitTags({0, 3, 0, 0, 0, 0}));   // a dummy with a position
    EXPECT_FALSE(ExplicitTags({1, 0, 1, 4, 0, 33}));  // the second tag holds 32 at most
    EXPECT_FALSE(ExplicitTags({64, 0, 1, 0, 0, 0}));

    const Tags tags{true, {kItemArtist, 5, 5}, {kItemTitle, 13, 4}};
    EXPECT_EQ(EncodeRegisters(true, tags), (Registers{3, 4, 5, 4, 1, 13, 3}));
    EXPECT_EQ(DecodeRegisters(EncodeRegisters(true, tags)), tags);
    EXPECT_EQ(EncodeRegisters(true, Tags{}), (Registers{1, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(EncodeRegisters(false, tags), Registers{});

    // A station's tags: off, the pattern, or the explicit ones while their text is current.
    TStationParams p;
    p.textSources.ER1PR = "Now: ";
    EXPECT_EQ(RegistersFor(p, "Now: A - B"), Registers{});
    p.radiotext.RTPlus = true;
    EXPECT_EQ(TagsFor(p, "Now: A - B"), (Tags{true, {kItemArtist, 5, 1}, {kItemTitle, 9, 1}}));
    p.radiotext.RTPlusExplicitSet = true;
    p.radiotext.RTPlusExplicit = {1, 9, 1, 0, 0, 0};
    p.radiotext.RTPlusExplicitText = "Now: A - B";
    EXPECT_EQ(TagsFor(p, "Now: A - B"), (Tags{true, {kItemTitle, 9, 1}, {}}));
    EXPECT_EQ(TagsFor(p, "Now: C - D"), (Tags{true, {kItemArtist, 5, 1}, {kItemTitle, 9, 1}}));
}

} // namespace
} // namespace quorvan::rtplus
