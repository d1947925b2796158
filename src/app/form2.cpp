#include "app/form2.h"

#include "app/app_icon.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionFrame>

namespace quorvan_app {

TForm2::TForm2(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("SplashWindow"));
    setFixedSize(193, 49);
    if (const QScreen* s = QGuiApplication::primaryScreen())
        move(s->geometry().center() - QPoint(width() / 2, height() / 2));
}

void TForm2::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(0xA6, 0xCA, 0xF0)); // sky blue
    auto bevel = [&](const QRect& r, bool raised) {
        const QColor light = Qt::white;
        const QColor dark(0x80, 0x80, 0x80);
        p.setPen(raised ? light : dark);
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(raised ? dark : light);
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
    };
    bevel(rect().adjusted(0, 0, -1, -1), true);
    bevel(QRect(7, 7, 36, 36).adjusted(0, 0, -1, -1), false);
    p.drawPixmap(9, 9, ProgramPixmap(32));
    QFont f(QStringLiteral("Liberation Sans"));
    f.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    f.setBold(true);
    f.setPixelSize(35);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(QRect(46, 6, width() - 48, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Quorvan"));
}

} // namespace quorvan_app
