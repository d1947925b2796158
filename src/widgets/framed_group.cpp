#include "widgets/framed_group.h"

#include <QPainter>

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
    // A translated caption may hold line breaks (CR LF, or either alone):
    // every line is drawn, one under the other, the first on the frame's edge.
    QString text = caption;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList lines = text.split(QLatin1Char('\n'));
    int textWidth = 0;
    for (const QString& line : lines)
        textWidth = std::max(textWidth, fm.horizontalAdvance(line));
    textWidth = std::min(textWidth, width() - 16);
    const int lineCount = int(lines.size());
    const QRect textRect(8, 0, textWidth + 4, fm.height() * lineCount);
    p.fillRect(textRect, palette().color(backgroundRole()));
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    p.setClipRect(QRect(0, 0, width() - 6, fm.height() * lineCount + 2));
    for (int i = 0; i < lineCount; ++i)
        p.drawText(QPoint(textRect.left() + 2, fm.ascent() + i * fm.height()), lines.at(i));
}

} // namespace quorvan_widgets
