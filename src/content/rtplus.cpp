#include "content/rtplus.h"

#include "content/radiotext.h"
#include "content/station_params.h"

#include <algorithm>

namespace quorvan::rtplus {

namespace {

bool Blank(char c) { return c == ' ' || c == '\r' || c == '\0'; }

// [begin, end) without blanks at either end.
void Trim(std::string_view text, std::size_t& begin, std::size_t& end)
{
    while (begin < end && Blank(text[begin]))
        ++begin;
    while (end > begin && Blank(text[end - 1]))
        --end;
}

// The two tags for fields at [s1, s1 + l1) and [s2, s2 + l2): the first in
// the first tag unless the second needs the longer field.
Tags Place(Tag a, Tag b)
{
    auto fits1 = [](const Tag& t) { return t.length >= 1 && t.length <= kMaxLength1 && t.start <= kMaxStart; };
    auto fits2 = [](const Tag& t) { return t.length >= 1 && t.length <= kMaxLength2 && t.start <= kMaxStart; };
    Tags tags;
    if (fits1(a) && fits2(b))
        tags = {true, a, b};
    else if (fits1(b) && fits2(a))
        tags = {true, b, a};
    else if (fits1(a))
        tags = {true, a, Tag{}};
    else if (fits1(b))
        tags = {true, b, Tag{}};
    return tags;
}

} // namespace

std::optional<Pattern> ParsePattern(std::string_view pattern)
{
    std::string parts[3];
    int types[2] = {};
    int fields = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') {
            parts[fields] += pattern[i];
            continue;
        }
        if (++i == pattern.size())
            return std::nullopt;
        const char c = pattern[i];
        if (c == '%') {
            parts[fields] += '%';
        } else if ((c == 'a' || c == 't') && fields < 2) {
            types[fields++] = c == 'a' ? kItemArtist : kItemTitle;
        } else {
            return std::nullopt;
        }
    }
    if (fields != 2 || types[0] == types[1] || parts[1].empty())
        return std::nullopt;
    return Pattern{parts[0], types[0], parts[1], types[1], parts[2]};
}

Tags MatchTags(std::string_view sent, std::string_view prefix, std::string_view patternText)
{
    const std::optional<Pattern> pattern = ParsePattern(patternText);
    if (!pattern)
        return {};
    std::string_view text = sent.substr(0, std::min(sent.size(), kRadiotextLength));
    if (const std::size_t cr = text.find('\r'); cr != std::string_view::npos)
        text = text.substr(0, cr);
    std::size_t from = 0;
    if (!prefix.empty() && text.substr(0, prefix.size()) == prefix)
        from = prefix.size();
    std::size_t begin1 = from;
    if (!pattern->before.empty()) {
        const std::size_t at = text.find(pattern->before, from);
        if (at == std::string_view::npos)
            return {};
        begin1 = at + pattern->before.size();
    }
    const std::size_t mid = text.find(pattern->between, begin1);
    if (mid == std::string_view::npos)
        return {};
    std::size_t end1 = mid;
    std::size_t begin2 = mid + pattern->between.size();
    std::size_t end2 = text.size();
    if (!pattern->after.empty()) {
        end2 = text.find(pattern->after, begin2);
        if (end2 == std::string_view::npos)
            return {};
    }
    Trim(text, begin1, end1);
    Trim(text, begin2, end2);
    if (end1 == begin1 || end2 == begin2)
        return {};
    return Place(Tag{pattern->firstType, int(begin1), int(end1 - begin1)},
                 Tag{pattern->secondType, int(begin2), int(end2 - begin2)});
}

std::optional<Composed> ComposeText(std::string_view prefix, std::string_view patternText, std::string_view artist,
                                    std::string_view title, bool markCut)
{
    const std::optional<Pattern> pattern = ParsePattern(patternText);
    if (!pattern || artist.empty() || title.empty())
        return std::nullopt;
    Composed out;
    out.text = std::string(prefix) + pattern->before;
    Tag tags[2];
    const std::string_view fields[2] = {pattern->firstType == kItemArtist ? artist : title,
                                        pattern->firstType == kItemArtist ? title : artist};
    const int types[2] = {pattern->firstType, pattern->secondType};
    for (int i = 0; i < 2; ++i) {
        tags[i] = Tag{types[i], int(out.text.size()), int(fields[i].size())};
        out.text += fields[i];
        out.text += i == 0 ? pattern->between : pattern->after;
    }
    std::size_t tagged = out.text.size();
    if (out.text.size() > kRadiotextLength) {
        tagged = markCut ? kRadiotextLength - 3 : kRadiotextLength;
        out.text.resize(tagged);
        if (markCut)
            out.text += "...";
    }
    const int size = int(tagged);
    for (Tag& t : tags)
        t.length = std::clamp(size - t.start, 0, t.length);
    out.tags = Place(tags[0], tags[1]);
    return out;
}

