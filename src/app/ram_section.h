// The "RAM" section of the virtual encoder's monitor: the encoder's RAM
// 0x00..0xBF in hexadecimal with its characters, and which addresses the last
// change wrote. It only shows what it is given.
#pragma once

#include "app/elided_label.h"

#include <QGroupBox>

#include <array>
#include <cstdint>

class QPlainTextEdit;

namespace quorvan_app {

class RamSection : public QGroupBox {
    Q_OBJECT
public:
    explicit RamSection(QWidget* parent = nullptr);

    void showMemory(const std::array<std::uint8_t, 256>& memory);
    // "Changed by ...": one line of fixed height, so that a long list of
    // addresses never resizes the window (the whole text in its tool-tip).
    void showChange(const QString& text);

    // The twelve lines of the RAM view: "00: HH .. HH  cccccccccccccccc".
    static QString HexLines(const std::array<std::uint8_t, 256>& memory);

    QPlainTextEdit* RAMView = nullptr;
    ElidedLabel* LChanged = nullptr;
};

} // namespace quorvan_app
