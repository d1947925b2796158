// The "Meaning" section of the virtual encoder's monitor: what the bytes of
// the encoder's RAM mean (PI, PS, PTY, flags, AF list, radiotext, dynamic PS,
// user group, clock time, subcarrier). It only shows what it is given.
#pragma once

#include <QGroupBox>

class QFormLayout;
class QLabel;

namespace quorvan {
struct ImageMeaning;
}

namespace quorvan_app {

class MeaningSection : public QGroupBox {
    Q_OBJECT
public:
    explicit MeaningSection(QWidget* parent = nullptr);

    void showMeaning(const quorvan::ImageMeaning& meaning);

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
};

// A value label of a monitor section's form ("" caption: a row without one).
QLabel* AddMonitorField(QFormLayout* form, const QString& caption, const QString& name);

} // namespace quorvan_app
