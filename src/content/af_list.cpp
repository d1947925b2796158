#include "content/af_list.h"

namespace quorvan {

namespace {

constexpr int kTenthsMin = 876;   // 87.6 MHz
constexpr int kTenthsMax = 1079;  // 107.9 MHz

bool isDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

std::optional<int> AFCode(std::string_view text, char decimalSeparator)
{
    if (text.size() < 2 || text.size() > kAFEntryMaxLength) return std::nullopt;

    std::string t(text);
    // The first '.' counts as the decimal separator.
    if (const auto dot = t.find('.'); dot != std::string::npos) t[dot] = decimalSeparator;

    int separators = 0;
    std::size_t separatorAt = 0;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i] == decimalSeparator && !isDigit(t[i])) {
            ++separators;
            separatorAt = i;
        } else if (!isDigit(t[i])) {
            t[i] = '0';  // a stray character stands for a digit
        }
    }
    if (separators > 1) return std::nullopt;
    if (separators == 1 && separatorAt + 2 != t.size()) return std::nullopt;

    // Read as tenths of a MHz. With at most 5 characters this cannot overflow.
    int tenths = 0;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (separators == 1 && i == separatorAt) continue;
        tenths = tenths * 10 + (t[i] - '0');
    }
    if (separators == 0) tenths *= 10;

    if (tenths < kTenthsMin || tenths > kTenthsMax) return std::nullopt;
    return tenths - 875;
}

std::optional<int> StrictAFCode(std::string_view text)
{
    const std::size_t dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    if (whole.empty() || (dot != std::string_view::npos && dot + 2 != text.size())) return std::nullopt;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (i != dot && !isDigit(text[i])) return std::nullopt;
    return AFCode(text);
}

AFList MakeAFList(std::array<std::string, kAFRows>& rows, char decimalSeparator)
{
    AFList list;
    std::array<std::string, kAFRows> closed{};
    for (auto& row : rows) {
        if (const auto code = AFCode(row, decimalSeparator)) {
            const auto at = static_cast<std::size_t>(list.count);
            list.codes[at] = static_cast<std::uint8_t>(*code);
            closed[at] = std::move(row);
            ++list.count;
        }
    }
    rows = std::move(closed);
    return list;
}

std::string AFFrequencyText(int code, char decimalSeparator)
{
    if (code < kAFCodeMin || code > kAFCodeMax) return {};
    const int tenths = code + 875;
    return std::to_string(tenths / 10) + decimalSeparator + static_cast<char>('0' + tenths % 10);
}

std::vector<std::string> AFFrequencyItems(char decimalSeparator)
{
    std::vector<std::string> items;
    items.reserve(kAFCodeMax);
    for (int code = kAFCodeMin; code <= kAFCodeMax; ++code)
        items.push_back(AFFrequencyText(code, decimalSeparator));
    return items;
}

bool AFStartsEntry(char key, char decimalSeparator)
{
    return isDigit(key) || key == '.' || key == decimalSeparator;
}

int AFNextRow(int row)
{
    if (row < 0 || row >= kAFRows - 1) return 0;
    return row + 1;
}

AFEditor::AFEditor(std::array<std::string, kAFRows>& rows, char decimalSeparator)
    : rows_(&rows), separator_(decimalSeparator)
{
    SelectRow(0);
}

void AFEditor::SelectRow(int row)
{
    row_ = row < 0 ? 0 : (row >= kAFRows ? kAFRows - 1 : row);
    entry_ = (*rows_)[static_cast<std::size_t>(row_)];
}

bool AFEditor::KeyInList(char key)
{
    if (!AFStartsEntry(key, separator_)) return false;
    entryFocus_ = true;
    entry_.assign(1, key);
    return true;
}

void AFEditor::SetEntryText(const std::string& text)
{
    entry_ = text;
    (*rows_)[static_cast<std::size_t>(row_)] = text;
}

bool AFEditor::KeyInEntry(char key)
{
    if (key != '\r' && key != '\n') return false;
    entryFocus_ = false;
    SelectRow(AFNextRow(row_));
    return true;
}

void AFEditor::SGAFDeleteKeyUp()
{
    entry_.clear();
    (*rows_)[static_cast<std::size_t>(row_)].clear();
}

} // namespace quorvan
