// The monitor window of the virtual encoder: bytes put into the encoder show
// in the RAM view and decoded; the status boxes and the power box act on the
// encoder.
#include "app/encoder_section.h"
#include "app/meaning_section.h"
#include "app/monitor_window.h"
#include "app/ram_section.h"
#include "encoder/image_decode.h"
#include "sim/state_file.h"
#include "sim/virtual_encoder.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <string>
#include <vector>

using quorvan::VirtualEncoder;
using quorvan_app::MonitorWindow;

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

// "12 34 AB" -> {0x12, 0x34, 0xAB}
std::vector<std::uint8_t> Hex(const char* text)
{
    std::vector<std::uint8_t> out;
    for (const QString& b : QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts))
        out.push_back(static_cast<std::uint8_t>(b.toUInt(nullptr, 16)));
    return out;
}

} // namespace

class MonitorTest : public QObject {
    Q_OBJECT
private slots:
    void decodedFieldsFollowTheRAM();
    void textsShowTheirBytesExactly();
    void clockTimeAndDynamicPS();
    void ptyNameFollowsTheCoding();
    void statusBoxesSetTheStatusBits();
    void powerOffAndOnResetsTheEncoder();
    void ramViewListsTwelveRowsAndTheChanges();
    void aLongChangeListKeepsTheWindowsSizeAndPlace();
};

void MonitorTest::decodedFieldsFollowTheRAM()
{
    VirtualEncoder enc;
    MonitorWindow w(enc);
    enc.poke(0x00, Hex("C2 01"));
    enc.poke(0x02, Bytes("RADIO 1 "));
    enc.poke(0x0A, Hex("0A 05 01 01 00"));          // PTY 10, DI stereo + compressed, music, TP, no TA
    enc.poke(0x0F, Hex("03 01 7D CC"));             // 87.6, 100.0, 107.9 MHz
    enc.poke(0x1F, Hex("03"));                      // radiotext on, type B
    enc.poke(0x20, Bytes(std::string("Now playing") + std::string(53, ' ')));
    enc.poke(0x60, Hex("01 80 12 34 56 78 9A"));    // group 8A (index 16)
    w.refresh();

    QCOMPARE(w.Meaning->LPI->text(), QStringLiteral("C201"));
    QCOMPARE(w.Meaning->LPS->text(), QStringLiteral("\"RADIO 1 \""));
    QCOMPARE(w.Meaning->LPTY->text(), QStringLiteral("10 Pop M"));
    QCOMPARE(w.Meaning->LFlags->text(), QStringLiteral("TP 1   TA 0   MS music"));
    QCOMPARE(w.Meaning->LDI->text(), QStringLiteral("stereo, compressed"));
    QCOMPARE(w.Meaning->LAF->text(), QStringLiteral("87.6  100.0  107.9 MHz"));
    QCOMPARE(w.Meaning->LRTInfo->text(), QStringLiteral("on, type B"));
    QVERIFY(w.Meaning->LRT->text().startsWith(QStringLiteral("\"Now playing   ")));
    QCOMPARE(w.Meaning->LRT->text().size(), 66);
    QCOMPARE(w.Meaning->LUDG->text(), QStringLiteral("8A on: 12 34 56 78 9A"));

    // Type A with the text switched off; an AF count above 15 means no list.
    enc.poke(0x1F, Hex("00"));
    enc.poke(0x0F, Hex("10"));
    w.refresh();
    QCOMPARE(w.Meaning->LRTInfo->text(), QStringLiteral("off, type A"));
    QCOMPARE(w.Meaning->LAF->text(), QStringLiteral("none (count byte 16)"));
}

void MonitorTest::textsShowTheirBytesExactly()
{
    VirtualEncoder enc;
    MonitorWindow w(enc);
    // Bytes show as receivers read them, through the RDS table (0xC4 is Í, 0x91 ä);
    // control codes and codes the table does not assign (0xFF) show as a dot.
    enc.poke(0x02, {'R', 0xC4, 'D', 'I', 'O', 0x0D, 0x91, 0xFF});
    w.refresh();
    QCOMPARE(w.Meaning->LPS->text(), QString::fromUtf8("\"R\u00CDDIO\u00B7\u00E4\u00B7\""));
    QVERIFY(w.Ram->RAMView->toPlainText().split(QLatin1Char('\n'))[0].endsWith(
        QString::fromUtf8("  \u00B7\u00B7R\u00CDDIO\u00B7\u00E4\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7")));
}

