// The "Encoder" section of the virtual encoder's monitor: power, carrier,
// the last command and the status byte, whose two bits (pilot tone, traffic
// announcement) a real encoder reports from the outside world and the user
// sets here. The section changes nothing itself: it asks for a change with
// its signals, and shows the encoder it is given.
#pragma once

#include <QGroupBox>

#include <string>

class QCheckBox;
class QLabel;

namespace quorvan {
class VirtualEncoder;
}

namespace quorvan_app {

class EncoderSection : public QGroupBox {
    Q_OBJECT
public:
    explicit EncoderSection(QWidget* parent = nullptr);

    void showEncoder(const quorvan::VirtualEncoder& encoder);
    // The state file could not be read or saved ("": the error is gone).
    void showFileError(const std::string& error);

    QLabel* LCarrier = nullptr;
    QLabel* LLastCommand = nullptr;
    QLabel* LStatus = nullptr;
    QLabel* LSaveError = nullptr;
    QCheckBox* CBPilot = nullptr;
    QCheckBox* CBStatusTA = nullptr;
    QCheckBox* CBPower = nullptr;

signals:
    void statusBitClicked(int bit, bool on);
    void powerClicked(bool on);
};

} // namespace quorvan_app
