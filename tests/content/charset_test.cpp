#include "content/charset.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace quorvan {
namespace {

struct TableRow {
    int code;
    char32_t ch;
    std::vector<char32_t> variants;
};

// The project's copy of the table, read as data, independently of the C++ table
// the build generates from it.
std::vector<TableRow> ReadTableFile()
{
    std::ifstream in(QUORVAN_RDS_TABLE_FILE);
    std::vector<TableRow> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> cols;
        std::stringstream ss(line);
        for (std::string col; std::getline(ss, col, '\t');) cols.push_back(col);
        TableRow row{std::stoi(cols.at(0), nullptr, 16),
                     static_cast<char32_t>(std::stoul(cols.at(1).substr(2), nullptr, 16)), {}};
        if (cols.size() > 3) {
            for (std::size_t at = cols[3].find("U+"); at != std::string::npos; at = cols[3].find("U+", at + 2))
                row.variants.push_back(static_cast<char32_t>(std::stoul(cols[3].substr(at + 2), nullptr, 16)));
        }
        rows.push_back(row);
    }
    return rows;
}

std::string Byte(int code) { return std::string(1, static_cast<char>(code)); }

TEST(RdsTable, EveryCodeOfTheDataFileRoundTripsAndEveryVariantMapsToItsCode)
{
    const std::vector<TableRow> rows = ReadTableFile();
    ASSERT_EQ(rows.size(), 226u);
    EXPECT_EQ(RdsAssignedCodes(), 226u);
    std::vector<bool> assigned(256, false);
    int variants = 0;
    for (const TableRow& row : rows) {
        assigned[row.code] = true;
        const std::string utf8 = CharsToUtf8(std::u32string(1, row.ch));
        EXPECT_EQ(DecodeText(Byte(row.code), Charset::Rds), utf8) << std::hex << row.code;
        EXPECT_EQ(EncodeText(utf8, Charset::Rds), Byte(row.code)) << std::hex << row.code;
        EXPECT_TRUE(CanEncode(row.ch, Charset::Rds));
        for (char32_t v : row.variants) {
            ++variants;
            EXPECT_EQ(EncodeText(CharsToUtf8(std::u32string(1, v)), Charset::Rds), Byte(row.code))
                << std::hex << row.code << " variant " << static_cast<unsigned>(v);
            EXPECT_TRUE(CanEncode(v, Charset::Rds));
            // A variant reads back as the code's own character.
            EXPECT_EQ(RdsChar(static_cast<std::uint8_t>(row.code)), row.ch);
        }
    }
    EXPECT_EQ(variants, 6);
    // Unassigned codes read as a space and have no character.
    for (int code = 0; code < 256; ++code) {
        if (assigned[code]) continue;
        EXPECT_FALSE(RdsChar(static_cast<std::uint8_t>(code)).has_value()) << code;
        EXPECT_EQ(DecodeText(Byte(code), Charset::Rds), " ") << code;
    }
}

TEST(RdsTable, CodesWhereTheTableDiffersFromLatin1)
{
    // Spot checks against EN 50067:1998 Annex E, so a damaged data file is noticed.
    EXPECT_EQ(EncodeText("KVÄLL", Charset::Rds), "KV\xD1LL");
    EXPECT_EQ(EncodeText("Kväll é", Charset::Rds), "Kv\x91ll \x82");
    EXPECT_EQ(EncodeText("Žižkov 100 €", Charset::Rds), "\xCDi\xDDkov 100 \xA9");
    EXPECT_EQ(EncodeText("$ ¤ ß", Charset::Rds), "\xAB \x24 \x8D");
    EXPECT_EQ(DecodeText("\x24\xAB\x5E\x60\x7E", Charset::Rds), "¤$―‖‾");
    // Characters the table lacks and nothing stands for.
    EXPECT_EQ(EncodeText("^~Ω\t", Charset::Rds), "????");
}

