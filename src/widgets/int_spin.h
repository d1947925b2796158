// The integer spin control: a whole number between its limits, changed with
// the up and down buttons, the arrow keys or the wheel; it cannot be typed into.
#pragma once

#include <QSpinBox>

namespace quorvan_widgets {

class IntSpin : public QSpinBox {
    Q_OBJECT
public:
    IntSpin(int minimum, int maximum, int value, QWidget* parent = nullptr);
};

} // namespace quorvan_widgets
