// The Receiver section of the monitor: what a radio shows from the virtual
// encoder's groups, fed group by group (the test drives it; its timer is
// stopped), and picking up each change of the encoder at once.
#include "app/monitor_window.h"
#include "app/receiver_section.h"
#include "app/elided_label.h"
#include "encoder/image_decode.h"
#include "sim/virtual_encoder.h"

#include <QLabel>
#include <QTest>
#include <QTimer>

#include <string>
#include <vector>

using quorvan::VirtualEncoder;
using quorvan_app::MonitorWindow;

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

} // namespace

class ReceiverSectionTest : public QObject {
    Q_OBJECT
private slots:
    void showsWhatARadioReceives();
    void followsTheDynamicPSAndEachChange();
    void clockTimeAfterATriggerAndNoSignalWithoutCarrier();
    void showsTheRTPlusArtistAndTitle();
    void greysARadiotextNoLongerSent();
    void showsCountryNamesERTAndOtherNetworks();
};

void ReceiverSectionTest::showsCountryNamesERTAndOtherNetworks()
{
    VirtualEncoder enc;
    MonitorWindow w(enc);
    quorvan_app::ReceiverSection& rx = *w.Receiver;
    rx.timer->stop();
    QCOMPARE(rx.LRxERT->text(), QStringLiteral("--   (no eRT)"));
    QCOMPARE(rx.LRxEON->text(), QStringLiteral("none"));
    auto g = [](std::uint16_t b1, std::uint16_t b2, std::uint16_t b3, std::uint16_t b4) {
        quorvan::rds::Group group;
        group.blocks = {b1, b2, b3, b4};
        return group;
    };
    rx.take(g(0xD3C2, 0x1000, 0x00E0, 0x7A5E));
    rx.take(g(0xD3C2, 0x1000, 0x3008, 0x7A5E));
    QCOMPARE(rx.LRxCountry->text(), QStringLiteral("Germany (ECC E0)   German (LIC 08)   PIN 15 09:30"));
    rx.take(g(0xD3C2, 0xA000, 0x4A61, 0x7A7A));
    rx.take(g(0xD3C2, 0xA001, 0x6261, 0x7220));
    const std::string lps = "Radio Café\r";
    for (int s = 0; s < 3; ++s) {
        auto at = [&](std::size_t i) -> std::uint16_t { return i < lps.size() ? static_cast<unsigned char>(lps[i]) : 0x20; };
        rx.take(g(0xD3C2, static_cast<std::uint16_t>(0xF000 | s), static_cast<std::uint16_t>(at(4 * s) << 8 | at(4 * s + 1)),
                  static_cast<std::uint16_t>(at(4 * s + 2) << 8 | at(4 * s + 3))));
    }
    QCOMPARE(rx.LRxNames->text(), QStringLiteral("\"Jazzbar \"   \"Radio Café\""));
    rx.take(g(0xD3C2, 0x3018, 0x0001, 0x6552));
    const std::string ert = "Кино – Группа крови\r";
    for (int s = 0; s * 4 < static_cast<int>(ert.size()); ++s) {
        auto at = [&](std::size_t i) -> std::uint16_t { return i < ert.size() ? static_cast<unsigned char>(ert[i]) : 0x20; };
        rx.take(g(0xD3C2, static_cast<std::uint16_t>(0xC000 | s), static_cast<std::uint16_t>(at(4 * s) << 8 | at(4 * s + 1)),
                  static_cast<std::uint16_t>(at(4 * s + 2) << 8 | at(4 * s + 3))));
    }
    QCOMPARE(rx.LRxERT->text(), QString::fromUtf8("\"Кино – Группа крови\""));
    for (std::uint16_t v = 0; v < 4; ++v)
        rx.take(g(0xD3C2, static_cast<std::uint16_t>(0xE010 | v), v == 0 ? 0x4E44 : v == 1 ? 0x5232 : 0x2020, 0xD392));
    rx.take(g(0xD3C2, 0xE014, 0xE289, 0xD392));
    rx.take(g(0xD3C2, 0xE014, 0x7ECD, 0xD392));
    rx.take(g(0xD3C2, 0xE01D, 0x5000, 0xD392));
    rx.take(g(0xD3C2, 0xE818, 0xD3C2, 0xD392));
    QCOMPARE(rx.LRxEON->text(), QStringLiteral("D392 \"NDR2    \" PTY 10 TP 1 TA 1 AF 101.2 100.1"));
    // Method B lists in 0A.
    rx.take(g(0xD3C2, 0x0000, 0xE56E, 0x4142));
    rx.take(g(0xD3C2, 0x0001, 0x016E, 0x4344));
    rx.take(g(0xD3C2, 0x0002, 0xA66E, 0x4546));
    QVERIFY2(rx.LRxAF->text().endsWith(QStringLiteral("B 98.5: 87.6 104.1R")), qPrintable(rx.LRxAF->text()));
    const QByteArray shot = qgetenv("QUORVAN_RECEIVER_SHOT");
    if (!shot.isEmpty()) {
        w.show();
        QTest::qWait(300);
        QTest::qWait(3000);
    }
}