void MonitorTest::clockTimeAndDynamicPS()
{
    VirtualEncoder enc;
    MonitorWindow w(enc);
    QCOMPARE(w.Meaning->LCT->text(), QStringLiteral("not loaded"));
    QCOMPARE(w.Meaning->LDPSInfo->text(), QStringLiteral("off (length 0), mode 0 - Fixed 8 characters"));

    const int mjd = quorvan::ModifiedJulianDay(2026, 12, 8);
    const auto ct = quorvan::PackClockTime({mjd, 23, 45, true, 3}); // UTC 23:45, offset -1:30
    enc.poke(0x67, {0x40, ct[0], ct[1], ct[2], ct[3], ct[4], 0x01});
    enc.poke(0x72, Hex("08 02 04 01 0A"));
    enc.poke(0x77, Bytes("HELLO THE"));
    w.refresh();
    QCOMPARE(w.Meaning->LCT->text(), QStringLiteral("2026-12-08 23:45 UTC, offset -1:30 (local 22:15), MJD %1, "
                                           "minute trigger set")
                                .arg(mjd));
    QCOMPARE(w.Meaning->LDPSInfo->text(), QStringLiteral("length 10, mode 2 - Word alignment, label 2.5 s, delay 21.6 s, "
                                                "speed low"));
    QCOMPARE(w.Meaning->LDPS->text(), QStringLiteral("\"HELLO THE\u00B7\"")); // 0x77 + 9 is still 0 here

    // A positive offset past midnight wraps the local time.
    const auto ct2 = quorvan::PackClockTime({mjd, 23, 45, false, 1});
    enc.poke(0x68, {ct2[0], ct2[1], ct2[2], ct2[3], ct2[4], 0x00});
    enc.poke(0x72, Hex("FF"));
    w.refresh();
    QCOMPARE(w.Meaning->LCT->text(), QStringLiteral("2026-12-08 23:45 UTC, offset +0:30 (local 00:15), MJD %1").arg(mjd));
    QVERIFY(w.Meaning->LDPSInfo->text().contains(QStringLiteral("delay (infinite), speed")));

    // The longest text (72 characters) in two lines: the radiotext's width, then the rest.
    const std::string longest = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    enc.poke(0x76, {72});
    enc.poke(0x77, Bytes(longest));
    w.refresh();
    const QString quoted = QLatin1Char('"') + QString::fromLatin1(longest) + QLatin1Char('"');
    QCOMPARE(w.Meaning->LDPS->text(), quoted.left(66) + QLatin1Char('\n') + quoted.mid(66));
}

void MonitorTest::ptyNameFollowsTheCoding()
{
    VirtualEncoder enc;
    enc.poke(0x0A, {31});
    MonitorWindow w(enc, 1);
    QCOMPARE(w.Meaning->LPTY->text(), QStringLiteral("31 ALERT !"));
    w.setPTYCoding(0);
    QCOMPARE(w.Meaning->LPTY->text(), QStringLiteral("31 Alarm!"));
    w.setPTYCoding(2);
    QCOMPARE(w.Meaning->LPTY->text(), QStringLiteral("31 (31)"));
    enc.poke(0x0A, {40});
    w.refresh();
    QCOMPARE(w.Meaning->LPTY->text(), QStringLiteral("40 (no such type)"));
}

void MonitorTest::statusBoxesSetTheStatusBits()
{
    QTemporaryDir dir;
    const QString stateFile = dir.filePath(QStringLiteral("enc.state"));
    quorvan::SharedEncoderState shared(stateFile.toStdString(), std::make_shared<VirtualEncoder>(), nullptr);
    VirtualEncoder& enc = *shared.encoder();
    MonitorWindow w(enc);
    w.setSharing(&shared);
    QSignalSpy changed(&w, &MonitorWindow::encoderChanged);

    QTest::mouseClick(w.Encoder->CBStatusTA, Qt::LeftButton);
    QCOMPARE(enc.status(), 0x02);
    QCOMPARE(enc.readAt(0x70), 0x02); // what a Read Status over the bus sees
    QCOMPARE(w.Encoder->LStatus->text(), QStringLiteral("0x02"));
    QCOMPARE(changed.count(), 1);

    w.Encoder->CBPilot->click();
    QCOMPARE(enc.status(), 0x03);
    w.Encoder->CBStatusTA->click();
    QCOMPARE(enc.status(), 0x01);
    QVERIFY(w.Encoder->CBPilot->isChecked());
    QVERIFY(!w.Encoder->CBStatusTA->isChecked());

    // The change is in the state file for the next run.
    quorvan::EncoderState saved;
    std::string error;
    QCOMPARE(quorvan::LoadEncoderState(stateFile.toStdString(), saved, error), quorvan::StateLoad::Loaded);
    QCOMPARE(saved.status, 0x01);

    // The boxes follow a status set elsewhere, without acting on the encoder.
    enc.setStatus(0x02);
    w.refresh();
    QVERIFY(!w.Encoder->CBPilot->isChecked());
    QVERIFY(w.Encoder->CBStatusTA->isChecked());
    QCOMPARE(enc.status(), 0x02);
    QCOMPARE(changed.count(), 3);
}

