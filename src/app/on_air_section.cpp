#include "app/on_air_section.h"

#include "air/air_status.h"
#include "air/modulator.h"
#include "rds/generator.h"

#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include <ctime>

namespace quorvan_app {

namespace {

constexpr int kSpectrumSize = 4096;
// A quarter of a second: about three groups, 23 half-overlapping frames.
constexpr int kSpectrumFrames = OnAirSection::kSpectrumRate / 4;

} // namespace

OnAirSection::OnAirSection(QWidget* parent)
    : QGroupBox(QStringLiteral("On air"), parent), now_([] { return static_cast<std::int64_t>(std::time(nullptr)); })
{
    setObjectName(QStringLiteral("OnAirSection"));
    auto* layout = new QVBoxLayout(this);
    LOnAir = new QLabel(this);
    LOnAir->setObjectName(QStringLiteral("LOnAir"));
    LOnAir->setTextFormat(Qt::PlainText);
    LOnAir->setTextInteractionFlags(Qt::TextSelectableByMouse);
    LOnAir->setToolTip(QStringLiteral("What quorvanctl air reports in the status file beside the state file "
                                      "(written every second while it plays). The spectrum below is computed "
                                      "from the encoder's state, not measured: a sound server that resamples "
                                      "does not show in it; the sound server's own rate does show here. "
                                      "While a loop-through plays, the spectrum is its whole output MPX, "
                                      "measured from what it wrote out in the last quarter of a second."));
    layout->addWidget(LOnAir);
    Spectrum = new SpectrumView(this);
    layout->addWidget(Spectrum);

    statusTimer = new QTimer(this);
    statusTimer->setObjectName(QStringLiteral("AirStatusCheck"));
    statusTimer->setInterval(1000);
    connect(statusTimer, &QTimer::timeout, this, &OnAirSection::checkStatus);
    checkStatus();
}

void OnAirSection::setStateFile(const std::string& path)
{
    stateFile_ = path;
    if (stateFile_.empty())
        statusTimer->stop();
    else
        statusTimer->start();
    checkStatus();
}

void OnAirSection::setClock(std::function<std::int64_t()> nowUnix,
                            std::function<std::string(std::int64_t)> clockText)
{
    now_ = std::move(nowUnix);
    clockText_ = std::move(clockText);
    checkStatus();
}

void OnAirSection::checkStatus()
{
    namespace air = quorvan::air;
    double rds = air::kDefaultRdsLevel, pilot = air::kDefaultPilotLevel;
    QString line;
    std::optional<air::AirStatus> loop;
    if (stateFile_.empty()) {
        line = QStringLiteral("not on air: the encoder is kept in memory only");
    } else {
        const std::optional<air::AirStatus> status = air::ReadAirStatus(stateFile_);
        const std::int64_t now = now_();
        if (!status) {
            line = QStringLiteral("not on air: no quorvanctl air plays this state file");
        } else if (!air::AirStatusFresh(*status, now) && air::ProcessState(status->pid) == 'T') {
            // Stopped (SIGSTOP, a debugger): it holds the device and plays nothing.
            line = QStringLiteral("stopped: quorvanctl air (process %1) is stopped and plays nothing; "
                                  "kill -CONT %1 lets it go on")
                       .arg(status->pid);
        } else if (!air::AirStatusFresh(*status, now)) {
            line = QStringLiteral("not on air: its last status is %1 s old").arg(now - status->updatedUnix);
        } else {
            line = QString::fromStdString(air::DescribeAirStatus(status, now, clockText_));
            // The spectrum shows the levels on air.
            rds = status->rdsLevel;
            pilot = status->pilotLevel;
            if (!status->input.empty())
                loop = status;
        }
    }
    LOnAir->setText(line);
    if (loop) {
        showLoopOutput(*loop);
        return;
    }
    if (looping_) {
        // The loop-through has ended: back to the computed signal.
        looping_ = false;
        Spectrum->setCaption(SpectrumView::kComputedCaption);
        rdsLevel_ = rds;
        pilotLevel_ = pilot;
        if (state_)
            computeSpectrum();
        else
            Spectrum->setSpectrum({});
        return;
    }
    if (rds != rdsLevel_ || pilot != pilotLevel_) {
        rdsLevel_ = rds;
        pilotLevel_ = pilot;
        if (state_)
            computeSpectrum();
    }
}

void OnAirSection::showEncoder(const quorvan::EncoderState& state)
{
    state_ = state;
    if (looping_)
        return;  // the loop-through's own output stands
    if (computedState_ != state_ || computedRds_ != rdsLevel_ || computedPilot_ != pilotLevel_)
        computeSpectrum();
}

void OnAirSection::showLoopOutput(const quorvan::air::AirStatus& status)
{
    looping_ = true;
    Spectrum->setCaption(SpectrumView::kMeasuredCaption);
    // The input passes whether the carrier is on or not: the output is
    // there to be shown either way.
    const std::optional<std::vector<float>> samples = quorvan::air::ReadAirSnapshot(stateFile_);
    if (!samples || samples->size() < static_cast<std::size_t>(kSpectrumSize) || status.rate <= 0) {
        Spectrum->setSpectrum({});
        Spectrum->setNote(QStringLiteral("waiting for the loop-through's output"));
        return;
    }
    Spectrum->setSpectrum(ComputeSpectrum(*samples, status.rate, kSpectrumSize));
    Spectrum->setNote({});
}

void OnAirSection::computeSpectrum()
{
    computedState_ = state_;
    computedRds_ = rdsLevel_;
    computedPilot_ = pilotLevel_;
    ++computed_;
    const quorvan::EncoderState state = *state_;
    if (!quorvan::rds::EncoderStream::OnAir(state)) {
        Spectrum->setSpectrum({});
        Spectrum->setNote(pilotLevel_ > 0 ? QStringLiteral("no RDS: the carrier is off (the pilot stays)")
                                          : QStringLiteral("no signal: the carrier is off"));
        return;
    }
    quorvan::air::ModulatorConfig config;
    config.rate = kSpectrumRate;
    config.rdsLevel = rdsLevel_;
    config.pilotLevel = pilotLevel_;
    quorvan::rds::EncoderStream stream;
    quorvan::air::Modulator modulator(config, [&] { return stream.Next(state); });
    std::vector<float> samples(kSpectrumFrames);
    modulator.render(samples.data(), samples.size());
    Spectrum->setSpectrum(ComputeSpectrum(samples, kSpectrumRate, kSpectrumSize));
    Spectrum->setNote({});
}

} // namespace quorvan_app