void ReceiverSectionTest::greysARadiotextNoLongerSent()
{
    VirtualEncoder enc;
    enc.poke(0x1F, {0x01});
    enc.poke(0x20, Bytes("On air" + std::string(58, ' ')));
    MonitorWindow w(enc);
    quorvan_app::ReceiverSection& rx = *w.Receiver;
    rx.timer->stop();
    rx.step(60);
    QCOMPARE(rx.LRxRT->text(), QStringLiteral("A \"On air\""));
    const QColor normal = rx.LRxRT->palette().color(QPalette::WindowText);
    // Radiotext off: the last text stays, marked and greyed once 10 s of groups had no 2A.
    enc.poke(0x1F, {0x00});
    rx.step(100);
    QCOMPARE(rx.LRxRT->text(), QStringLiteral("A \"On air\""));
    rx.step(20);
    QCOMPARE(rx.LRxRT->text(), QStringLiteral("A \"On air\"   (no longer sent)"));
    QVERIFY(rx.LRxRT->palette().color(QPalette::WindowText) != normal);
    // Sent again: current at once.
    enc.poke(0x1F, {0x01});
    rx.step(4);
    QCOMPARE(rx.LRxRT->text(), QStringLiteral("A \"On air\""));
    QCOMPARE(rx.LRxRT->palette().color(QPalette::WindowText), normal);
}

void ReceiverSectionTest::showsTheRTPlusArtistAndTitle()
{
    VirtualEncoder enc;
    enc.poke(0x00, {0xD3, 0xA2});
    enc.poke(0x1F, {0x01});
    enc.poke(0x20, Bytes("Now: Bj\x97rk - J\x86ga" + std::string(47, ' ')));  // the RDS table: o diaeresis, o acute
    MonitorWindow w(enc, 1);
    quorvan_app::ReceiverSection& rx = *w.Receiver;
    rx.timer->stop();
    rx.step(60);
    QCOMPARE(rx.LRxArtist->text(), QStringLiteral("--"));
    QCOMPARE(rx.LRxTitle->text(), QStringLiteral("--   (no RT+)"));
    // The tags in the extension record: artist 5+5, title 13+4.
    quorvan::ExtensionRecord record;
    record.rtPlus = {0x03, 4, 5, 4, 1, 13, 3};
    enc.setExtension(record);
    rx.step(60);
    QCOMPARE(rx.LRxArtist->text(), QString::fromUtf8("\"Bj\u00F6rk\""));
    QVERIFY2(rx.LRxTitle->text().startsWith(QString::fromUtf8("\"J\u00F3ga\"   (item toggle ")), qPrintable(rx.LRxTitle->text()));
    QVERIFY(rx.LRxTitle->text().endsWith(QStringLiteral(", running)")));
    const QString toggle = rx.LRxTitle->text().section(QLatin1Char(','), 0, 0).right(1);
    // No item: running off, the toggle stays.
    record.rtPlus = {0x01, 0, 0, 0, 0, 0, 0};
    enc.setExtension(record);
    rx.step(60);
    QCOMPARE(rx.LRxArtist->text(), QStringLiteral("--"));
    QCOMPARE(rx.LRxTitle->text(), QStringLiteral("--   (item toggle %1, not running)").arg(toggle));
}