TEST(Charset, Latin1IsTheCodePointByte)
{
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    EXPECT_EQ(EncodeText(DecodeText(all, Charset::Latin1), Charset::Latin1), all);
    EXPECT_EQ(EncodeText("Kväll", Charset::Latin1), "Kv\xE4ll");
    EXPECT_EQ(EncodeText("Žižkov – 100 €", Charset::Latin1), "?i?kov ? 100 ?");
    // Decomposed input is composed first.
    EXPECT_EQ(EncodeText("Bjo\xCC\x88rk", Charset::Latin1), "Bj\xF6rk");
    EXPECT_EQ(EncodeText("a\xFF" "b", Charset::Latin1), "a?b");  // not UTF-8
    EXPECT_TRUE(CanEncode(U'ÿ', Charset::Latin1));
    EXPECT_FALSE(CanEncode(U'€', Charset::Latin1));
}

TEST(Charset, RdsTransliteratesWhatTheTableLacks)
{
    // The source line: dash and ellipsis become ASCII.
    EXPECT_EQ(EncodeText("Björk – Jóga (Live) …", Charset::Rds), "Bj\x97rk - J\x86ga (Live) ...");
    EXPECT_EQ(EncodeText("‘a’ “b” „c“ «d» a—b a‑b 1−2", Charset::Rds), "'a' \"b\" \"c\" \"d\" a-b a-b 1-2");
    EXPECT_EQ(EncodeText("a\u00A0b\u2009c\u3000d", Charset::Rds), "a b c d");
    // Diacritics outside the table are dropped; the table's own letters stay.
    EXPECT_EQ(EncodeText("Timișoara", Charset::Rds), "Timi\x9Coara");  // the cedilla form, see below
    EXPECT_EQ(EncodeText("Łódź", Charset::Rds), "?\x86" "d\xFD");  // Ł has no decomposition
    EXPECT_EQ(EncodeText("ǘ Ắ ệ", Charset::Rds), "\x99 A e");   // only the missing marks go
    EXPECT_EQ(EncodeText("s\xCC\xA6 q\xCC\x81 o\xCC\x88", Charset::Rds), "\x9C q \x97");  // decomposed input
    EXPECT_EQ(EncodeText("ﬁ Ａ", Charset::Rds), "fi A");
    // Invisible format characters vanish; an invalid byte or a lone surrogate form is "?".
    EXPECT_EQ(EncodeText("a\u200Bb\uFEFFc", Charset::Rds), "abc");
    EXPECT_EQ(EncodeText("a\xC3(\xED\xA0\x80", Charset::Rds), "a?(???");
    // The soft hyphen is the table's word break; control codes keep their codes.
    EXPECT_EQ(EncodeText("Wort\u00ADbruch\r\n", Charset::Rds), "Wort\x1F" "bruch\r\n");
    EXPECT_FALSE(CanEncode(U'…', Charset::Rds));
    EXPECT_FALSE(CanEncode(U'ș', Charset::Rds));
}

// Letters the table has in a near-identical form: the Romanian comma-below
// letters as their cedilla forms (t has none in the table: plain t), the
// Croatian Đ as the capital eth, the Greek mu as the micro sign.
TEST(Charset, NearIdenticalLettersTakeTheTablesForm)
{
    EXPECT_EQ(EncodeText("ș Ș ț Ț", Charset::Rds), "\x9C \x8C t T");
    EXPECT_EQ(EncodeText("ş Ş ţ Ţ", Charset::Rds), "\x9C \x8C t T");
    EXPECT_EQ(EncodeText("Đakovo đak 5 μs µ", Charset::Rds), "\xCE" "akovo \xDE" "ak 5 \xB8s \xB8");
    EXPECT_EQ(DecodeText(EncodeText("Timișoara Țară", Charset::Rds), Charset::Rds), "Timişoara Tara");
    // Latin-1 has neither form of these.
    EXPECT_EQ(EncodeText("ș Đ", Charset::Latin1), "? ?");
}

