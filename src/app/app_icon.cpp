#include "app/app_icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace quorvan_app {

QPixmap ProgramPixmap(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QLinearGradient bg(0, 0, 0, s);
    bg.setColorAt(0, QColor(0x2a, 0x6f, 0xc9));
    bg.setColorAt(1, QColor(0x10, 0x33, 0x6e));
    p.setPen(QPen(QColor(0x0a, 0x20, 0x48), s / 32));
    p.setBrush(bg);
    p.drawRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), s / 6, s / 6);
    // Mast and waves.
    p.setPen(QPen(Qt::white, s / 16, Qt::SolidLine, Qt::RoundCap));
    const QPointF top(s * 0.5, s * 0.30);
    p.drawLine(top, QPointF(s * 0.38, s * 0.62));
    p.drawLine(top, QPointF(s * 0.62, s * 0.62));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0xff, 0xd8, 0x40), s / 20, Qt::SolidLine, Qt::RoundCap));
    for (int i = 1; i <= 2; ++i) {
        const qreal r = s * 0.11 * i;
        const QRectF arc(top.x() - r, top.y() - r, 2 * r, 2 * r);
        p.drawArc(arc, 30 * 16, 120 * 16);
    }
    QFont f(QStringLiteral("Liberation Sans"));
    f.setBold(true);
    f.setPixelSize(int(s * 0.28));
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, s * 0.62, s, s * 0.36), Qt::AlignCenter, QStringLiteral("RDS"));
    return pm;
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64})
        icon.addPixmap(ProgramPixmap(size));
    return icon;
}

namespace {

void drawChip(QPainter& p, const QRectF& r)
{
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
    p.setBrush(QColor(0x50, 0x50, 0x58));
    p.drawRect(r);
    p.setPen(QPen(QColor(0x90, 0x90, 0x90), 1));
    for (int i = 0; i < 4; ++i) {
        const qreal y = r.top() + 2 + i * (r.height() - 4) / 3;
        p.drawLine(QPointF(r.left() - 2, y), QPointF(r.left(), y));
        p.drawLine(QPointF(r.right(), y), QPointF(r.right() + 2, y));
    }
}

void drawArrow(QPainter& p, QPointF from, QPointF to, const QColor& c)
{
    p.setPen(QPen(c, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, to);
    const QPointF d = (to - from) / std::max(1.0, std::hypot((to - from).x(), (to - from).y()));
    const QPointF n(-d.y(), d.x());
    QPainterPath head;
    head.moveTo(to + d * 3);
    head.lineTo(to - d * 3 + n * 4);
    head.lineTo(to - d * 3 - n * 4);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPath(head);
}

} // namespace

QIcon CommandIcon(Command command)
{
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (command) {
    case Command::Send:
        drawChip(p, QRectF(13, 5, 8, 14));
        drawArrow(p, QPointF(2, 12), QPointF(8, 12), QColor(0x1c, 0x9a, 0x2c));
        break;
    case Command::Store:
        drawChip(p, QRectF(8, 2, 8, 10));
        p.setPen(QPen(QColor(0x20, 0x40, 0x90), 1));
        p.setBrush(QColor(0x40, 0x70, 0xc8));
        p.drawRoundedRect(QRectF(4, 16, 16, 7), 2, 2);
        drawArrow(p, QPointF(12, 11), QPointF(12, 13), QColor(0xc8, 0x60, 0x10));
        break;
    case Command::Receive:
        drawChip(p, QRectF(3, 5, 8, 14));
        drawArrow(p, QPointF(15, 12), QPointF(19, 12), QColor(0x20, 0x60, 0xd0));
        break;
    }
    p.end();
    return QIcon(pm);
}

} // namespace quorvan_app
