// The integer spin control: a whole number between its limits, changed with
// the up and down buttons or the Up and Down keys only; it cannot be typed
// into, and PageUp/PageDown and the mouse wheel leave it alone (the wheel
// scrolls whatever lies under it).
#pragma once

#include <QSpinBox>

namespace quorvan_widgets {

class IntSpin : public QSpinBox {
    Q_OBJECT
public:
    IntSpin(int minimum, int maximum, int value, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
};

} // namespace quorvan_widgets