// What a text field takes: the transliteration, without the characters
// that have none.
TEST(Charset, KnownTextLeavesOutWhatHasNoTransliteration)
{
    EXPECT_EQ(EncodeKnownText("Ä Ž € “Quotes” Timișoara — end…", Charset::Rds),
              "\xD1 \xCD \xA9 \"Quotes\" Timi\x9Coara - end...");
    EXPECT_EQ(EncodeKnownText("a^b~cŁd?", Charset::Rds), "abcd?");
    EXPECT_EQ(EncodeKnownText("ÿ€Ł", Charset::Latin1), "\xFF");
}

TEST(Charset, ExternalTextIsUtf8WhenValidOtherwiseLatin1)
{
    EXPECT_EQ(ExternalTextToUtf8("Bj\xC3\xB6rk"), "Björk");
    EXPECT_EQ(ExternalTextToUtf8("\xEF\xBB\xBF" "Bj\xC3\xB6rk"), "Björk");
    // Not UTF-8: Latin-1, with the typographic characters Windows writes in 0x80-0x9F.
    EXPECT_EQ(ExternalTextToUtf8("Bj\xF6rk \x96 J\xF3ga \x85\x80\x93\x94\x81"), "Björk – Jóga …€“”\u0081");
    EXPECT_EQ(ExternalTextToUtf8(""), "");
    // Overlong forms, surrogates, values above U+10FFFF and cut sequences are not UTF-8.
    for (const char* bad : {"\xC0\xAF", "\xE0\x80\xAF", "\xF0\x80\x80\x80", "\xF0\x8F\xBF\xBF", "\xED\xA0\x80",
                            "\xF4\x90\x80\x80", "\xE2\x82"}) {
        EXPECT_FALSE(IsValidUtf8(bad)) << bad;
        const std::u32string read = Utf8ToChars(ExternalTextToUtf8(bad));
        EXPECT_EQ(read.size(), std::string_view(bad).size()) << bad;  // one character per byte
        EXPECT_EQ(read[0], static_cast<unsigned char>(bad[0])) << bad;
    }
    EXPECT_TRUE(IsValidUtf8("\xF4\x8F\xBF\xBF \xED\x9F\xBF"));
    // The same words, written by UTF-8 and by Latin-1 software, give the same codes.
    EXPECT_EQ(EncodeText(ExternalTextToUtf8("Bj\xC3\xB6rk J\xC3\xB3ga"), Charset::Rds),
              EncodeText(ExternalTextToUtf8("Bj\xF6rk J\xF3ga"), Charset::Rds));
}

TEST(Charset, Utf8HelpersCountAndRebuildCharacters)
{
    EXPECT_EQ(Utf8Length("Žižkov – 100 €"), 14u);
    EXPECT_EQ(Utf8Length("a\xFF" "b"), 3u);
    EXPECT_EQ(Utf8ToChars("a\xFF€"), std::u32string(U"a\uFFFD€"));
    EXPECT_EQ(CharsToUtf8(U"Ž\U0001F600"), "Ž\U0001F600");
    EXPECT_EQ(CharsToUtf8(std::u32string{0xD800, 0x110000}), "\uFFFD\uFFFD");
}

TEST(Charset, CapitalsOnlyWhereTheCharsetHasThem)
{
    EXPECT_EQ(UpperInCharset(U'ä', Charset::Rds), U'Ä');
    EXPECT_EQ(UpperInCharset(U'ž', Charset::Rds), U'Ž');
    EXPECT_EQ(UpperInCharset(U'ŷ', Charset::Rds), U'ŷ');  // Ŷ is not in the table
    EXPECT_EQ(UpperInCharset(U'α', Charset::Rds), U'α');
    EXPECT_EQ(UpperInCharset(U'ı', Charset::Rds), U'I');
    EXPECT_EQ(UpperInCharset(U'ÿ', Charset::Latin1), U'ÿ');  // Ÿ is not Latin-1
    EXPECT_EQ(UpperInCharset(U'é', Charset::Latin1), U'É');
    EXPECT_EQ(UpperInCharset(U'1', Charset::Rds), U'1');
}

} // namespace
} // namespace quorvan
