// The one place where the window's characters meet the program's single-byte
// texts. The station's texts (PS, radiotexts, dynamic PS, prefixes, fill
// character) are the encoder's bytes in the station's character set and go
// through the core's codec (textToQt/textToBytes). Every other text goes
// through Latin-1: byte n is character U+00nn and back; a character the byte
// set cannot hold becomes '?'.
#pragma once

#include "content/charset.h"

#include <QString>

#include <string>
#include <string_view>

namespace quorvan_app {

// Station texts: encoder bytes in `cs` <-> the window's characters.
QString textToQt(std::string_view bytes, quorvan::Charset cs);
std::string textToBytes(const QString& text, quorvan::Charset cs);
// What a station text field of `cs` takes of a typed or pasted text: each
// character as the encoder will get it (transliterated where the set lacks
// it); a character with no transliteration at all is left out.
QString fieldText(const QString& text, quorvan::Charset cs);
// A text as it reads after going to the encoder in `cs` and back.
QString textInCharset(const QString& text, quorvan::Charset cs);

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
