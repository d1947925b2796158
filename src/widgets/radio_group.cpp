#include "widgets/radio_group.h"

#include <QButtonGroup>
#include <QRadioButton>

#include <algorithm>

namespace quorvan_widgets {

RadioGroup::RadioGroup(const QString& caption, const QStringList& items, int columns,
                       QWidget* parent)
    : FramedGroup(caption, parent), group_(new QButtonGroup(this)), columns_(std::max(1, columns))
{
    // Exclusiveness is kept by hand so that the group may also have no item.
    group_->setExclusive(false);
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items.at(i), this);
        b->setAutoExclusive(false);
        group_->addButton(b, i);
        buttons_.append(b);
        connect(b, &QRadioButton::clicked, this, [this, i] {
            // A click on the checked item leaves it checked.
            setItemIndex(i);
            buttons_[i]->setChecked(true);
        });
    }
}

QStringList RadioGroup::items() const
{
    QStringList out;
    for (auto* b : buttons_)
        out << b->text();
    return out;
}

void RadioGroup::setItemText(int i, const QString& text)
{
    if (i >= 0 && i < buttons_.size())
        buttons_[i]->setText(text);
}

void RadioGroup::setItemIndex(int index)
{
    if (index < -1 || index >= buttons_.size())
        return;
    for (int i = 0; i < buttons_.size(); ++i) {
        const QSignalBlocker block(buttons_[i]);
        buttons_[i]->setChecked(i == index);
    }
    if (index == index_)
        return;
    index_ = index;
    emit clicked();
}

void RadioGroup::setRowMetrics(int top, int rowHeight)
{
    top_ = top;
    rowHeight_ = rowHeight;
    placeButtons();
}

void RadioGroup::resizeEvent(QResizeEvent* event)
{
    FramedGroup::resizeEvent(event);
    placeButtons();
}

void RadioGroup::setFullWidthTail(int count)
{
    tail_ = std::clamp(count, 0, int(buttons_.size()));
    placeButtons();
}

void RadioGroup::placeButtons()
{
    const int n = int(buttons_.size()) - tail_;
    const int rows = (n + columns_ - 1) / columns_;
    const int colWidth = (width() - 12) / columns_;
    for (int i = 0; i < n; ++i) {
        const int col = i / std::max(1, rows);
        const int row = i % std::max(1, rows);
        buttons_[i]->setGeometry(8 + col * colWidth, top_ + row * rowHeight_, colWidth - 2,
                                 rowHeight_);
    }
    int y = top_ + rows * rowHeight_;
    for (int i = n; i < int(buttons_.size()); ++i) {
        const int height = rowHeight_ * int(buttons_[i]->text().count(QLatin1Char('\n')) + 1);
        buttons_[i]->setGeometry(8, y, width() - 14, height);
        y += height;
    }
}

} // namespace quorvan_widgets
