// The framed caption group: a thin etched frame with its caption set into the
// top edge. Children are placed by coordinates inside it; the frame's top edge
// runs through the middle of the caption line.
#pragma once

#include <QGroupBox>

namespace quorvan_widgets {

class FramedGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit FramedGroup(const QString& caption, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace quorvan_widgets
