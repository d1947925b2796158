#include "widgets/int_spin.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>

namespace quorvan_widgets {

IntSpin::IntSpin(int minimum, int maximum, int value, QWidget* parent) : QSpinBox(parent)
{
    setRange(minimum, maximum);
    setValue(value);
    lineEdit()->setReadOnly(true);
    setContextMenuPolicy(Qt::NoContextMenu);
}

void IntSpin::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown) {
        event->ignore();
        return;
    }
    QSpinBox::keyPressEvent(event);
}

void IntSpin::wheelEvent(QWheelEvent* event)
{
    event->ignore();
}

} // namespace quorvan_widgets
