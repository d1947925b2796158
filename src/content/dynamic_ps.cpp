#include "content/dynamic_ps.h"

#include <algorithm>

namespace quorvan {

namespace {

// 1-based character access on a std::string, as the label arithmetic counts.
char at(const std::string& s, std::size_t pos) { return s[pos - 1]; }

// Word alignment of label i: no label starts with a space (except a
// one-character rest at the very end), and a word of up to 6 characters split
// by the label boundary moves whole into the next label.
void alignLabel(std::string& s, std::size_t i)
{
    const std::size_t first = 8 * i - 7;
    const std::size_t last = 8 * i;

    if (s.size() > first) {
        // Delete leading spaces while at least one character follows them.
        std::size_t run = 0;
        while (first + run <= s.size() && at(s, first + run) == ' ') ++run;
        const std::size_t deletions = std::min(run, s.size() - first);
        s.erase(first - 1, deletions);
    }

    for (int attempt = 0; attempt < 6; ++attempt) {
        if (s.size() < last + 1) break;
        const auto labelBegin = s.begin() + static_cast<std::ptrdiff_t>(first - 1);
        const auto labelEnd = s.begin() + static_cast<std::ptrdiff_t>(last);
        if (std::find(labelBegin, labelEnd, ' ') == labelEnd) break;
        if (at(s, last) == ' ' || at(s, last + 1) == ' ') break;
        // The label holds a space and its last character is not one, so a
        // space lies somewhere in first .. last-1.
        std::size_t pos = last - 1;
        while (pos > first && at(s, pos) != ' ') --pos;
        if (at(s, pos) != ' ') break;
        s.insert(pos - 1, 1, ' ');
    }
}

void centre(std::string& s)
{
    if (s.size() % 8 != 0) s.append(8 - s.size() % 8, ' ');
    const std::size_t length = s.size();
    for (std::size_t i = 1; i <= kDPS1Rows && 8 * i <= length; ++i) {
        if (length > kDPSMaxLength && i == kDPS1Rows) break;
        const std::size_t first = 8 * i - 7;
        const std::size_t last = 8 * i;
        for (std::size_t j = 1; j <= 3; ++j) {
            bool trailingSpaces = true;
            for (std::size_t k = 0; k <= j; ++k)
                if (at(s, last - k) != ' ') trailingSpaces = false;
            if (!trailingSpaces) continue;
            s.erase(last - 1, 1);
            s.insert(first - 1, 1, ' ');
        }
    }
}

void fill(std::string& s, char with)
{
    const std::size_t length = s.size();
    for (std::size_t i = 1; i <= kDPS1Rows && 8 * i <= length; ++i) {
        const std::size_t first = 8 * i - 7;
        const std::size_t last = 8 * i;
        for (std::size_t k = 0; k < 3 && s[first - 1 + k] == ' '; ++k) s[first - 1 + k] = with;
        for (std::size_t k = 0; k < 7 && s[last - 1 - k] == ' '; ++k) s[last - 1 - k] = with;
    }
}

} // namespace

std::string DynamicPSText(TStationParams& params)
{
    std::string text;
    if (params.dynamicPs.RGDPS1M != 0) {
        text = params.dynamicPs.DPS1B;
    } else {
        std::size_t used = 0;
        for (std::size_t r = 0; r < params.dynamicPs.DPS1.size(); ++r)
            if (!params.dynamicPs.DPS1[r].empty()) used = r + 1;
        for (std::size_t r = 0; r < used; ++r) {
            std::string& row = params.dynamicPs.DPS1[r];
            if (row.size() > kDPSLabelLength) row.resize(kDPSLabelLength);
            text += row;
            text.append(kDPSLabelLength - row.size(), ' ');
        }
    }
    if (text.size() > kDPSMaxLength) text.resize(kDPSMaxLength);
    return text;
}

DPS1KeyResult KeyInDpsRow(char key, int row, std::string_view rowText)
{
    if (row < 0 || row >= kDPS1Rows) row = 0;
    if (key == '\r' || key == '\n') return {false, (row + 1) % kDPS1Rows};
    if (key == '\b') return {true, row};
    return {rowText.size() < kDPSLabelLength, row};
}

DPSJustifyOptions DPSJustifyOptionsOf(const TStationParams& params)
{
    DPSJustifyOptions options;
    switch (params.textSources.justification) {
    case Justification::Center:
        options.justification = DPSJustification::Center;
        break;
    case Justification::Left:
        options.justification = DPSJustification::Left;
        break;
    case Justification::None:
    case Justification::Unset:
        options.justification = DPSJustification::None;
        break;
    }
    if (params.textSources.fill == Fill::Custom && !params.textSources.ECUSCH.empty()) options.fill = params.textSources.ECUSCH.front();
    return options;
}

std::string DPSJustify(std::string_view text, const DPSJustifyOptions& options)
{
    std::string s(text);
    const bool align = options.justification != DPSJustification::None;
    if (align)
        for (std::size_t i = 1; i <= kDPS1Rows; ++i) alignLabel(s, i);
    if (options.justification == DPSJustification::Center) centre(s);
    if (options.fill) fill(s, *options.fill);
    if (s.size() > kDPSMaxLength) {
        s.resize(kDPSMaxLength - 3);
        s += "...";
    }
    return s;
}

std::array<std::string, kDPS1Rows> DPSRowsFromText(std::string_view text)
{
    std::array<std::string, kDPS1Rows> rows{};
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const std::size_t from = r * kDPSLabelLength;
        if (from < text.size()) rows[r] = std::string(text.substr(from, kDPSLabelLength));
    }
    return rows;
}

void SetDynamicPSFromFile(TStationParams& params, std::string_view text)
{
    params.dynamicPs.DPS1B = std::string(text);
    params.dynamicPs.DPS1 = DPSRowsFromText(DPSJustify(text, DPSJustifyOptionsOf(params)));
}

DPSEnabledState DpsFieldsForMode(int mode)
{
    return mode == 0 ? DPSEnabledState{true, false} : DPSEnabledState{false, true};
}

DPSEnabledState DpsFieldsForSource(bool DPS1EN, bool CBD1FF)
{
    const bool enabled = !(DPS1EN && CBD1FF);
    return {enabled, enabled};
}

} // namespace quorvan
