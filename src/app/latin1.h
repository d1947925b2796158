// The one place where the window's characters meet the program's single-byte
// texts. Every text goes through Latin-1: byte n is character U+00nn and back;
// a character the byte set cannot hold becomes '?'.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace quorvan_app {

QString toQt(std::string_view bytes);
std::string toBytes(const QString& text);
// One typed character as a byte, when it is representable.
bool toByte(QChar c, char& out);
QChar toQChar(char byte);
// The system's decimal separator as a single byte ('.' when it is not one).
char DecimalSeparator();

} // namespace quorvan_app
