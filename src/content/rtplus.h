// RadioText Plus tags: where the artist and the title stand in the radiotext
// as it goes on air, so that a receiver can show them as fields.
//
// The tags come from a pattern ("%a - %t": %a the artist, %t the title, any
// other character literal, "%%" a percent sign) matched against the sent
// text after its prefix, or from a caller that knows them exactly. Positions
// and lengths count the encoder's bytes of the sent text. This file only
// computes tags and the bytes that hold them; it never writes to an encoder
// and never decides where they may be written (only the virtual encoder has
// registers for them).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvan {

struct TStationParams;

namespace rtplus {

// Content types (RDS Forum R06/040_1, annex A; IEC 62106-6).
inline constexpr int kDummy = 0;
inline constexpr int kItemTitle = 1;
inline constexpr int kItemArtist = 4;

inline constexpr int kMaxStart = 63;       // 6 bits
inline constexpr int kMaxLength1 = 64;     // 6 bits of length - 1
inline constexpr int kMaxLength2 = 32;     // 5 bits of length - 1

// One tag: a content type and a run of `length` characters from `start`.
// A dummy tag has type 0, start 0 and length 0.
struct Tag {
    int type = kDummy;
    int start = 0;
    int length = 0;
    bool operator==(const Tag&) const = default;
};

// The two tags of a radiotext. `running` says an item (a song) is on: with
// it off both tags are dummies.
struct Tags {
    bool running = false;
    Tag first;
    Tag second;
    bool operator==(const Tags&) const = default;
};

// A pattern's literal parts around its two fields.
struct Pattern {
    std::string before;      // ahead of the first field
    int firstType = kItemArtist;
    std::string between;     // not empty
    int secondType = kItemTitle;
    std::string after;
};
// A pattern holds %a and %t once each with a non-empty literal between them;
// nullopt otherwise.
std::optional<Pattern> ParsePattern(std::string_view pattern);

// The artist and the title in `sent` (the radiotext bytes as sent, padded or
// not) matched after `prefix` when the text begins with it. Fields are trimmed
// of blanks and must not be empty. The first field goes in the first tag
// unless the second is longer than the second tag can carry; a field that
// fits neither tag is left out. No match: running off, dummy tags.
Tags MatchTags(std::string_view sent, std::string_view prefix, std::string_view pattern);

// The text the pattern makes of an artist and a title, with its exact tags
// (both counted after `prefix`, which the text begins with). The text is cut
// to 64 bytes; a field cut short is tagged as far as it reaches. With
// `markCut` a text over 64 bytes is cut to 61 and ends in "...", as a source
// text is, and no tag reaches into the dots.
struct Composed {
    std::string text;
    Tags tags;
};
std::optional<Composed> ComposeText(std::string_view prefix, std::string_view pattern, std::string_view artist,
                                    std::string_view title, bool markCut = false);
// The radiotext of a title given with the artist before it: through the
// pattern as ComposeText makes it; without an artist (or a usable pattern)
// the title alone after the prefix, cut to 64 bytes and tagged as the item
// title as far as a tag reaches (untagged when the prefix leaves no room).
// `markCut` as for ComposeText, on either way.
Composed ComposeTitle(std::string_view prefix, std::string_view pattern, std::string_view artist,
                      std::string_view title, bool markCut = false);
// The text ComposeTitle lays out, whole: never cut and without tags, so that
// it serves texts of any length and of many bytes a character (the UTF-8 of
// the enhanced radiotext).
std::string ComposeTitleText(std::string_view prefix, std::string_view pattern, std::string_view artist,
                             std::string_view title);

// Tags a caller gives as six numbers (type, start, length twice): valid when
// each type is 0..63, a dummy is 0,0,0, and every other tag lies within the
// 64 characters with a length its field can hold. Two dummies: running off.
std::optional<Tags> ExplicitTags(const std::array<int, 6>& numbers);

// --- the registers that hold them ---------------------------------------------
// Seven bytes: control (bit 0 RT+ on, bit 1 item running), then type, start
// and length - 1 of the first and of the second tag.
using Registers = std::array<std::uint8_t, 7>;
inline constexpr std::uint8_t kControlOn = 0x01;
inline constexpr std::uint8_t kControlRunning = 0x02;

Registers EncodeRegisters(bool on, const Tags& tags);
// The tags the registers hold (lengths out of range are limited to the field).
Tags DecodeRegisters(const Registers& registers);
inline bool RegistersOn(const Registers& registers) { return (registers[0] & kControlOn) != 0; }

// The tags of `sent` for a station: off without RTPlus; the explicit tags
// while the radiotext is the one they were given for; else the pattern.
Tags TagsFor(const TStationParams& params, std::string_view sent);
Registers RegistersFor(const TStationParams& params, std::string_view sent);

// The characters a tag covers in `text` ("" for a dummy or one beyond the text).
std::string TagText(std::string_view text, const Tag& tag);

} // namespace rtplus
} // namespace quorvan
