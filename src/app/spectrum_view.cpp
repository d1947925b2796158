#include "app/spectrum_view.h"

#include <QPainter>
#include <QPainterPath>

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace quorvan_app {

namespace {

constexpr double kPi = 3.14159265358979323846;

int binOf(const Spectrum& s, double hz)
{
    return std::clamp(static_cast<int>(std::lround(hz / s.binHz)), 0, static_cast<int>(s.dB.size()) - 1);
}

} // namespace

double Spectrum::peakHz(double from, double to) const
{
    if (dB.empty())
        return 0;
    int best = binOf(*this, from);
    for (int k = binOf(*this, from); k <= binOf(*this, to); ++k)
        if (dB[k] > dB[best])
            best = k;
    return best * binHz;
}

double Spectrum::peakDb(double from, double to) const
{
    if (dB.empty())
        return -std::numeric_limits<double>::infinity();
    return dB[binOf(*this, peakHz(from, to))];
}

double Spectrum::shareDb(double from, double to) const
{
    double part = 0, all = 0;
    for (std::size_t k = 0; k < dB.size(); ++k) {
        const double p = std::pow(10.0, dB[k] / 10.0);
        all += p;
        if (k * binHz >= from && k * binHz <= to)
            part += p;
    }
    return all > 0 && part > 0 ? 10.0 * std::log10(part / all) : -std::numeric_limits<double>::infinity();
}

Spectrum ComputeSpectrum(const std::vector<float>& samples, int rate, int size)
{
    Spectrum out;
    if (size < 16 || rate <= 0 || samples.size() < static_cast<std::size_t>(size))
        return out;
    const int bins = size / 2 + 1;
    std::vector<double> window(static_cast<std::size_t>(size));
    for (int i = 0; i < size; ++i)
        window[i] = 0.5 - 0.5 * std::cos(2.0 * kPi * i / size);
    // FFTW's own allocation keeps its buffers aligned for its vector code.
    const auto in = std::unique_ptr<double, decltype(&fftw_free)>(fftw_alloc_real(size), &fftw_free);
    const auto spectrum = std::unique_ptr<fftw_complex, decltype(&fftw_free)>(fftw_alloc_complex(bins), &fftw_free);
    const fftw_plan plan = fftw_plan_dft_r2c_1d(size, in.get(), spectrum.get(), FFTW_ESTIMATE);
    std::vector<double> power(static_cast<std::size_t>(bins), 0.0);
    int frames = 0;
    for (std::size_t start = 0; start + size <= samples.size(); start += size / 2, ++frames) {
        for (int i = 0; i < size; ++i)
            in.get()[i] = samples[start + i] * window[i];
        fftw_execute(plan);
        for (int k = 0; k < bins; ++k) {
            const double re = spectrum.get()[k][0], im = spectrum.get()[k][1];
            power[k] += re * re + im * im;
        }
    }
    fftw_destroy_plan(plan);
    // A full-scale sine gives |X| = size / 4 in its bin through the Hann window.
    const double reference = (size / 4.0) * (size / 4.0) * frames;
    out.binHz = static_cast<double>(rate) / size;
    out.dB.resize(power.size());
    for (std::size_t k = 0; k < power.size(); ++k)
        out.dB[k] = 10.0 * std::log10(std::max(power[k] / reference, 1e-30));
    return out;
}

SpectrumView::SpectrumView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("SpectrumView"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setToolTip(QStringLiteral("The signal's spectrum, 0 to 100 kHz, in dB of a full-scale sine: "
                              "the pilot at 19 kHz and the RDS band 57 kHz \u00b1 2.4 kHz are marked"));
}

void SpectrumView::setSpectrum(Spectrum spectrum)
{
    spectrum_ = std::move(spectrum);
    update();
}

void SpectrumView::setNote(const QString& note)
{
    note_ = note;
    update();
}

void SpectrumView::setCaption(const QString& caption)
{
    caption_ = caption;
    update();
}

QSize SpectrumView::sizeHint() const
{
    return {420, 150};
}

QSize SpectrumView::minimumSizeHint() const
{
    return {240, 150};
}

QRect SpectrumView::plotRect() const
{
    const QFontMetrics fm(font());
    const int left = std::max(fm.horizontalAdvance(QStringLiteral("-120")), fm.horizontalAdvance(QStringLiteral("0 dB"))) + 6;
    return QRect(left, fm.height() / 2 + 2, width() - left - 8, height() - fm.height() * 2 - 6);
}

int SpectrumView::xOf(double hz) const
{
    const QRect plot = plotRect();
    return plot.left() + static_cast<int>(std::lround(hz / kTopHz * plot.width()));
}

void SpectrumView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect plot = plotRect();
    const QFontMetrics fm(font());
    p.fillRect(rect(), palette().window());
    p.fillRect(plot, QColor(16, 24, 32));
    auto yOf = [&](double dB) {
        const double f = std::clamp(dB / kFloorDb, 0.0, 1.0);
        return plot.top() + static_cast<int>(std::lround(f * plot.height()));
    };

    // The RDS band and the pilot.
    p.fillRect(QRect(QPoint(xOf(kRdsHz - kRdsHalfBandHz), plot.top()),
                     QPoint(xOf(kRdsHz + kRdsHalfBandHz), plot.bottom())),
               QColor(40, 70, 110));
    p.setPen(QPen(QColor(230, 180, 60), 1, Qt::DashLine));
    p.drawLine(xOf(kPilotHz), plot.top(), xOf(kPilotHz), plot.bottom());

    // The grid: every 20 dB and every 10 kHz.
    p.setPen(QColor(60, 70, 80));
    for (double dB = 0; dB >= kFloorDb; dB -= 20)
        p.drawLine(plot.left(), yOf(dB), plot.right(), yOf(dB));
    for (int khz = 10; khz < 100; khz += 10)
        p.drawLine(xOf(khz * 1000.0), plot.top(), xOf(khz * 1000.0), plot.bottom());

    p.setPen(palette().color(QPalette::WindowText));
    for (double dB = 0; dB >= kFloorDb; dB -= 40)
        // The top mark carries the axis's unit, as "100 kHz" does the other's.
        p.drawText(QRect(0, yOf(dB) - fm.height() / 2, plot.left() - 4, fm.height()), Qt::AlignRight,
                   dB == 0 ? QStringLiteral("0 dB") : QString::number(static_cast<int>(dB)));
    const int labels = plot.bottom() + 2;
    for (int khz : {0, 19, 38, 57, 76, 100}) {
        const QString text = khz == 100 ? QStringLiteral("100 kHz") : QString::number(khz);
        const int w = fm.horizontalAdvance(text);
        const int x = std::clamp(xOf(khz * 1000.0) - w / 2, plot.left() - w / 2, width() - w - 1);
        p.drawText(x, labels + fm.ascent(), text);
    }
    p.setPen(QColor(230, 180, 60));
    p.drawText(xOf(kPilotHz) + 3, plot.top() + fm.ascent(), QStringLiteral("pilot"));
    p.setPen(QColor(150, 190, 240));
    p.drawText(xOf(kRdsHz + kRdsHalfBandHz) + 3, plot.top() + fm.ascent(), QStringLiteral("RDS"));
    // What the plot is: the modulator's output for the encoder's state, not a
    // measurement of what the device (or a sound server behind it) plays; or
    // a loop-through's own output.
    p.setPen(QColor(170, 170, 170));
    p.drawText(plot.adjusted(0, 0, -4, -2), Qt::AlignRight | Qt::AlignBottom, caption_);

    // The trace: the strongest bin of each pixel column.
    if (!spectrum_.empty()) {
        QPainterPath trace;
        bool first = true;
        for (int x = plot.left(); x <= plot.right(); ++x) {
            const double from = (x - plot.left()) * kTopHz / plot.width();
            const double to = (x + 1 - plot.left()) * kTopHz / plot.width();
            const double dB = spectrum_.peakDb(from, to);
            const QPointF point(x, yOf(dB));
            if (first)
                trace.moveTo(point);
            else
                trace.lineTo(point);
            first = false;
        }
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(120, 220, 140), 1));
        p.drawPath(trace);
    }
    p.setPen(palette().color(QPalette::WindowText));
    p.drawRect(plot.adjusted(0, 0, -1, -1));
    if (!note_.isEmpty()) {
        p.setPen(QColor(240, 240, 240));
        p.drawText(plot, Qt::AlignCenter, note_);
    }
}

} // namespace quorvan_app