Composed ComposeTitle(std::string_view prefix, std::string_view pattern, std::string_view artist,
                      std::string_view title, bool markCut)
{
    if (!artist.empty())
        if (std::optional<Composed> composed = ComposeText(prefix, pattern, artist, title, markCut))
            return *composed;
    Composed composed{std::string(prefix) + std::string(title), {}};
    std::size_t tagged = composed.text.size();
    if (composed.text.size() > kRadiotextLength) {
        tagged = markCut ? kRadiotextLength - 3 : kRadiotextLength;
        composed.text.resize(tagged);
        if (markCut)
            composed.text += "...";
    }
    const int start = static_cast<int>(prefix.size());
    const int length = std::min(static_cast<int>(tagged) - start, kMaxLength1);
    if (start <= kMaxStart && length > 0)
        composed.tags = {true, {kItemTitle, start, length}, {}};
    return composed;
}

std::string ComposeTitleText(std::string_view prefix, std::string_view patternText, std::string_view artist,
                             std::string_view title)
{
    const std::optional<Pattern> pattern = ParsePattern(patternText);
    std::string out(prefix);
    if (!pattern || artist.empty() || title.empty())
        return out += title;
    const bool artistFirst = pattern->firstType == kItemArtist;
    out += pattern->before;
    out += artistFirst ? artist : title;
    out += pattern->between;
    out += artistFirst ? title : artist;
    return out += pattern->after;
}

std::optional<Tags> ExplicitTags(const std::array<int, 6>& n)
{
    Tag tags[2] = {{n[0], n[1], n[2]}, {n[3], n[4], n[5]}};
    const int maxLength[2] = {kMaxLength1, kMaxLength2};
    for (int i = 0; i < 2; ++i) {
        const Tag& t = tags[i];
        if (t.type < 0 || t.type > 63)
            return std::nullopt;
        if (t.type == kDummy) {
            if (t.start != 0 || t.length != 0)
                return std::nullopt;
            continue;
        }
        if (t.start < 0 || t.start > kMaxStart || t.length < 1 || t.length > maxLength[i] ||
            t.start + t.length > int(kRadiotextLength))
            return std::nullopt;
    }
    Tags out{tags[0].type != kDummy || tags[1].type != kDummy, tags[0], tags[1]};
    return out;
}

Registers EncodeRegisters(bool on, const Tags& tags)
{
    Registers r{};
    if (!on)
        return r;
    r[0] = kControlOn;
    if (!tags.running)
        return r;
    r[0] |= kControlRunning;
    const Tag* t[2] = {&tags.first, &tags.second};
    for (int i = 0; i < 2; ++i) {
        r[1 + 3 * i] = static_cast<std::uint8_t>(t[i]->type & 0x3F);
        r[2 + 3 * i] = static_cast<std::uint8_t>(t[i]->start & 0x3F);
        r[3 + 3 * i] = static_cast<std::uint8_t>(t[i]->length > 0 ? (t[i]->length - 1) & 0x3F : 0);
    }
    return r;
}

Tags DecodeRegisters(const Registers& r)
{
    Tags tags;
    tags.running = (r[0] & kControlRunning) != 0;
    if (!tags.running)
        return tags;
    tags.first = {r[1] & 0x3F, r[2] & 0x3F, (r[3] & 0x3F) + 1};
    tags.second = {r[4] & 0x3F, r[5] & 0x3F, (r[6] & 0x1F) + 1};
    for (Tag* t : {&tags.first, &tags.second})
        if (t->type == kDummy)
            *t = Tag{};
    return tags;
}

Tags TagsFor(const TStationParams& params, std::string_view sent)
{
    if (!params.radiotext.RTPlus)
        return {};
    const std::string_view text = sent.substr(0, std::min(sent.size(), kRadiotextLength));
    if (params.radiotext.RTPlusExplicitSet && RadiotextBytes(params.radiotext.RTPlusExplicitText) == RadiotextBytes(text)) {
        if (const std::optional<Tags> tags = ExplicitTags(params.radiotext.RTPlusExplicit))
            return *tags;
    }
    return MatchTags(text, params.textSources.ER1PR, params.radiotext.RTPlusPattern);
}

Registers RegistersFor(const TStationParams& params, std::string_view sent)
{
    return EncodeRegisters(params.radiotext.RTPlus, TagsFor(params, sent));
}

std::string TagText(std::string_view text, const Tag& tag)
{
    if (tag.type == kDummy || tag.length <= 0 || std::size_t(tag.start) >= text.size())
        return {};
    return std::string(text.substr(std::size_t(tag.start), std::size_t(tag.length)));
}

} // namespace quorvan::rtplus