void ReceiverSectionTest::showsWhatARadioReceives()
{
    VirtualEncoder enc;
    enc.poke(0x00, {0xD3, 0xA2});
    enc.poke(0x02, Bytes("QUORVAN "));
    enc.poke(0x0A, {31, 0x09, 1, 1, 1});           // PTY 31, DI stereo + dynamic PTY, music, TP, TA
    enc.poke(0x0F, {3, 1, 0x7D, 0xCC});             // 87.6, 100.0, 107.9 MHz
    enc.poke(0x1F, {0x03});                         // radiotext on, type B
    enc.poke(0x20, Bytes("Caf\x82 music" + std::string(54, ' '))); // 0x82: e acute in the RDS table
    enc.poke(0x60, {0x01, 0x80, 0x1F, 0, 0, 0, 0}); // user group 8A
    MonitorWindow w(enc, 1);
    quorvan_app::ReceiverSection& rx = *w.Receiver;
    rx.timer->stop();
    QCOMPARE(rx.LRxPS->text(), QStringLiteral("--------"));
    QCOMPARE(rx.LRxRT->text(), QStringLiteral("none"));

    rx.step(10);
    QCOMPARE(rx.LRxPS->text(), QStringLiteral("\"QUORVAN \""));
    QVERIFY(rx.LRxRT->text().endsWith(QStringLiteral("(4/16)")));
    rx.step(40);
    QCOMPARE(rx.LRxRT->text(), QString::fromUtf8("B \"Caf\u00E9 music\""));
    QCOMPARE(rx.LRxPTY->text(), QStringLiteral("31 ALERT !   TP 1   TA 1   music"));
    QCOMPARE(rx.LRxDI->text(), QStringLiteral("stereo, dynamic PTY"));
    QCOMPARE(rx.LRxAF->text(), QStringLiteral("87.6  100.0  107.9 MHz"));
    QCOMPARE(rx.LRxCT->text(), QStringLiteral("none received"));
    QCOMPARE(rx.LRxGroups->text(), QStringLiteral("0A 25   2A 20   8A 5"));
    w.setPTYCoding(0);
    QVERIFY(rx.LRxPTY->text().startsWith(QStringLiteral("31 Alarm!")));
}

void ReceiverSectionTest::followsTheDynamicPSAndEachChange()
{
    VirtualEncoder enc;
    enc.poke(0x02, Bytes("DEFAULT "));
    // Mode 0, labels of 0.5 s (6 groups, so each label stays two cycles of
    // four groups), 2.7 s between loops.
    enc.poke(0x72, {1, 0, 0, 0, 16});
    enc.poke(0x77, Bytes("NOW ON  QUORVAN "));
    MonitorWindow w(enc);
    quorvan_app::ReceiverSection& rx = *w.Receiver;
    rx.timer->stop();
    QStringList seen;
    for (int n = 0; n < 60; ++n) {
        rx.step(1);
        if (seen.isEmpty() || seen.back() != rx.LRxPS->text())
            seen << rx.LRxPS->text();
    }
    QCOMPARE(seen, (QStringList{QStringLiteral("--------"), QStringLiteral("\"NOW ON  \""),
                                QStringLiteral("\"QUORVAN \""), QStringLiteral("\"DEFAULT \""),
                                QStringLiteral("\"NOW ON  \""), QStringLiteral("\"QUORVAN \"")}));

    // A new radiotext written between two groups is on air from its first segment.
    enc.poke(0x1F, {0x01});
    enc.poke(0x20, Bytes(std::string(64, 'x')));
    rx.step(40);
    QCOMPARE(rx.LRxRT->text(), QStringLiteral("A \"%1\"").arg(QString(64, QLatin1Char('x'))));
    enc.poke(0x1F, {0x03});
    enc.poke(0x20, Bytes("New" + std::string(61, ' ')));
    rx.step(2);
    QCOMPARE(rx.LRxRT->text(), QStringLiteral("B \"New\" (1/16)"));
}

void ReceiverSectionTest::clockTimeAfterATriggerAndNoSignalWithoutCarrier()
{
    VirtualEncoder enc;
    MonitorWindow w(enc);
    quorvan_app::ReceiverSection& rx = *w.Receiver;
    rx.timer->stop();
    rx.step(3);
    // A trigger latches the loaded record: its 4A group is the next one.
    quorvan::EncoderState s = enc.state();
    const auto ct = quorvan::PackClockTime({quorvan::ModifiedJulianDay(2017, 4, 4), 21, 43, false, 4});
    s.clockTime = {0x40, ct[0], ct[1], ct[2], ct[3], ct[4], 0x01};
    ++s.clockTimeLatches;
    enc.setState(s);
    rx.step(1);
    QCOMPARE(rx.LRxCT->text(), QStringLiteral("2017-04-04 21:43 UTC, local 23:43 (+2:00)"));
    QCOMPARE(rx.LRxGroups->text(), QStringLiteral("0A 3   4A 1"));
    rx.step(20);
    QCOMPARE(rx.receiver().groupsOfType[8], 1u);  // once per trigger

    s = enc.state();
    s.carrier = false;
    enc.setState(s);
    rx.step(20);
    QCOMPARE(rx.LRxGroups->text(), QStringLiteral("0A 23   4A 1   (no signal: the carrier is off)"));
}

QTEST_MAIN(ReceiverSectionTest)
#include "receiver_section_test.moc"
