#include "app/latin1.h"

#include <QFile>
#include <QLocale>

namespace quorvan_app {

QString textToQt(std::string_view bytes, quorvan::Charset cs)
{
    return QString::fromStdString(quorvan::DecodeText(bytes, cs));
}

std::string textToBytes(const QString& text, quorvan::Charset cs)
{
    return quorvan::EncodeText(text.toStdString(), cs);
}

QString fieldText(const QString& text, quorvan::Charset cs)
{
    return textToQt(quorvan::EncodeKnownText(text.toStdString(), cs), cs);
}

QString textInCharset(const QString& text, quorvan::Charset cs)
{
    return textToQt(textToBytes(text, cs), cs);
}

QString toQt(std::string_view bytes)
{
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

std::string toBytes(const QString& text)
{
    const QByteArray b = text.toLatin1();
    return std::string(b.constData(), size_t(b.size()));
}

bool toByte(QChar c, char& out)
{
    if (c.unicode() > 0xFF)
        return false;
    out = static_cast<char>(static_cast<unsigned char>(c.unicode()));
    return true;
}

QChar toQChar(char byte)
{
    return QChar(static_cast<unsigned char>(byte));
}

std::string FileNameBytes(const QString& path)
{
    const QByteArray b = QFile::encodeName(path);
    return std::string(b.constData(), size_t(b.size()));
}

QString FileNameText(const QString& path)
{
    return toQt(FileNameBytes(path));
}

QString DecodedFileName(std::string_view bytes)
{
    return QFile::decodeName(QByteArray(bytes.data(), qsizetype(bytes.size())));
}

char DecimalSeparator()
{
    const QString sep = QLocale().decimalPoint();
    char c = '.';
    if (sep.size() == 1 && toByte(sep.at(0), c))
        return c;
    return '.';
}

} // namespace quorvan_app
