#include "app/receiver_section.h"

#include "app/elided_label.h"
#include "app/monitor_text.h"
#include "content/charset.h"
#include "content/countries.h"
#include "content/pty.h"
#include "encoder/image_decode.h"
#include "sim/virtual_encoder.h"

#include <QFontDatabase>
#include <QFormLayout>
#include <QLabel>
#include <QPalette>
#include <QTimer>

#include <algorithm>

namespace quorvan_app {

namespace {

// Groups the timer sends at most in one tick, so that a window that was held
// up (a long operation, a suspended machine) does not burst for seconds.
constexpr qint64 kMaxGroupsPerTick = 12;

QString TwoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

QString ClockTimeText(const quorvan::ClockTimeFields& ct)
{
    const quorvan::DateTime d = quorvan::DateOfModifiedJulianDay(ct.mjd);
    const int off = ct.negative ? -ct.halfHours : ct.halfHours;
    const int local = ((ct.utcHour * 60 + ct.utcMinute + off * 30) % 1440 + 1440) % 1440;
    return QStringLiteral("%1-%2-%3 %4:%5 UTC, local %6:%7 (%8%9:%10)")
        .arg(d.year)
        .arg(TwoDigits(d.month), TwoDigits(d.day), TwoDigits(ct.utcHour), TwoDigits(ct.utcMinute),
             TwoDigits(local / 60), TwoDigits(local % 60), off < 0 ? QStringLiteral("-") : QStringLiteral("+"))
        .arg(ct.halfHours / 2)
        .arg(ct.halfHours % 2 ? QStringLiteral("30") : QStringLiteral("00"));
}

} // namespace

QString ReceivedText(std::string_view bytes)
{
    QString s = QString::fromStdString(quorvan::DecodeText(bytes, quorvan::Charset::Rds));
    for (QChar& c : s)
        if (c.unicode() < 0x20)
            c = QChar(0x00B7);
    return s;
}

ReceiverSection::ReceiverSection(quorvan::VirtualEncoder& encoder, int ptyCoding, QWidget* parent)
    : QGroupBox(QStringLiteral("Receiver"), parent), encoder_(encoder), ptyCoding_(ptyCoding)
{
    setObjectName(QStringLiteral("Receiver"));
    setToolTip(QStringLiteral("What a radio tuned to the virtual encoder shows, from its RDS groups"));
    auto* form = new QFormLayout(this);
    form->setLabelAlignment(Qt::AlignRight);
    auto add = [&](const QString& caption, const QString& name) {
        auto* value = new QLabel(this);
        value->setObjectName(name);
        value->setTextFormat(Qt::PlainText);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(caption + QLatin1Char(':'), value);
        return value;
    };
    LRxPS = add(QStringLiteral("PS"), QStringLiteral("LRxPS"));
    LRxRT = add(QStringLiteral("Radiotext"), QStringLiteral("LRxRT"));
    LRxArtist = add(QStringLiteral("Artist"), QStringLiteral("LRxArtist"));
    LRxTitle = add(QStringLiteral("Title"), QStringLiteral("LRxTitle"));
    LRxPTY = add(QStringLiteral("PTY"), QStringLiteral("LRxPTY"));
    LRxDI = add(QStringLiteral("DI"), QStringLiteral("LRxDI"));
    LRxAF = add(QStringLiteral("AF"), QStringLiteral("LRxAF"));
    LRxCountry = add(QStringLiteral("Country"), QStringLiteral("LRxCountry"));
    LRxNames = add(QStringLiteral("PTYN, Long PS"), QStringLiteral("LRxNames"));
    // eRT and the other networks may be longer than the window is wide: they
    // end in "..." and stand whole in the tool-tip.
    auto addElided = [&](const QString& caption, const QString& name) {
        auto* value = new ElidedLabel(this);
        value->setObjectName(name);
        value->setTextFormat(Qt::PlainText);
        form->addRow(caption + QLatin1Char(':'), value);
        return value;
    };
    LRxERT = addElided(QStringLiteral("eRT"), QStringLiteral("LRxERT"));
    LRxEON = addElided(QStringLiteral("Other networks"), QStringLiteral("LRxEON"));
    LRxCT = add(QStringLiteral("Clock time"), QStringLiteral("LRxCT"));
    LRxGroups = add(QStringLiteral("Groups"), QStringLiteral("LRxGroups"));
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    LRxRT->setFont(fixed);
    QFont big = fixed;
    big.setBold(true);
    big.setPointSizeF(fixed.pointSizeF() * 1.4);
    LRxPS->setFont(big);

    // Four looks a second: a radio's display changes no faster, and each look
    // repaints the window, which is most of an idle monitor's processor time.
    timer = new QTimer(this);
    timer->setInterval(250);
    connect(timer, &QTimer::timeout, this, &ReceiverSection::tick);
    elapsed_.start();
    timer->start();
    redraw();
}

void ReceiverSection::setPTYCoding(int coding)
{
    ptyCoding_ = coding;
    redraw();
}

void ReceiverSection::tick()
{
    // Groups due since the timer started: elapsed ms x 1187.5 / 104 / 1000.
    const qint64 due = elapsed_.elapsed() * 2375 / 208000;
    const qint64 n = std::min(due - due_, kMaxGroupsPerTick);
    due_ = due;
    if (n > 0)
        step(static_cast<int>(n));
}

void ReceiverSection::step(int groups)
{
    onAir_ = quorvan::rds::EncoderStream::OnAir(encoder_.state());
    for (int i = 0; onAir_ && i < groups; ++i)
        receiver_.Take(stream_.Next(encoder_.state()));
    redraw();
}

void ReceiverSection::take(const quorvan::rds::Group& group)
{
    receiver_.Take(group);
    redraw();
}

void ReceiverSection::redraw()
{
    const quorvan::rds::Receiver& rx = receiver_;
    LRxPS->setText(rx.ps.empty() ? QStringLiteral("--------")
                                 : QLatin1Char('"') + ReceivedText(rx.ps) + QLatin1Char('"'));
    if (rx.rtFlag == 0) {
        LRxRT->setText(QStringLiteral("none"));
    } else {
        std::string text = rx.rt;
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        LRxRT->setText(QStringLiteral("%1 \"%2\"%3%4")
                           .arg(QString(QLatin1Char(rx.rtFlag)), ReceivedText(text),
                                rx.rtSegments < 16 ? QStringLiteral(" (%1/16)").arg(rx.rtSegments) : QString(),
                                rx.rtStale() ? QStringLiteral("   (no longer sent)") : QString()));
    }
    // A radiotext no longer on air stays readable, greyed as a disabled text.
    QPalette rtPalette = palette();
    if (rx.rtStale())
        rtPalette.setColor(QPalette::WindowText, rtPalette.color(QPalette::Disabled, QPalette::WindowText));
    LRxRT->setPalette(rtPalette);
    // RT+ as a radio shows it: the fields once the application is announced.
    if (!rx.rtPlusGroup || !rx.rtPlusTags) {
        LRxArtist->setText(QStringLiteral("--"));
        LRxTitle->setText(QStringLiteral("--   (no RT+)"));
    } else {
        auto field = [&](int type) {
            const std::string text = rx.rtPlusField(type);
            return text.empty() ? QStringLiteral("--") : QLatin1Char('"') + ReceivedText(text) + QLatin1Char('"');
        };
        LRxArtist->setText(field(quorvan::rtplus::kItemArtist));
        LRxTitle->setText(QStringLiteral("%1   (item toggle %2, %3)")
                              .arg(field(quorvan::rtplus::kItemTitle))
                              .arg(rx.rtPlusToggle ? 1 : 0)
                              .arg(rx.rtPlusTags->running ? QStringLiteral("running") : QStringLiteral("not running")));
    }
    if (rx.pi) {
        LRxPTY->setText(QStringLiteral("%1 %2   TP %3   TA %4   %5")
                            .arg(rx.pty)
                            .arg(QString::fromUtf8(quorvan::PTYName(ptyCoding_, rx.pty)))
                            .arg(rx.tp ? 1 : 0)
                            .arg(rx.ta ? 1 : 0)
                            .arg(rx.music ? QStringLiteral("music") : QStringLiteral("speech")));
    } else {
        LRxPTY->setText(QStringLiteral("--"));
    }
    static const char* const kDINames[4] = {"stereo", "artificial head", "compressed", "dynamic PTY"};
    QStringList di;
    for (int bit = 0; bit < 4; ++bit)
        if (rx.di[bit])
            di << QLatin1String(kDINames[bit]);
    LRxDI->setText(di.isEmpty() ? QStringLiteral("none") : di.join(QStringLiteral(", ")));
    QStringList af;
    for (int code : rx.af)
        af << QString::fromStdString(quorvan::ReceivedAFText(code));
    QString afText = !rx.afSeen    ? QStringLiteral("--")
                     : af.isEmpty() ? QStringLiteral("none")
                                    : af.join(QStringLiteral("  ")) + QStringLiteral(" MHz");
    // Method B: per transmitter, its frequency, then its alternatives (R: a regional variant).
    QStringList lists;
    for (const quorvan::AfMethodBList& list : rx.afB) {
        QStringList alts;
        for (const quorvan::AfMethodBEntry& e : list.alternatives)
            alts << QString::fromStdString(quorvan::ReceivedAFText(e.code)) + (e.regional ? QStringLiteral("R") : QString());
        lists << QString::fromStdString(quorvan::ReceivedAFText(list.tuned)) + QStringLiteral(": ") +
                     alts.join(QLatin1Char(' '));
    }
    if (!lists.isEmpty())
        afText = (rx.af.empty() ? QString() : afText + QStringLiteral("   ")) + QStringLiteral("B ") +
                 lists.join(QStringLiteral("; "));
    LRxAF->setText(afText);
    // What a radio names from 1A: the country from the ECC and the PI's nibble, the language.
    QStringList station;
    if (rx.ecc) {
        const std::string_view country = rx.country();
        station << (country.empty() ? QStringLiteral("unknown country") : QString::fromUtf8(country.data(), static_cast<qsizetype>(country.size())))
                       + QStringLiteral(" (ECC %1)").arg(MonitorHex2(*rx.ecc));
    }
    if (rx.lic) {
        const std::string_view language = quorvan::LanguageName(static_cast<std::uint8_t>(*rx.lic & 0xFF));
        station << (language.empty() || *rx.lic > 0xFF ? QStringLiteral("unknown language")
                                                        : QString::fromUtf8(language.data(), static_cast<qsizetype>(language.size())))
                       + QStringLiteral(" (LIC %1)").arg(MonitorHex2(*rx.lic));
    }
    if (rx.pin)
        station << QStringLiteral("PIN %1 %2:%3").arg(rx.pin->day).arg(TwoDigits(rx.pin->hour), TwoDigits(rx.pin->minute));
    LRxCountry->setText(station.isEmpty() ? QStringLiteral("--") : station.join(QStringLiteral("   ")));
    LRxNames->setText(QStringLiteral("%1   %2").arg(
        rx.ptyn.empty() ? QStringLiteral("--") : MonitorQuoted(rx.ptyn),
        rx.longPs.empty() ? QStringLiteral("--") : QLatin1Char('"') + MonitorUtf8(rx.longPs) + QLatin1Char('"')));
    LRxERT->setFullText(!rx.ertGroup     ? QStringLiteral("--   (no eRT)")
                        : rx.ert.empty() ? QStringLiteral("--")
                                         : QLatin1Char('"') + MonitorUtf8(rx.ert) + QLatin1Char('"'));
    QStringList networks;
    for (const quorvan::OtherNetwork& on : rx.otherNetworks) {
        QString n = QStringLiteral("%1 %2 PTY %3 TP %4 TA %5")
                        .arg(QStringLiteral("%1").arg(on.pi, 4, 16, QLatin1Char('0')).toUpper())
                        .arg(on.ps.empty() ? QStringLiteral("--------") : MonitorQuoted(on.ps))
                        .arg(on.pty)
                        .arg(on.tp ? 1 : 0)
                        .arg(on.ta ? 1 : 0);
        QStringList onAf;
        for (std::uint8_t code : on.af)
            onAf << QString::fromStdString(quorvan::ReceivedAFText(code));
        if (!onAf.isEmpty())
            n += QStringLiteral(" AF ") + onAf.join(QLatin1Char(' '));
        networks << n;
    }
    LRxEON->setFullText(networks.isEmpty() ? QStringLiteral("none") : networks.join(QStringLiteral(";  ")));
    LRxCT->setText(rx.clockTime ? ClockTimeText(*rx.clockTime) : QStringLiteral("none received"));
    QStringList counts;
    for (int i = 0; i < static_cast<int>(rx.groupsOfType.size()); ++i)
        if (rx.groupsOfType[i] != 0)
            counts << QStringLiteral("%1%2 %3").arg(i / 2).arg(i % 2 ? QLatin1Char('B') : QLatin1Char('A'))
                          .arg(rx.groupsOfType[i]);
    LRxGroups->setText((counts.isEmpty() ? QStringLiteral("none") : counts.join(QStringLiteral("   "))) +
                       (onAir_ ? QString() : QStringLiteral("   (no signal: the carrier is off)")));
}

} // namespace quorvan_app
