#include "widgets/text_grid.h"

#include <QEvent>
#include <QVBoxLayout>

namespace quorvan_widgets {

TextGrid::TextGrid(int rows, int typedLimit, QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    // The one-pixel gaps between the rows show as grid lines.
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Midlight));
    setPalette(pal);
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(1, 1, 1, 1);
    lay->setSpacing(1);
    for (int r = 0; r < rows; ++r) {
        auto* e = new LimitedLineEdit(this, typedLimit);
        e->setFrame(false);
        e->setFixedHeight(kRowHeight - 1);
        e->installEventFilter(this);
        lay->addWidget(e);
        rows_.append(e);
    }
    lay->addStretch(1);
    setFocusProxy(rows_.value(0));
}

QString TextGrid::text(int r) const
{
    return r >= 0 && r < rows_.size() ? rows_[r]->text() : QString();
}

void TextGrid::setText(int r, const QString& text)
{
    if (r >= 0 && r < rows_.size())
        rows_[r]->setText(text);
}

void TextGrid::setCurrentRow(int r)
{
    if (r < 0 || r >= rows_.size())
        return;
    current_ = r;
    rows_[r]->setFocus(Qt::OtherFocusReason);
    rows_[r]->selectAll();
}

bool TextGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        const int r = int(rows_.indexOf(static_cast<LimitedLineEdit*>(watched)));
        if (r >= 0)
            current_ = r;
    }
    return QFrame::eventFilter(watched, event);
}

} // namespace quorvan_widgets
