// A framed group of radio buttons in one or more columns that acts as one
// choice: itemIndex() is the 0-based index of the checked item, -1 when none.
#pragma once

#include "widgets/framed_group.h"

#include <QStringList>
#include <QVector>

class QRadioButton;
class QButtonGroup;

namespace quorvan_widgets {

class RadioGroup : public FramedGroup {
    Q_OBJECT
public:
    RadioGroup(const QString& caption, const QStringList& items, int columns = 1,
               QWidget* parent = nullptr);

    int itemIndex() const { return index_; }
    // Selects an item (-1 clears the choice); emits clicked() when it changes.
    // An index outside the items is ignored.
    void setItemIndex(int index);
    int count() const { return int(buttons_.size()); }
    QRadioButton* button(int i) const { return buttons_.value(i); }
    QStringList items() const;
    void setItemText(int i, const QString& text);

    // Row height of the item buttons and the top offset of the first row.
    void setRowMetrics(int top, int rowHeight);
    // The last `count` items each take a whole row below the columns (an item
    // of two lines takes two rows).
    void setFullWidthTail(int count);

signals:
    // The chosen item changed, by the operator or by the program.
    void clicked();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeButtons();

    QVector<QRadioButton*> buttons_;
    QButtonGroup* group_;
    int columns_;
    int index_ = -1;
    int top_ = 16;
    int rowHeight_ = 17;
    int tail_ = 0;
};

} // namespace quorvan_widgets
