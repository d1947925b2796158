// The spectrum of the software encoder's signal as the monitor shows it:
// 0..100 kHz in dB relative to a full-scale sine, the pilot (19 kHz) and the
// RDS band (57 +/- 2.4 kHz) marked. ComputeSpectrum makes it from samples
// through FFTW; the view only draws what it is given.
#pragma once

#include <QWidget>

#include <vector>

namespace quorvan_app {

struct Spectrum {
    double binHz = 0;          // width of one bin
    std::vector<double> dB;    // average power of each bin from 0 Hz, dB relative to a full-scale sine

    bool empty() const { return dB.empty(); }
    // The frequency of the strongest bin in from..to Hz (0 when empty).
    double peakHz(double from, double to) const;
    // The strongest bin in from..to Hz, in dB (-inf when empty).
    double peakDb(double from, double to) const;
    // The power in from..to Hz over the power of all bins, in dB.
    double shareDb(double from, double to) const;
};

// Welch's average over Hann-windowed frames of `size` samples, half
// overlapping. A sine of amplitude 1 reads 0 dB in its bin.
Spectrum ComputeSpectrum(const std::vector<float>& samples, int rate, int size = 4096);

class SpectrumView : public QWidget {
    Q_OBJECT
public:
    static constexpr double kTopHz = 100000.0;
    static constexpr double kPilotHz = 19000.0;
    static constexpr double kRdsHz = 57000.0;
    static constexpr double kRdsHalfBandHz = 2400.0;
    static constexpr double kFloorDb = -120.0;
    // Drawn in the plot's corner: the trace is the modulator's output, not a
    // recording; or, while a loop-through plays, what it wrote out.
    static inline const QString kComputedCaption = QStringLiteral("computed, not measured");
    static inline const QString kMeasuredCaption = QStringLiteral("measured: the whole output MPX");

    explicit SpectrumView(QWidget* parent = nullptr);

    void setSpectrum(Spectrum spectrum);
    const Spectrum& spectrum() const { return spectrum_; }
    // A note drawn over the plot ("carrier off"); "" for none.
    void setNote(const QString& note);
    const QString& note() const { return note_; }
    // What the trace is, drawn in the plot's corner (kComputedCaption unless set).
    void setCaption(const QString& caption);
    const QString& caption() const { return caption_; }
    // The x of a frequency in the plot.
    int xOf(double hz) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect plotRect() const;

    Spectrum spectrum_;
    QString note_;
    QString caption_ = kComputedCaption;
};

} // namespace quorvan_app
