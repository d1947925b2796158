// The monitor's spectrum: FFTW's figures for known signals, and the marks of
// the pilot and of the RDS band where an engineer looks for them.
#include "app/spectrum_view.h"

#include <QImage>
#include <QtTest>

#include <cmath>
#include <vector>

using quorvan_app::ComputeSpectrum;
using quorvan_app::SpectrumView;

namespace {

constexpr double kPi = 3.14159265358979323846;

std::vector<float> Sine(double hz, double amplitude, int rate, int frames)
{
    std::vector<float> out(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i)
        out[i] = static_cast<float>(amplitude * std::sin(2 * kPi * hz * i / rate));
    return out;
}

// Whether any pixel of column x inside the plot has `color`.
bool ColumnHas(const QImage& image, int x, QColor color)
{
    for (int y = 0; y < image.height(); ++y)
        if (image.pixelColor(x, y) == color)
            return true;
    return false;
}

} // namespace

class SpectrumTest : public QObject {
    Q_OBJECT
private slots:
    void aSineReadsItsFrequencyAndLevel();
    void thePilotAndTheRdsBandAreMarked();
};

void SpectrumTest::aSineReadsItsFrequencyAndLevel()
{
    const int rate = 192000;
    std::vector<float> samples = Sine(57000, 0.045, rate, rate / 4);
    const std::vector<float> pilot = Sine(19000, 0.09, rate, rate / 4);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] += pilot[i];
    const quorvan_app::Spectrum s = ComputeSpectrum(samples, rate, 4096);
    QCOMPARE(s.binHz, 46.875);
    QCOMPARE(int(s.dB.size()), 2049);
    QVERIFY(std::abs(s.peakHz(50000, 64000) - 57000) <= s.binHz);
    QVERIFY(std::abs(s.peakDb(50000, 64000) - 20 * std::log10(0.045)) < 0.5);
    QVERIFY(std::abs(s.peakHz(10000, 30000) - 19000) <= s.binHz);
    // 19 kHz falls between two bins: the Hann window reads it up to 1.42 dB low.
    QVERIFY(std::abs(s.peakDb(10000, 30000) - 20 * std::log10(0.09)) < 1.5);
    // Far from both tones only the window's leakage: more than 100 dB down.
    QVERIFY(s.peakDb(80000, 96000) < -100);
    // Too few samples for one frame: nothing.
    QVERIFY(ComputeSpectrum(std::vector<float>(100), rate, 4096).empty());
}

void SpectrumTest::thePilotAndTheRdsBandAreMarked()
{
    SpectrumView view;
    view.resize(420, 150);
    view.setSpectrum(ComputeSpectrum(Sine(57000, 0.045, 192000, 48000), 192000, 4096));
    QImage image(view.size(), QImage::Format_RGB32);
    view.render(&image);
    // The dashed pilot line at 19 kHz, the band 54.6..59.4 kHz shaded, the
    // trace's peak inside the band.
    QVERIFY(ColumnHas(image, view.xOf(19000), QColor(230, 180, 60)));
    QVERIFY(!ColumnHas(image, view.xOf(30000), QColor(230, 180, 60)));
    const QColor band(40, 70, 110);
    QVERIFY(ColumnHas(image, view.xOf(56000), band));
    QVERIFY(!ColumnHas(image, view.xOf(50000), band));
    QVERIFY(view.xOf(0) < view.xOf(19000) && view.xOf(57000) < view.xOf(100000));
    QVERIFY(view.xOf(100000) < view.width());
}

QTEST_MAIN(SpectrumTest)
#include "spectrum_test.moc"
