#include "widgets/int_spin.h"

#include <QLineEdit>

namespace quorvan_widgets {

IntSpin::IntSpin(int minimum, int maximum, int value, QWidget* parent) : QSpinBox(parent)
{
    setRange(minimum, maximum);
    setValue(value);
    lineEdit()->setReadOnly(true);
    setContextMenuPolicy(Qt::NoContextMenu);
}

} // namespace quorvan_widgets
