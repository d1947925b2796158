// The "Receiver" section of the virtual encoder's monitor: what a radio tuned
// to the virtual encoder shows. A timer feeds the encoder's group stream to a
// receiver at the real group rate (11.4 groups per second). Every group is
// formed from the encoder's RAM as it is at that moment, so a change the main
// window writes is on air with the next group, between operations as well.
// The section only reads the encoder; it never writes to it.
#pragma once

#include "rds/generator.h"
#include "rds/receiver.h"

#include <QElapsedTimer>
#include <QGroupBox>

#include <string_view>

class QLabel;
class QTimer;

namespace quorvan {
class VirtualEncoder;
}

namespace quorvan_app {

class ElidedLabel;

// The receiver's characters as the window shows them: bytes of the RDS
// character table (as a radio reads them, whatever the window's own
// character set), control codes as a middle dot.
QString ReceivedText(std::string_view bytes);

class ReceiverSection : public QGroupBox {
    Q_OBJECT
public:
    ReceiverSection(quorvan::VirtualEncoder& encoder, int ptyCoding, QWidget* parent = nullptr);

    void setPTYCoding(int coding);
    // Puts `groups` groups on air now (the timer sends those that are due).
    void step(int groups);
    // Hands the receiver one group from elsewhere than the encoder's stream
    // (a group the encoder's round does not hold), and redraws.
    void take(const quorvan::rds::Group& group);
    const quorvan::rds::Receiver& receiver() const { return receiver_; }

    QLabel* LRxPS = nullptr;
    QLabel* LRxRT = nullptr;
    QLabel* LRxArtist = nullptr;  // RT+ ITEM.ARTIST
    QLabel* LRxTitle = nullptr;   // RT+ ITEM.TITLE, with the item toggle and the running flag
    QLabel* LRxPTY = nullptr;
    QLabel* LRxDI = nullptr;
    QLabel* LRxAF = nullptr;      // method A, then the method B lists
    QLabel* LRxCountry = nullptr; // country (ECC), language (LIC), programme item (PIN)
    QLabel* LRxNames = nullptr;   // PTYN and Long PS
    ElidedLabel* LRxERT = nullptr;  // enhanced RadioText, in its own letters
    ElidedLabel* LRxEON = nullptr;  // the other networks
    QLabel* LRxCT = nullptr;
    QLabel* LRxGroups = nullptr;
    QTimer* timer = nullptr;

private:
    void tick();
    void redraw();

    quorvan::VirtualEncoder& encoder_;
    int ptyCoding_ = 0;
    quorvan::rds::EncoderStream stream_;
    quorvan::rds::Receiver receiver_;
    bool onAir_ = true;
    QElapsedTimer elapsed_;
    qint64 due_ = 0;  // groups the timer has put on air since it started
};

} // namespace quorvan_app
