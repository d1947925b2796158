// The window's own controls on their own: what changes the stepped and
// integer spin controls, and how a framed group draws its caption.
#include "widgets/framed_group.h"
#include "widgets/int_spin.h"
#include "widgets/stepped_spin.h"

#include <QApplication>
#include <QImage>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

using quorvan_widgets::FramedGroup;
using quorvan_widgets::IntSpin;
using quorvan_widgets::SteppedSpin;

namespace {

// Turns the wheel one notch down over the middle of w. Returns whether w
// kept the turn; one it leaves goes on to its parent (the page scrolls).
bool wheelDown(QWidget* w)
{
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QWheelEvent wheel(at, w->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &wheel);
    return wheel.isAccepted();
}

// Dark pixels inside r: the caption's black letters (the frame is light grey).
int inkIn(const QImage& image, const QRect& r)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += qGray(image.pixel(x, y)) < 100 ? 1 : 0;
    return n;
}

} // namespace

class WidgetsTest : public QObject {
    Q_OBJECT
private slots:
    // Only the buttons, Up and Down and the track bar change a value: a
    // PageUp/PageDown or a wheel turn meant to scroll the page leaves the
    // station value alone, and the wheel turn is left to the page.
    void spinControlsIgnorePageKeysAndTheWheel()
    {
        QWidget page;
        auto* layout = new QVBoxLayout(&page);
        auto* stepped = new SteppedSpin;
        stepped->setRange(0, 100, 0.5, 1);
        stepped->setSteps(50);
        auto* integer = new IntSpin(-12, 12, 0);
        layout->addWidget(stepped);
        layout->addWidget(integer);
        page.show();
        QApplication::setActiveWindow(&page);

        for (QWidget* w : {static_cast<QWidget*>(stepped), static_cast<QWidget*>(integer)}) {
            w->setFocus();
            QTest::keyClick(w, Qt::Key_PageUp);
            QTest::keyClick(w, Qt::Key_PageDown);
            QTest::keyClick(w, Qt::Key_PageDown);
            QVERIFY2(!wheelDown(w), w->metaObject()->className());
        }
        QCOMPARE(stepped->steps(), 50);
        QCOMPARE(integer->value(), 0);

        QTest::keyClick(stepped, Qt::Key_Up);
        QTest::keyClick(integer, Qt::Key_Down);
        QCOMPARE(stepped->steps(), 51);
        QCOMPARE(integer->value(), -1);
    }

    // A caption of two lines (a translation's "~~") stays on the frame's
    // edge, its lines side by side: a second line would cover the group's
    // first control. Too long a caption ends in an ellipsis at the frame.
    void framedGroupKeepsItsCaptionOnTheEdge()
    {
        auto draw = [](const QString& caption) {
            FramedGroup group(caption);
            QPalette pal = group.palette();
            pal.setColor(QPalette::WindowText, Qt::black);
            pal.setColor(QPalette::Window, Qt::white);
            pal.setColor(QPalette::Mid, Qt::gray);
            pal.setColor(QPalette::Light, Qt::white);
            group.setPalette(pal);
            group.resize(200, 80);
            QImage image(group.size(), QImage::Format_RGB32);
            image.fill(Qt::white);
            group.render(&image);
            return image;
        };
        const QFontMetrics fm(FramedGroup(QString()).font());
        const QRect firstLine(8, 0, 180, fm.height() - 1);
        const QRect below(8, fm.height(), 184, 80 - fm.height() - 4);
        const QRect beyondOneWord(8 + fm.horizontalAdvance(QStringLiteral("Port ")) + 2, 0, 100, fm.height() - 1);

        for (const QString& caption : {QStringLiteral("Port\r\noptions"), QStringLiteral("Port\noptions")}) {
            const QImage two = draw(caption);
            QVERIFY(inkIn(two, firstLine) > 0);
            QVERIFY(inkIn(two, beyondOneWord) > 0); // "options" beside "Port"
            QCOMPARE(inkIn(two, below), 0);
        }
        const QImage one = draw(QStringLiteral("Port"));
        QVERIFY(inkIn(one, firstLine) > 0);
        QCOMPARE(inkIn(one, below), 0);
        const QImage longOne = draw(QStringLiteral("A caption far too long for the frame\nof this group"));
        QCOMPARE(inkIn(longOne, QRect(197, 0, 3, fm.height())), 0);
        QCOMPARE(inkIn(longOne, below), 0);
    }
};

QTEST_MAIN(WidgetsTest)
#include "widgets_test.moc"
