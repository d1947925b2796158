#include "cli/cli.h"

#include <cstdio>

namespace quorvan::cli {

std::string QuotedLine(const std::string& utf8)
{
    std::string out = "\"";
    for (const char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (b < 0x20 || b == 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            out += hex;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

} // namespace quorvan::cli
