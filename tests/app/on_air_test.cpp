// The monitor's "On air" section: the line from the software encoder's status
// file (playing, stale, none) and the spectrum of the signal it makes.
#include "air/air_status.h"
#include "app/on_air_section.h"
#include "sim/virtual_encoder.h"

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using quorvan_app::OnAirSection;

namespace {

constexpr std::int64_t kNow = 1796032320; // a fixed moment, seconds since the epoch

quorvan::air::AirStatus Playing(std::int64_t updated)
{
    quorvan::air::AirStatus s;
    s.device = "ALSA default";
    s.rate = 192000;
    s.rdsLevel = 4.5;
    s.pilotLevel = 9.0;
    s.startedUnix = updated - 600;
    s.updatedUnix = updated;
    s.groups = 6850;
    s.underruns = 0;
    s.pid = 4242;
    return s;
}

void WriteStatus(const std::string& stateFile, const quorvan::air::AirStatus& status)
{
    QFile f(QString::fromStdString(quorvan::air::AirStatusPath(stateFile)));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QByteArray::fromStdString(quorvan::air::FormatAirStatus(status)));
}

quorvan::EncoderState OnAirState()
{
    quorvan::VirtualEncoder enc;
    enc.poke(0x00, {0xC2, 0x01});
    const std::string ps = "SOFTWARE";
    enc.poke(0x02, std::vector<std::uint8_t>(ps.begin(), ps.end()));
    return enc.state();
}

} // namespace

class OnAirTest : public QObject {
    Q_OBJECT
private slots:
    void theLineSaysWhetherAirPlays();
    void theSpectrumShowsTheSubcarrierAndThePilot();
    void theSpectrumIsComputedOnlyOnAChange();
    void aStoppedAirShowsAsStoppedAndTheServerRateShows();
};

void OnAirTest::theLineSaysWhetherAirPlays()
{
    QTemporaryDir dir;
    const std::string stateFile = dir.filePath(QStringLiteral("enc.state")).toStdString();
    std::int64_t now = kNow;
    OnAirSection section;
    section.setClock([&] { return now; }, [](std::int64_t) { return std::string("10:32"); });
    section.setStateFile(stateFile);
    QVERIFY(section.statusTimer->isActive());
    QCOMPARE(section.statusTimer->interval(), 1000);
    QCOMPARE(section.LOnAir->text(), QStringLiteral("not on air: no quorvanctl air plays this state file"));

    // Fresh: the status as quorvanctl air describes it.
    WriteStatus(stateFile, Playing(kNow));
    now = kNow + 1;
    section.checkStatus();
    const QString playing = QStringLiteral("ALSA default, 192 kHz, RDS 4.5 %, pilot 9 %, 0 underruns, since 10:32");
    QCOMPARE(section.LOnAir->text(), playing);
    now = kNow + quorvan::air::kAirStatusStaleSeconds - 1;
    section.checkStatus();
    QCOMPARE(section.LOnAir->text(), playing);

    // Three seconds without a new status: air has stopped (or hangs).
    now = kNow + 4;
    section.checkStatus();
    QCOMPARE(section.LOnAir->text(), QStringLiteral("not on air: its last status is 4 s old"));

    // Damaged, then gone.
    {
        QFile f(QString::fromStdString(quorvan::air::AirStatusPath(stateFile)));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("\x01\x02 nothing of a status\n");
    }
    section.checkStatus();
    QVERIFY(section.LOnAir->text().startsWith(QStringLiteral("not on air")));
    QVERIFY(QFile::remove(QString::fromStdString(quorvan::air::AirStatusPath(stateFile))));
    section.checkStatus();
    QCOMPARE(section.LOnAir->text(), QStringLiteral("not on air: no quorvanctl air plays this state file"));

    section.setStateFile({});
    QVERIFY(!section.statusTimer->isActive());
    QVERIFY(section.LOnAir->text().startsWith(QStringLiteral("not on air")));
}

