#include "app/elided_label.h"

#include <QPainter>
#include <QStyle>

namespace quorvan_app {

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setFixedHeight(fontMetrics().height() + contentsMargins().top() + contentsMargins().bottom());
}

void ElidedLabel::setFullText(const QString& text)
{
    setText(text);
    setToolTip(text);
    update();
}

QString ElidedLabel::shownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width());
}

QSize ElidedLabel::sizeHint() const
{
    return {0, height()};
}

QSize ElidedLabel::minimumSizeHint() const
{
    return {0, height()};
}

void ElidedLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(), Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(),
                          shownText(), foregroundRole());
}


} // namespace quorvan_app
