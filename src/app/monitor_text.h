// Encoder bytes as the monitor of the virtual encoder shows them.
#pragma once

#include <QString>

#include <string_view>

namespace quorvan_app {

// Encoder bytes as receivers show them, through the RDS table whatever the
// station's character set, control and unassigned codes as a middle dot.
QString MonitorShown(std::string_view bytes);
// A text with its exact extent visible (trailing spaces count).
QString MonitorQuoted(std::string_view bytes);
// A UTF-8 text (Long PS, eRT) in its own letters, control codes as a middle dot.
QString MonitorUtf8(std::string_view bytes);
// Two upper-case hexadecimal digits.
QString MonitorHex2(int value);

} // namespace quorvan_app
