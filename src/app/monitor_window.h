// The monitor of the virtual encoder: a column of sections, each a class of
// its own: the RAM (ram_section), what its bytes mean (meaning_section), what
// a radio receives (receiver_section), whether a software encoder plays it and
// the spectrum of its signal (on_air_section) and the encoder itself: power,
// carrier, last command and status bits (encoder_section). The window stacks them and
// feeds them the encoder's state.
//
// The window only looks at the encoder; refresh() redraws it from the
// encoder's current state (after every operation of the main window). With a
// state file shared by other programs it checks the file every second and
// shows a change another program saved there.
#pragma once

#include "sim/shared_state.h"
#include "sim/virtual_encoder.h"

#include <QMargins>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <string>

class QScreen;
class QScrollArea;
class QTimer;

namespace quorvan_app {

class EncoderSection;
class MeaningSection;
class OnAirSection;
class RamSection;
class ReceiverSection;

class MonitorWindow : public QWidget {
    Q_OBJECT
public:
    // ptyCoding: as RBPTYC (0 European, 1 RBDS, 2 numbered).
    explicit MonitorWindow(quorvan::VirtualEncoder& encoder, int ptyCoding = 0, QWidget* parent = nullptr);

    // The PTY coding the names are shown in (the RAM is not read again).
    void setPTYCoding(int coding);
    int ptyCoding() const { return ptyCoding_; }
    // The state file the encoder is shared through (nullptr: kept in memory
    // only; the object must outlive the window). A change made here (status
    // bits, power) is made under its lock and saved there; the file is checked
    // every second for another program's change.
    void setSharing(quorvan::SharedEncoderState* sharing);
    // Puts the window to the right of `anchor` (the main window), or to its
    // left when only that side has room; when neither has, `anchor` moves left
    // as far as needed for both to be seen.
    // The window is as large as its sections, or as tall as the screen's free
    // height allows: then they scroll. It grows with them (wrapped texts).
    void placeBeside(QWidget& anchor);
    // The size that shows every section without scrolling.
    QSize wholeSize() const;

    // The twelve lines of the RAM view: "00: HH .. HH  cccccccccccccccc".
    static QString HexLines(const std::array<std::uint8_t, 256>& memory);

public slots:
    void refresh();
    // Loads the state file when another program has changed it, and shows
    // what changed (the one-second check runs this).
    void checkStateFile();

signals:
    // The user changed the encoder here (a status bit or the power).
    void encoderChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Keeps the window as large as the sections, as far as the screen allows.
    void fitSections(const QMargins& frame, const QScreen* screen);
    static QMargins frameMargins(const QWidget& window);
    void showMeaning(); // the fields of the RAM last read, and the encoder's own state
    void setStatusBit(int bit, bool on);
    void setPower(bool on);
    // Makes a change of the encoder (under the state file's lock when shared).
    void change(const std::function<void(quorvan::VirtualEncoder&)>& what);
    void showChanges(const QString& by);

    quorvan::VirtualEncoder& encoder_;
    int ptyCoding_ = 0;
    quorvan::SharedEncoderState* sharing_ = nullptr;
    QTimer* fileCheck_ = nullptr;
    // Coalesces the sections' layout requests (the receiver's counts change
    // 20 times a second) into one fit of the window at most four times a second.
    QTimer* refit_ = nullptr;
    std::array<std::uint8_t, 256> shown_{};
    quorvan::EncoderState shownState_;             // what the changes are named against
    std::array<std::uint32_t, 256> shownWrites_{};
    bool shownOnce_ = false;

public:
    // The sections.
    RamSection* Ram = nullptr;
    MeaningSection* Meaning = nullptr;
    ReceiverSection* Receiver = nullptr;
    OnAirSection* OnAir = nullptr;
    EncoderSection* Encoder = nullptr;
    QScrollArea* Page = nullptr; // the sections, scrolled when the screen is too low
};

} // namespace quorvan_app
