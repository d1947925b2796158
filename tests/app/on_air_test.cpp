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
#include <numbers>
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
    void whileLoopingThePilotIsOnTheLineAndTheSpectrumIsTheWholeOutput();
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

// A quarter of a second of a station's MPX with RDS on it, as a loop-through
// writes it out: mono 1 kHz, the pilot at 19 000.3 Hz and 8.9 %, 5 kHz of
// stereo difference on its second harmonic and 4.5 % of RDS at 57 kHz.
std::vector<float> LoopOutput()
{
    constexpr int rate = 192000;
    std::vector<float> rds(48000);
    quorvan::air::Modulator modulator({rate, 4.5, 0}, [n = 0]() mutable {
        ++n;
        return quorvan::rds::Group{{0xC201, static_cast<std::uint16_t>(n * 0x0101), 0xE0CD, 0x4F4E}};
    });
    modulator.render(rds.data(), rds.size());
    std::vector<float> out(rds.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double pilot = 2 * std::numbers::pi * 19000.3 * t;
        out[i] = static_cast<float>(0.3 * std::sin(2 * std::numbers::pi * 1000 * t) + 0.089 * std::sin(pilot) +
                                    0.2 * std::sin(2 * std::numbers::pi * 5000 * t) * std::sin(2 * pilot) + rds[i]);
    }
    return out;
}

void OnAirTest::whileLoopingThePilotIsOnTheLineAndTheSpectrumIsTheWholeOutput()
{
    QTemporaryDir dir;
    const std::string stateFile = dir.filePath(QStringLiteral("enc.state")).toStdString();
    std::int64_t now = kNow;
    OnAirSection section;
    section.setClock([&] { return now; }, [](std::int64_t) { return std::string("10:32"); });
    section.setStateFile(stateFile);
    section.showEncoder(OnAirState());
    const int computed = section.spectraComputed();
    QCOMPARE(section.Spectrum->caption(), quorvan_app::SpectrumView::kComputedCaption);

    quorvan::air::AirStatus s = Playing(kNow);
    s.device = "ALSA hw:MPX";
    s.input = "ALSA hw:MPX";
    s.pilotLevel = 0;
    s.pilot = "locked";
    s.pilotHz = 19000.3;
    s.inputPilotLevel = 8.9;
    s.rdsPhase = 0;
    s.latencyMs = 6;
    s.latencyPeriods = 3;
    WriteStatus(stateFile, s);
    section.checkStatus();
    QCOMPARE(section.LOnAir->text(), QStringLiteral("loop-through hw:MPX, pilot locked 19 000.3 Hz 8.9 %, "
                                                    "RDS 4.5 % at 0.0\u00b0, latency 6 ms, 0 clips, since 10:32"));
    // Before the first snapshot: nothing measured yet, and nothing computed in its place.
    QVERIFY(section.showsLoopOutput());
    QVERIFY(section.Spectrum->spectrum().empty());
    QVERIFY(!section.Spectrum->note().isEmpty());

    QVERIFY(quorvan::air::WriteAirSnapshot(stateFile, LoopOutput()));
    section.checkStatus();
    const quorvan_app::Spectrum& m = section.Spectrum->spectrum();
    QVERIFY(!m.empty());
    QCOMPARE(section.Spectrum->caption(), quorvan_app::SpectrumView::kMeasuredCaption);
    QVERIFY(section.Spectrum->note().isEmpty());
    // Mono, pilot, the stereo band's two sidebands and the RDS, each where it belongs.
    QVERIFY(std::abs(m.peakHz(200, 15000) - 1000) <= m.binHz);
    QVERIFY(std::abs(m.peakHz(15000, 21000) - 19000.3) <= m.binHz);
    QVERIFY2(std::abs(m.peakDb(15000, 21000) - 20 * std::log10(0.089)) < 1.5,
             qPrintable(QString::number(m.peakDb(15000, 21000))));
    const double stereo = m.peakHz(23000, 53000);
    QVERIFY2(std::abs(stereo - 33000.6) <= 2 * m.binHz || std::abs(stereo - 43000.6) <= 2 * m.binHz,
             qPrintable(QString::number(stereo)));
    QVERIFY(std::abs(m.peakHz(53000, 61000) - 57000) < 2400);
    QVERIFY(m.peakDb(54600, 59400) > m.peakDb(62000, 100000) + 40);
    // A new encoder state changes nothing in a measured spectrum.
    quorvan::EncoderState other = OnAirState();
    other.ram[0x02] = 'X';
    section.showEncoder(other);
    QCOMPARE(section.spectraComputed(), computed);
    QCOMPARE(section.Spectrum->caption(), quorvan_app::SpectrumView::kMeasuredCaption);

    // The pilot gone: held, then running free.
    s.pilot = "holdover";
    WriteStatus(stateFile, s);
    section.checkStatus();
    QCOMPARE(section.LOnAir->text(), QStringLiteral("loop-through hw:MPX, pilot holdover 19 000.3 Hz, "
                                                    "RDS 4.5 % at 0.0\u00b0, latency 6 ms, 0 clips, since 10:32"));
    s.pilot = "none";
    s.rdsPhase = 90;
    WriteStatus(stateFile, s);
    section.checkStatus();
    QCOMPARE(section.LOnAir->text(), QStringLiteral("loop-through hw:MPX, no pilot: RDS runs free, "
                                                    "RDS 4.5 % at 90.0\u00b0, latency 6 ms, 0 clips, since 10:32"));

    // The loop-through has stopped: the computed signal of the state again.
    now = kNow + 10;
    section.checkStatus();
    QVERIFY(!section.showsLoopOutput());
    QCOMPARE(section.Spectrum->caption(), quorvan_app::SpectrumView::kComputedCaption);
    QCOMPARE(section.spectraComputed(), computed + 1);
    const quorvan_app::Spectrum& c = section.Spectrum->spectrum();
    QVERIFY(!c.empty());
    QVERIFY(c.peakDb(200, 15000) < c.peakDb(54600, 59400) - 40);
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
