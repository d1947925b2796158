#include "widgets/stepped_spin.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLocale>
#include <QPainter>
#include <QScreen>
#include <QSlider>
#include <QStyleOptionFrame>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>

namespace quorvan_widgets {

namespace {
constexpr int kButtonWidth = 14;
constexpr int kGaugeHeight = 3;
} // namespace

SteppedSpin::SteppedSpin(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);

    auto makeButton = [this](Qt::ArrowType arrow) {
        auto* b = new QToolButton(this);
        b->setArrowType(arrow);
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRepeat(true);
        b->setAutoRepeatDelay(400);
        b->setAutoRepeatInterval(60);
        return b;
    };
    up_ = makeButton(Qt::UpArrow);
    down_ = makeButton(Qt::DownArrow);
    drop_ = makeButton(Qt::DownArrow);
    drop_->setAutoRepeat(false);
    drop_->setToolTip(QString());
    connect(up_, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(down_, &QToolButton::clicked, this, [this] { stepBy(-1); });
    connect(drop_, &QToolButton::clicked, this, [this] { showTrackBar(); });

    popup_ = new QFrame(this, Qt::Popup);
    popup_->setFrameShape(QFrame::StyledPanel);
    popup_->setFrameShadow(QFrame::Raised);
    auto* lay = new QHBoxLayout(popup_);
    lay->setContentsMargins(4, 2, 4, 2);
    slider_ = new QSlider(Qt::Horizontal, popup_);
    slider_->setTickPosition(QSlider::TicksBelow);
    slider_->setPageStep(1);
    lay->addWidget(slider_);
    slider_->installEventFilter(this);
    connect(slider_, &QSlider::valueChanged, this, [this](int v) { setSteps(v); });
    setRange(0, 100, 1.0, 0);
}

void SteppedSpin::setRange(int minSteps, int maxSteps, double stepSize, int decimals)
{
    minSteps_ = minSteps;
    maxSteps_ = std::max(minSteps, maxSteps);
    stepSize_ = stepSize;
    decimals_ = std::max(0, decimals);
    {
        const QSignalBlocker block(slider_);
        slider_->setRange(minSteps_, maxSteps_);
        slider_->setTickInterval(std::max(1, (maxSteps_ - minSteps_) / 10));
    }
    const int clamped = std::clamp(steps_, minSteps_, maxSteps_);
    if (clamped != steps_)
        setSteps(clamped);
    up_->setEnabled(steps_ < maxSteps_);
    down_->setEnabled(steps_ > minSteps_);
    update();
}

void SteppedSpin::setSteps(int steps)
{
    steps = std::clamp(steps, minSteps_, maxSteps_);
    if (steps == steps_)
        return;
    steps_ = steps;
    {
        const QSignalBlocker block(slider_);
        slider_->setValue(steps_);
    }
    up_->setEnabled(steps_ < maxSteps_);
    down_->setEnabled(steps_ > minSteps_);
    update();
    emit changed();
}

void SteppedSpin::setUnit(const QString& unit)
{
    if (unit == unit_)
        return;
    unit_ = unit;
    update();
}

QString SteppedSpin::valueText() const
{
    return QLocale().toString(value(), 'f', decimals_);
}

QString SteppedSpin::displayText() const
{
    return unit_.isEmpty() ? valueText() : valueText() + QLatin1Char(' ') + unit_;
}

void SteppedSpin::showTrackBar()
{
    if (!isEnabled())
        return;
    const int w = std::max(width(), 180);
    popup_->resize(w, popup_->sizeHint().height());
    QPoint pos = mapToGlobal(QPoint(0, height()));
    if (const QScreen* s = screen()) {
        const QRect avail = s->availableGeometry();
        if (pos.y() + popup_->height() > avail.bottom())
            pos.setY(mapToGlobal(QPoint(0, 0)).y() - popup_->height());
        pos.setX(std::clamp(pos.x(), avail.left(), std::max(avail.left(), avail.right() - w)));
    }
    popup_->move(pos);
    popup_->show();
    slider_->setFocus();
}

void SteppedSpin::hideTrackBar()
{
    popup_->hide();
}

QSize SteppedSpin::sizeHint() const
{
    const QFontMetrics fm(font());
    return {fm.horizontalAdvance(QStringLiteral("000.00 degrees")) + 2 * kButtonWidth + 10,
            fm.height() + 8};
}

QRect SteppedSpin::valueRect() const
{
    return QRect(0, 0, width() - 2 * kButtonWidth, height());
}

void SteppedSpin::placeButtons()
{
    const int x = width() - 2 * kButtonWidth;
    drop_->setGeometry(x, 0, kButtonWidth, height());
    const int half = height() / 2;
    up_->setGeometry(x + kButtonWidth, 0, kButtonWidth, half);
    down_->setGeometry(x + kButtonWidth, half, kButtonWidth, height() - half);
}

void SteppedSpin::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeButtons();
}

void SteppedSpin::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        hideTrackBar();
}

void SteppedSpin::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect box = valueRect();

    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.rect = box;
    frame.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, this);
    frame.midLineWidth = 0;
    frame.state |= QStyle::State_Sunken;
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &frame, &p, this);

    const QRect inner = box.adjusted(3, 2, -2, -2);
    const QRect textRect = inner.adjusted(0, 0, 0, -kGaugeHeight);
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft, displayText());
    if (hasFocus()) {
        QStyleOptionFocusRect fr;
        fr.initFrom(this);
        fr.rect = textRect.adjusted(-1, 0, 0, 0);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &fr, &p, this);
    }

    // The gauge: the share of the range below the value, shaded from red to
    // the highlight colour.
    const int span = maxSteps_ - minSteps_;
    const double share = span > 0 ? double(steps_ - minSteps_) / span : 1.0;
    const QRect gauge(inner.left(), inner.bottom() - kGaugeHeight + 1, inner.width(), kGaugeHeight);
    const int filled = int(gauge.width() * share + 0.5);
    if (filled > 0) {
        QLinearGradient g(gauge.topLeft(), gauge.topRight());
        const QColor high = palette().color(QPalette::Highlight);
        g.setColorAt(0.0, isEnabled() ? QColor(Qt::red) : palette().color(QPalette::Mid));
        g.setColorAt(1.0, isEnabled() ? high : palette().color(QPalette::Mid));
        p.fillRect(QRect(gauge.left(), gauge.top(), filled, gauge.height()), g);
    }
}

void SteppedSpin::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up:
        stepBy(1);
        break;
    case Qt::Key_Down:
        if (event->modifiers() & Qt::AltModifier)
            showTrackBar();
        else
            stepBy(-1);
        break;
    case Qt::Key_F4:
        showTrackBar();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void SteppedSpin::wheelEvent(QWheelEvent* event)
{
    // A wheel turn meant to scroll must not change a station value unseen:
    // it goes on to the parent.
    event->ignore();
}

void SteppedSpin::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    QWidget::mousePressEvent(event);
}

bool SteppedSpin::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == slider_ && event->type() == QEvent::KeyPress) {
        const auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter || k->key() == Qt::Key_Escape) {
            hideTrackBar();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace quorvan_widgets
