// The monitor of the virtual encoder: its RAM 0x00..0xBF in hexadecimal and
// what the bytes mean (PS, dynamic PS, radiotext, AF list, PTY, flags, clock
// time, user group), what a radio receives from it (the Receiver section),
// its carrier, power and last command, and the two status
// bits a real encoder reports from the outside world (pilot tone, traffic
// announcement), which the user sets here with check boxes.
//
// The window only looks at the encoder; refresh() redraws it from the
// encoder's current state (after every operation of the main window).
#pragma once

#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>

class QCheckBox;
class QFormLayout;
class QLabel;
class QPlainTextEdit;

namespace quorvan {
class VirtualEncoder;
}

namespace quorvan_app {

class ReceiverSection;

class MonitorWindow : public QWidget {
    Q_OBJECT
public:
    // ptyCoding: as RBPTYC (0 European, 1 RBDS, 2 numbered).
    explicit MonitorWindow(quorvan::VirtualEncoder& encoder, int ptyCoding = 0, QWidget* parent = nullptr);

    // The PTY coding the names are shown in (the RAM is not read again).
    void setPTYCoding(int coding);
    int ptyCoding() const { return ptyCoding_; }
    // Where a change made here (status bits, power) is saved, so the next run
    // sees it; empty: the encoder is kept in memory only.
    void setStateFile(const QString& path) { stateFile_ = path; }
    // Puts the window to the right of `anchor` (the main window), or to its
    // left when only that side has room; when neither has, `anchor` moves left
    // as far as needed for both to be seen.
    void placeBeside(QWidget& anchor);

    // The twelve lines of the RAM view: "00: HH .. HH  cccccccccccccccc".
    static QString HexLines(const std::array<std::uint8_t, 256>& memory);

public slots:
    void refresh();

signals:
    // The user changed the encoder here (a status bit or the power).
    void encoderChanged();

private:
    QLabel* addField(QFormLayout* form, const QString& caption, const QString& name);
    void showMeaning(); // the fields of the RAM last read, and the encoder's own state
    void setStatusBit(int bit, bool on);
    void setPower(bool on);
    void saveState();

    quorvan::VirtualEncoder& encoder_;
    int ptyCoding_ = 0;
    QString stateFile_;
    std::array<std::uint8_t, 256> shown_{};
    bool shownOnce_ = false;

public:
    // The window's parts, named like the main window's controls so tests can reach them.
    QPlainTextEdit* RAMView = nullptr;
    QLabel* LPI = nullptr;
    QLabel* LPS = nullptr;
    QLabel* LPTY = nullptr;
    QLabel* LFlags = nullptr;
    QLabel* LDI = nullptr;
    QLabel* LAF = nullptr;
    QLabel* LRTInfo = nullptr;
    QLabel* LRT = nullptr;
    QLabel* LDPSInfo = nullptr;
    QLabel* LDPS = nullptr;
    QLabel* LUDG = nullptr;
    QLabel* LCT = nullptr;
    QLabel* LSubcarrier = nullptr;
    QLabel* LCarrier = nullptr;
    QLabel* LLastCommand = nullptr;
    QLabel* LStatus = nullptr;
    QLabel* LChanged = nullptr;
    QLabel* LSaveError = nullptr;
    QCheckBox* CBPilot = nullptr;
    QCheckBox* CBStatusTA = nullptr;
    QCheckBox* CBPower = nullptr;
    ReceiverSection* Receiver = nullptr;
};

} // namespace quorvan_app
