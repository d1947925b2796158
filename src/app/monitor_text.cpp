#include "app/monitor_text.h"

#include "app/latin1.h"
#include "content/charset.h"

namespace quorvan_app {

QString MonitorShown(std::string_view bytes)
{
    QString s;
    for (char b : bytes) {
        const auto c = quorvan::RdsChar(static_cast<std::uint8_t>(b));
        s += c && *c >= 0x20 ? textToQt(std::string_view(&b, 1), quorvan::Charset::Rds) : QString(QChar(0x00B7));
    }
    return s;
}

QString MonitorQuoted(std::string_view bytes)
{
    return QLatin1Char('"') + MonitorShown(bytes) + QLatin1Char('"');
}

QString MonitorUtf8(std::string_view bytes)
{
    QString s = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    for (QChar& c : s)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QChar(0x00B7);
    return s;
}

QString MonitorHex2(int value)
{
    return QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace quorvan_app