void MonitorTest::powerOffAndOnResetsTheEncoder()
{
    VirtualEncoder enc;
    enc.poke(0x02, Bytes("RADIO   "));
    MonitorWindow w(enc);
    QVERIFY(w.Encoder->CBPower->isChecked());
    QCOMPARE(w.Encoder->LCarrier->text(), QStringLiteral("on"));

    w.Encoder->CBPower->click();
    QVERIFY(!enc.powered());
    QCOMPARE(w.Encoder->LCarrier->text(), QStringLiteral("off (no power)"));
    w.Encoder->CBPower->click();
    QVERIFY(enc.powered());
    // Power on is a reset: RAM := EEPROM (empty here).
    QCOMPARE(enc.ram(0x02), 0);
    QCOMPARE(w.Meaning->LPS->text(), QString::fromUtf8("\"\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\""));
    QCOMPARE(w.Encoder->LLastCommand->text(), QStringLiteral("none"));

    enc.setState([] {
        quorvan::EncoderState s;
        s.carrier = false;
        s.lastCommand = VirtualEncoder::kCommandCarrierOff;
        return s;
    }());
    w.refresh();
    QCOMPARE(w.Encoder->LCarrier->text(), QStringLiteral("off"));
    QCOMPARE(w.Encoder->LLastCommand->text(), QStringLiteral("0x30 Carrier off"));
}

void MonitorTest::ramViewListsTwelveRowsAndTheChanges()
{
    VirtualEncoder enc;
    enc.setStatus(0x03);
    MonitorWindow w(enc);
    const QStringList rows = w.Ram->RAMView->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(rows.size(), 12);
    QVERIFY(rows[0].startsWith(QStringLiteral("00: 00 00")));
    QVERIFY(rows[7].startsWith(QStringLiteral("70: 03 00"))); // the status byte as a read sees it
    QVERIFY(rows[11].startsWith(QStringLiteral("B0: ")));
    QCOMPARE(w.Ram->LChanged->text(), QString());

    enc.poke(0x02, Bytes("AB"));
    enc.poke(0x10, {0x01});
    enc.poke(0xBF, {0x20});
    w.refresh();
    QCOMPARE(w.Ram->LChanged->text(), QStringLiteral("Changed by the last operation: 0x02..0x03, 0x10, 0xBF"));
    w.setPTYCoding(1); // redraws the names, not the list of changes
    QCOMPARE(w.Ram->LChanged->text(), QStringLiteral("Changed by the last operation: 0x02..0x03, 0x10, 0xBF"));
    QVERIFY(w.Ram->RAMView->toPlainText().split(QLatin1Char('\n'))[11].startsWith(
        QStringLiteral("B0: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 20  ")));
    w.refresh();
    QCOMPARE(w.Ram->LChanged->text(), QStringLiteral("Changed by the last operation: nothing"));
}

// A change of many scattered bytes names a long list of addresses: the line
// stays one line high (the list cut, whole in the tool-tip), so the window
// neither grows nor moves.
void MonitorTest::aLongChangeListKeepsTheWindowsSizeAndPlace()
{
    VirtualEncoder enc;
    MonitorWindow w(enc);
    w.show();
    enc.poke(0x20, Bytes(std::string(64, 'a')));
    w.refresh();
    QCoreApplication::processEvents();
    const QSize whole = w.wholeSize();
    const QRect geometry = w.geometry();
    const int lineHeight = w.Ram->LChanged->height();

    // Every other radiotext character: the text keeps its width, the list of
    // 32 addresses is four times as wide as the window.
    for (int a = 0x20; a < 0x60; a += 2)
        enc.poke(a, Bytes("b"));
    w.refresh();
    QCoreApplication::processEvents();
    QVERIFY(w.Ram->LChanged->text().startsWith(QStringLiteral("Changed by the last operation: 0x20, 0x22, 0x24")));
    QVERIFY(w.Ram->LChanged->fontMetrics().horizontalAdvance(w.Ram->LChanged->text()) > 2 * w.width());
    QCOMPARE(w.Ram->LChanged->toolTip(), w.Ram->LChanged->text());
    QCOMPARE(w.Ram->LChanged->height(), lineHeight);
    QCOMPARE(w.wholeSize(), whole);
    QCOMPARE(w.geometry(), geometry);
}

QTEST_MAIN(MonitorTest)
#include "monitor_test.moc"
