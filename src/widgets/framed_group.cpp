#include "widgets/framed_group.h"

#include <QPainter>
#include <QStringList>

#include <algorithm>

namespace quorvan_widgets {

FramedGroup::FramedGroup(const QString& caption, QWidget* parent) : QGroupBox(caption, parent)
{
}

void FramedGroup::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QFontMetrics fm(font());
    const int top = fm.height() / 2;
    const QRect frame = rect().adjusted(0, top, -1, -1);
    const QColor dark = palette().color(QPalette::Mid);
    const QColor light = palette().color(QPalette::Light);
    // Etched: a dark line with a light line inside and below it.
    p.setPen(light);
    p.drawRect(frame.adjusted(1, 1, 0, 0));
    p.setPen(dark);
    p.drawRect(frame.adjusted(0, 0, -1, -1));

    const QString caption = title();
    if (caption.isEmpty())
        return;
    // A translated caption may hold line breaks (CR LF, or either alone). The
    // group's first control sits just under the frame's edge, so a second
    // line would be drawn over it: the lines go side by side on the edge,
    // cut with an ellipsis where the frame ends.
    QString text = caption;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
    text = fm.elidedText(text, Qt::ElideRight, std::max(0, width() - 12));
    const QRect textRect(8, 0, fm.horizontalAdvance(text) + 4, fm.height());
    p.fillRect(textRect, palette().color(backgroundRole()));
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    p.drawText(QPoint(textRect.left() + 2, fm.ascent()), text);
}

} // namespace quorvan_widgets