void OnAirTest::theSpectrumShowsTheSubcarrierAndThePilot()
{
    QTemporaryDir dir;
    const std::string stateFile = dir.filePath(QStringLiteral("enc.state")).toStdString();
    OnAirSection section;
    section.setClock([] { return kNow; });
    QVERIFY(section.Spectrum->spectrum().empty()); // nothing to show before the encoder
    section.setStateFile(stateFile);
    section.showEncoder(OnAirState());
    const quorvan_app::Spectrum& s = section.Spectrum->spectrum();
    QVERIFY(!s.empty());
    // The RDS subcarrier: its power inside 57 +/- 2.4 kHz, its two lobes beside 57 kHz.
    const double peak = s.peakHz(40000, 80000);
    QVERIFY2(std::abs(peak - 57000) < 2400, qPrintable(QString::number(peak)));
    const double outside = 10 * std::log10(1 - std::pow(10, s.shareDb(54600, 59400) / 10));
    QVERIFY2(outside < -30, qPrintable(QString::number(outside)));
    // No pilot by default (nothing plays): nothing at 19 kHz.
    QVERIFY(s.peakDb(18500, 19500) < s.peakDb(54600, 59400) - 40);

    // air plays with a 9 % pilot: the window shows the pilot at its level.
    WriteStatus(stateFile, Playing(kNow));
    section.checkStatus();
    const quorvan_app::Spectrum& withPilot = section.Spectrum->spectrum();
    QVERIFY(std::abs(withPilot.peakHz(10000, 30000) - 19000) <= withPilot.binHz);
    QVERIFY2(std::abs(withPilot.peakDb(10000, 30000) - 20 * std::log10(0.09)) < 1.0,
             qPrintable(QString::number(withPilot.peakDb(10000, 30000))));

    // Carrier off: no signal, said so.
    quorvan::EncoderState off = OnAirState();
    off.carrier = false;
    section.showEncoder(off);
    QVERIFY(section.Spectrum->spectrum().empty());
    QVERIFY(section.Spectrum->note().contains(QStringLiteral("carrier is off")));
}

void OnAirTest::theSpectrumIsComputedOnlyOnAChange()
{
    OnAirSection section;
    section.showEncoder(OnAirState());
    const int once = section.spectraComputed();
    section.showEncoder(OnAirState());
    section.checkStatus();
    QCOMPARE(section.spectraComputed(), once);
    quorvan::EncoderState other = OnAirState();
    other.ram[0x02] = 'X';
    section.showEncoder(other);
    QCOMPARE(section.spectraComputed(), once + 1);
}

QTEST_MAIN(OnAirTest)
void OnAirTest::aStoppedAirShowsAsStoppedAndTheServerRateShows()
{
    QTemporaryDir dir;
    const std::string stateFile = dir.filePath(QStringLiteral("enc.state")).toStdString();
    std::int64_t now = kNow;
    OnAirSection section;
    section.setClock([&] { return now; }, [](std::int64_t) { return std::string("10:32"); });
    section.setStateFile(stateFile);
    // Behind a sound server: its own rate on the line.
    quorvan::air::AirStatus s = Playing(kNow);
    s.device = "ALSA pulse";
    s.serverRate = 48000;
    WriteStatus(stateFile, s);
    section.checkStatus();
    QCOMPARE(section.LOnAir->text(),
             QStringLiteral("ALSA pulse, 192 kHz (sound server at 48 kHz), RDS 4.5 %, pilot 9 %, 0 underruns, since 10:32"));
    QVERIFY(section.LOnAir->toolTip().contains(QStringLiteral("computed")));
    QVERIFY(quorvan_app::SpectrumView::kComputedCaption.contains(QStringLiteral("not measured")));

    // A player that was stopped (SIGSTOP) writes no status: stopped, not old.
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        ::pause();
        ::_exit(0);
    }
    ::kill(child, SIGSTOP);
    int status = 0;
    QCOMPARE(::waitpid(child, &status, WUNTRACED), child);
    s.pid = child;
    WriteStatus(stateFile, s);
    now = kNow + 6;
    section.checkStatus();
    QVERIFY2(section.LOnAir->text().startsWith(QStringLiteral("stopped: quorvanctl air (process %1)").arg(child)),
             qPrintable(section.LOnAir->text()));
    ::kill(child, SIGKILL);
    QCOMPARE(::waitpid(child, &status, 0), child);
    section.checkStatus();
    QCOMPARE(section.LOnAir->text(), QStringLiteral("not on air: its last status is 6 s old"));
}

#include "on_air_test.moc"
