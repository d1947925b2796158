// The "On air" section of the virtual encoder's monitor: whether a software
// encoder (quorvanctl air) plays the state file, from the status file it
// writes beside it every second, and the spectrum of the signal it makes:
// the same modulator and the same group stream, rendered here at 192 kHz.
// While a loop-through plays, the spectrum is instead that of its whole
// output MPX (mono, pilot, stereo band and RDS), from the snapshot it writes
// beside the status. The section reads the status file, the snapshot and the
// encoder state it is given; it never writes any of them.
#pragma once

#include "air/air_status.h"
#include "air/modulator.h"
#include "app/spectrum_view.h"
#include "sim/virtual_encoder.h"

#include <QGroupBox>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QLabel;
class QTimer;

namespace quorvan_app {

class OnAirSection : public QGroupBox {
    Q_OBJECT
public:
    static constexpr int kSpectrumRate = 192000;

    explicit OnAirSection(QWidget* parent = nullptr);

    // The encoder's state file ("": kept in memory, nothing can play it).
    void setStateFile(const std::string& path);
    // The clock the status's age is taken from (seconds since the epoch), and
    // the time of day its start is shown in ("10:32").
    void setClock(std::function<std::int64_t()> nowUnix,
                  std::function<std::string(std::int64_t)> clockText = {});
    // Reads the status file again (the section's timer does so every second).
    void checkStatus();
    // The encoder as it is now: the spectrum is computed again when its state
    // or the levels on air have changed since the last one.
    void showEncoder(const quorvan::EncoderState& state);
    // How many spectra were computed (each costs a render and FFTs).
    int spectraComputed() const { return computed_; }
    // True while the spectrum shows a loop-through's output.
    bool showsLoopOutput() const { return looping_; }

    QLabel* LOnAir = nullptr;
    SpectrumView* Spectrum = nullptr;
    QTimer* statusTimer = nullptr;

private:
    void computeSpectrum();
    void showLoopOutput(const quorvan::air::AirStatus& status);

    std::string stateFile_;
    std::function<std::int64_t()> now_;
    std::function<std::string(std::int64_t)> clockText_;
    std::optional<quorvan::EncoderState> state_;
    // The levels the spectrum shows: those on air, else the defaults.
    double rdsLevel_ = quorvan::air::kDefaultRdsLevel;
    double pilotLevel_ = quorvan::air::kDefaultPilotLevel;
    std::optional<quorvan::EncoderState> computedState_;
    double computedRds_ = -1, computedPilot_ = -1;
    int computed_ = 0;
    bool looping_ = false;
};

} // namespace quorvan_app
