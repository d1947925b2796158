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
// File names are bytes too, in the file system's encoding (UTF-8 here).
// FileNameBytes gives those bytes; FileNameText the field text whose
// Latin-1 bytes are those bytes, so that a chosen file keeps its name
// through the field, the settings file and the search, whatever its letters.
std::string FileNameBytes(const QString& path);
QString FileNameText(const QString& path);
// Bytes in the file system's encoding shown as characters (messages, paths).
QString DecodedFileName(std::string_view bytes);
// The system's decimal separator as a single byte ('.' when it is not one).
char DecimalSeparator();

} // namespace quorvan_app
