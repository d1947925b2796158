#include "app/meaning_section.h"

#include "app/monitor_text.h"
#include "encoder/image_monitor.h"

#include <QFontDatabase>
#include <QFormLayout>
#include <QLabel>

namespace quorvan_app {

namespace {

constexpr int kTextLine = 66; // a radiotext with its quotes: the field's width

// A long text in lines of `width` characters (a wrapped label would take the
// height its size hint guesses, lines more than the text needs).
QString InLines(QString text, int width)
{
    for (qsizetype at = width; at < text.size(); at += width + 1)
        text.insert(at, QLatin1Char('\n'));
    return text;
}

QString TwoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

QString ClockTimeText(const quorvan::ImageMeaning& m)
{
    if (m.ctGroupType == 0)
        return QStringLiteral("not loaded");
    const auto& d = m.ctUtcDate;
    const int off = m.ctOffsetHalfHours;
    const int local = ((m.ct.utcHour * 60 + m.ct.utcMinute + off * 30) % 1440 + 1440) % 1440;
    const int size = off < 0 ? -off : off;
    return QStringLiteral("%1-%2-%3 %4:%5 UTC, offset %6%7:%8 (local %9:%10), MJD %11%12")
        .arg(d.year)
        .arg(TwoDigits(d.month), TwoDigits(d.day), TwoDigits(m.ct.utcHour), TwoDigits(m.ct.utcMinute))
        .arg(off < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(size / 2)
        .arg(size % 2 ? QStringLiteral("30") : QStringLiteral("00"))
        .arg(TwoDigits(local / 60), TwoDigits(local % 60))
        .arg(m.ct.mjd)
        .arg(m.ctTrigger ? QStringLiteral(", minute trigger set") : QString());
}

} // namespace

QLabel* AddMonitorField(QFormLayout* form, const QString& caption, const QString& name)
{
    auto* value = new QLabel(form->parentWidget());
    value->setObjectName(name);
    value->setTextFormat(Qt::PlainText);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (caption.isEmpty())
        form->addRow(QString(), value);
    else
        form->addRow(caption + QLatin1Char(':'), value);
    return value;
}

MeaningSection::MeaningSection(QWidget* parent) : QGroupBox(QStringLiteral("Meaning"), parent)
{
    setObjectName(QStringLiteral("MeaningSection"));
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    auto* form = new QFormLayout(this);
    form->setLabelAlignment(Qt::AlignRight);
    LPI = AddMonitorField(form, QStringLiteral("PI"), QStringLiteral("LPI"));
    LPS = AddMonitorField(form, QStringLiteral("PS"), QStringLiteral("LPS"));
    LPTY = AddMonitorField(form, QStringLiteral("PTY"), QStringLiteral("LPTY"));
    LFlags = AddMonitorField(form, QStringLiteral("Flags"), QStringLiteral("LFlags"));
    LDI = AddMonitorField(form, QStringLiteral("DI"), QStringLiteral("LDI"));
    LAF = AddMonitorField(form, QStringLiteral("AF"), QStringLiteral("LAF"));
    LRTInfo = AddMonitorField(form, QStringLiteral("Radiotext"), QStringLiteral("LRTInfo"));
    LRT = AddMonitorField(form, QString(), QStringLiteral("LRT"));
    LDPSInfo = AddMonitorField(form, QStringLiteral("Dynamic PS"), QStringLiteral("LDPSInfo"));
    LDPS = AddMonitorField(form, QString(), QStringLiteral("LDPS"));
    LUDG = AddMonitorField(form, QStringLiteral("User group"), QStringLiteral("LUDG"));
    LCT = AddMonitorField(form, QStringLiteral("Clock time"), QStringLiteral("LCT"));
    LSubcarrier = AddMonitorField(form, QStringLiteral("Subcarrier"), QStringLiteral("LSubcarrier"));
    for (QLabel* text : {LPS, LRT, LDPS})
        text->setFont(fixed);

}

void MeaningSection::showMeaning(const quorvan::ImageMeaning& meaning)
{
    const quorvan::ImageMeaning& m = meaning;
    LPI->setText(QString::fromStdString(m.PI));
    LPS->setText(MonitorQuoted(m.PS));
    LPTY->setText(m.PTYName.empty() ? QStringLiteral("%1 (no such type)").arg(m.PTY)
                                    : QStringLiteral("%1 %2").arg(m.PTY).arg(MonitorShown(m.PTYName)));
    LFlags->setText(QStringLiteral("TP %1   TA %2   MS %3")
                        .arg(m.TP ? 1 : 0)
                        .arg(m.TA ? 1 : 0)
                        .arg(m.MS == 0   ? QStringLiteral("speech")
                             : m.MS == 1 ? QStringLiteral("music")
                                         : QStringLiteral("0x%1").arg(MonitorHex2(m.MS))));
    static const char* const kDINames[4] = {"stereo", "artificial head", "compressed", "dynamic PTY"};
    QStringList di;
    for (int bit = 0; bit < 4; ++bit)
        if (m.DI[bit])
            di << QLatin1String(kDINames[bit]);
    LDI->setText(di.isEmpty() ? QStringLiteral("none") : di.join(QStringLiteral(", ")));
    QStringList af;
    for (const std::string& f : m.AF)
        af << QString::fromStdString(f);
    LAF->setText(af.isEmpty() ? QStringLiteral("none (count byte %1)").arg(m.afCountByte)
                              : QStringLiteral("%1 MHz").arg(af.join(QStringLiteral("  "))));
    LRTInfo->setText(QStringLiteral("%1, type %2").arg(m.rtEnabled ? QStringLiteral("on") : QStringLiteral("off"))
                         .arg(QLatin1Char(m.rtType)));
    LRT->setText(MonitorQuoted(m.RT));
    static const char* const kModes[4] = {"0 - Fixed 8 characters", "1 - Scrolling text", "2 - Word alignment",
                                          "3 - Space separated scrolling text"};
    const QString mode = m.dpsMode >= 0 && m.dpsMode < 4 ? QLatin1String(kModes[m.dpsMode])
                                                          : QStringLiteral("0x%1").arg(MonitorHex2(m.dpsMode));
    LDPSInfo->setText(m.dpsLength == 0
                          ? QStringLiteral("off (length 0), mode %1").arg(mode)
                          : QStringLiteral("length %1, mode %2, label %3 s, delay %4%5, speed %6")
                                .arg(m.dpsLength)
                                .arg(mode, QString::fromStdString(m.labelPeriodText),
                                     QString::fromStdString(m.delayText),
                                     m.delaySteps == 255 ? QString() : QStringLiteral(" s"),
                                     m.scrollSpeed == 0   ? QStringLiteral("high")
                                     : m.scrollSpeed == 1 ? QStringLiteral("low")
                                                          : QString::number(m.scrollSpeed)));
    LDPS->setText(m.dpsLength == 0 ? QString() : InLines(MonitorQuoted(m.dpsText), kTextLine));
    QString udg = QStringLiteral("%1 %2:").arg(QString::fromStdString(m.udgTypeName),
                                               m.udgEnabled ? QStringLiteral("on") : QStringLiteral("off"));
    for (std::uint8_t b : m.udgBytes)
        udg += QLatin1Char(' ') + MonitorHex2(b);
    LUDG->setText(udg);
    LCT->setText(ClockTimeText(m));
    LSubcarrier->setText(QStringLiteral("clock %1, PLL %2, phase %3 degrees")
                             .arg(m.clockSource ? QStringLiteral("auto (stereo)") : QStringLiteral("internal (mono)"),
                                  m.pllRange ? QStringLiteral("+/- 2 Hz") : QStringLiteral("+/- 5 Hz"),
                                  QString::fromStdString(m.phaseText)));

}

} // namespace quorvan_app
