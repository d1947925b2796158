#include "settings/value_codec.h"

#include "settings/ini_file.h"

namespace quorvan {

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::optional<std::int32_t> parseInteger(std::string_view t)
{
    std::size_t prefix = 0;
    if (!t.empty() && t[0] == '$')
        prefix = 1;
    else if (t.size() >= 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X'))
        prefix = 2;
    if (prefix > 0) {
        std::string_view digits = t.substr(prefix);
        if (digits.empty())
            return std::nullopt;
        std::uint64_t v = 0;
        for (char c : digits) {
            int d = hexDigit(c);
            if (d < 0)
                return std::nullopt;
            v = v * 16 + static_cast<unsigned>(d);
            if (v > 0xFFFFFFFFu)
                return std::nullopt;
        }
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
    }

    bool negative = false;
    std::size_t i = 0;
    if (!t.empty() && (t[0] == '-' || t[0] == '+')) {
        negative = t[0] == '-';
        i = 1;
    }
    if (i == t.size())
        return std::nullopt;
    std::int64_t v = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9')
            return std::nullopt;
        v = v * 10 + (t[i] - '0');
        if (v > 2147483648LL)
            return std::nullopt;
    }
    if (negative)
        v = -v;
    if (v > 2147483647LL)
        return std::nullopt;
    return static_cast<std::int32_t>(v);
}

std::int32_t readInteger(const std::optional<std::string>& raw, std::int32_t fallback)
{
    if (!raw)
        return fallback;
    return parseInteger(*raw).value_or(fallback);
}

bool readBoolean(const std::optional<std::string>& raw, bool fallback)
{
    if (!raw)
        return fallback;
    std::optional<std::int32_t> v = parseInteger(*raw);
    return v ? *v != 0 : fallback;
}

std::string readText(const std::optional<std::string>& raw, const std::string& fallback)
{
    return raw ? *raw : fallback;
}

std::string readQuotedText(const std::optional<std::string>& raw, const std::string& fallback)
{
    if (!raw)
        return fallback;
    const std::string& v = *raw;
    if (v.size() < 2 || v.front() != '"' || v.back() != '"')
        return v;
    std::string out;
    out.reserve(v.size() - 2);
    for (std::size_t i = 1; i + 1 < v.size(); ++i) {
        out += v[i];
        if (v[i] == '"' && i + 2 < v.size() && v[i + 1] == '"')
            ++i;
    }
    return out;
}

std::string writeInteger(std::int32_t value)
{
    return std::to_string(value);
}

std::string writeBoolean(bool value)
{
    return value ? "1" : "0";
}

std::string writeText(std::string_view value)
{
    return std::string(value);
}

std::string writeQuotedText(std::string_view value)
{
    std::string out = "\"";
    for (char c : value) {
        out += c;
        if (c == '"')
            out += '"';
    }
    out += '"';
    return out;
}

std::string writeTextQuotedWhenNeeded(std::string_view value)
{
    const bool blankAtAnEnd = trimBlanks(value).size() != value.size();
    const bool looksQuoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
    if (blankAtAnEnd || looksQuoted)
        return writeQuotedText(value);
    return writeText(value);
}

} // namespace quorvan
