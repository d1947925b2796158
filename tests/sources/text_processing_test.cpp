#include "sources/text_cut.h"
#include "sources/text_processing.h"

#include <gtest/gtest.h>

namespace quorvan {
namespace {

const TextProcessingOptions kNumbering{true, false, false};
const TextProcessingOptions kBrackets{false, true, false};
const TextProcessingOptions kAll{true, true, true};

TEST(SongNumbering, RemovesDigitsAndSeparator)
{
    EXPECT_EQ(CharReplace("12. Morvesk - Catch (Vocal Mix)", kNumbering), "Morvesk - Catch (Vocal Mix)");
    EXPECT_EQ(CharReplace("(07) Title", kNumbering), "Title");
    for (const char* text : {"01 - Title", "01- Title", "01. - Title", "01.-Title", "01 -Title", "01-Title"})
        EXPECT_EQ(CharReplace(text, kNumbering), "Title") << text;
}

TEST(SongNumbering, LeavesTextsWithoutNumberingAlone)
{
    for (const char* text : {"12Title", "12 Title", "12.Title", "1999 - Title", "12", "99", "123", "(12",
                             "Title", "", "-", "(- x"})
        EXPECT_EQ(CharReplace(text, kNumbering), text) << text;
}

TEST(Brackets, RemovesTheLastBracketedPart)
{
    EXPECT_EQ(CharReplace("Catch (Vocal Mix)", kBrackets), "Catch");
    EXPECT_EQ(CharReplace("Catch (Mix) Again", kBrackets), "Catch  Again");
    EXPECT_EQ(CharReplace("Catch(Mix)", kBrackets), "Catch");
    EXPECT_EQ(CharReplace("Catch(Mix) x", kBrackets), "Catch x");
    EXPECT_EQ(CharReplace("(Intro) Song", kBrackets), "(Intro) Song");
    EXPECT_EQ(CharReplace("Song ()", kBrackets), "Song ()");
    EXPECT_EQ(CharReplace("A (one) B (two)", kBrackets), "A (one) B");
    EXPECT_EQ(CharReplace("Song (Mix) x)", kBrackets), "Song");
    EXPECT_EQ(CharReplace("(x)", kBrackets), "(x)");
}

TEST(Brackets, TextsOfOnlyBracketsAndBlanks)
{
    for (const char* text : {"", "(", ")", "()", "(((((", ")))))", "()()()", "      ", " ( ) "})
        EXPECT_NO_THROW(CharReplace(text, kAll));
    EXPECT_EQ(CharReplace("a(b)", kBrackets), "a");
    EXPECT_EQ(CharReplace("((()))", kBrackets), "((");  // nearest "(" at least two before
    EXPECT_EQ(CharReplace(")))))", kBrackets), ")))))");
}

TEST(Capitals, Latin1LetterRules)
{
    const TextProcessingOptions caps{false, false, true};
    EXPECT_EQ(CharReplace("abc xyz 123", caps), "ABC XYZ 123");
    EXPECT_EQ(CharReplace("\xE9t\xE9 \xE0 \xFC\xF1", caps), "\xC9T\xC9 \xC0 \xDC\xD1");  // été à üñ
    EXPECT_EQ(CharReplace("\xDF\xFF\xF7\xB5", caps), "\xDF\xFF\xF7\xB5");  // no Latin-1 capitals
    EXPECT_EQ(ToUpperLatin1('\xFE'), '\xDE');
    const std::string nul("a\0b", 3);
    EXPECT_EQ(CharReplace(nul, caps), std::string("A\0B", 3));
}

TEST(CharReplace, CombinedAndDisabled)
{
    EXPECT_EQ(CharReplace("12. Morvesk - Catch (Vocal Mix)", kAll), "MORVESK - CATCH");
    EXPECT_EQ(CharReplace("12. Morvesk - Catch (Vocal Mix)", TextProcessingOptions{}),
              "12. Morvesk - Catch (Vocal Mix)");
    TStationParams p;
    p.textSources.CBRSN = true;
    EXPECT_EQ(CharReplace("1 - x", p), "x");
    // Numbering first: the bracket rule then sees the shortened text.
    EXPECT_EQ(CharReplace("1-(ab)", TextProcessingOptions{true, true, false}), "(ab)");
}

TEST(GBMOClick, EightCombinations)
{
    struct Row {
        bool rsn, reib, ctc;
        const char* shown;
    };
    const Row rows[] = {
        {false, false, false, "12. Morvesk - Catch (Vocal Mix)"},
        {true, false, false, "Morvesk - Catch (Vocal Mix)"},
        {false, true, false, "12. Morvesk - Catch"},
        {true, true, false, "Morvesk - Catch"},
        {false, false, true, "12. MORVESK - CATCH (VOCAL MIX)"},
        {true, false, true, "MORVESK - CATCH (VOCAL MIX)"},
        {false, true, true, "12. MORVESK - CATCH"},
        {true, true, true, "MORVESK - CATCH"},
    };
    for (const auto& r : rows) {
        const TextProcessingOptions options{r.rsn, r.reib, r.ctc};
        EXPECT_EQ(SourceTextExample(options), r.shown);
        // The fixed example agrees with what the processing does to the title.
        EXPECT_EQ(CharReplace("12. Morvesk - Catch (Vocal Mix)", options), r.shown);
    }
}

TEST(CharReplace, LargeAndBinaryInput)
{
    std::string big(100000, '(');
    big += ")";
    // The final ")" takes the "(" two places before it, and the one between.
    EXPECT_EQ(CharReplace(big, kAll), std::string(99998, '('));
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
    EXPECT_EQ(CharReplace(bytes, TextProcessingOptions{}), bytes);
    // "(" and ")" are adjacent there: an empty pair is not removed.
    EXPECT_EQ(CharReplace(bytes, kAll), ToCapitalsLatin1(bytes));
}

TEST(ProcessSourceText, RdsWorksOnCharactersAndCapitalisesWhatTheTableHas)
{
    const TextProcessingOptions all{true, true, true};
    EXPECT_EQ(ProcessSourceText("12. Timișoara – Noapte (Radio Edit)", all, Charset::Rds), "TIMI\x8C" "OARA - NOAPTE");
    EXPECT_EQ(ProcessSourceText("(07) kväll ŷ đ ß", all, Charset::Rds), "KV\xD1LL \xE4 \xDE \x8D");  // Ŷ, Đ are not in the table
    EXPECT_EQ(ProcessSourceText("Björk – Jóga", TextProcessingOptions{}, Charset::Rds), "Bj\x97rk - J\x86ga");
    // Positions count characters: three characters are too short for the bracket rule.
    EXPECT_EQ(ProcessSourceText("é(a)", all, Charset::Rds), "\xC2");
    EXPECT_EQ(ProcessSourceText("(é)", all, Charset::Rds), "(\xC2)");
    EXPECT_EQ(ProcessSourceText("1é", all, Charset::Rds), "1\xC2");
    // A line that is not UTF-8 is read as Latin-1.
    EXPECT_EQ(ProcessSourceText("Bj\xF6rk", all, Charset::Rds), "BJ\xD7RK");
    // Latin-1 is CharReplace on the bytes.
    for (const char* text : {"12. Caf\xE9 (Mix)", "Bj\xC3\xB6rk", "(07) \xFF\xDF"})
        EXPECT_EQ(ProcessSourceText(text, all, Charset::Latin1), CharReplace(text, all)) << text;
}

TEST(ProcessSourceText, UnicodeKeepsEveryLetterForTheEnhancedRadiotext)
{
    const TextProcessingOptions all{true, true, true};
    EXPECT_EQ(ProcessSourceTextUnicode("12. Timișoara – Noapte (Radio Edit)", all), "TIMIȘOARA – NOAPTE");
    EXPECT_EQ(ProcessSourceTextUnicode("(07) кино ŷ đ ß", all), "КИНО Ŷ Đ ß");
    EXPECT_EQ(ProcessSourceTextUnicode("01. Кино (Live)", TextProcessingOptions{}), "01. Кино (Live)");
    EXPECT_EQ(ProcessSourceTextUnicode("Bj\xF6rk", all), "BJÖRK");  // not UTF-8: Latin-1
}

TEST(CutSourceText, Utf8CountsCharacters)
{
    EXPECT_EQ(cutSourceTextUtf8("Žižkov – 100 €", 2, 2), "žkov – 100");
    EXPECT_EQ(cutSourceTextUtf8("Žižkov", 3, 3), "");
    EXPECT_EQ(cutSourceTextUtf8("Žižkov", -1, 0), "Žižkov");
}

} // namespace
} // namespace quorvan
