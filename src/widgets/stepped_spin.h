// The stepped-value control: a value that is always a whole number of steps,
// shown with a fixed count of decimals, a space and a unit text. It changes
// only through its up and down buttons, the Up and Down keys or its drop-down
// track bar; it cannot be typed into, and PageUp/PageDown and the mouse wheel
// leave it alone (the wheel scrolls whatever lies under it). A thin gauge
// under the value shows where it lies between its limits.
#pragma once

#include <QWidget>

class QToolButton;
class QSlider;
class QFrame;

namespace quorvan_widgets {

class SteppedSpin : public QWidget {
    Q_OBJECT
public:
    explicit SteppedSpin(QWidget* parent = nullptr);

    // The value is steps x stepSize; steps run from minSteps to maxSteps.
    void setRange(int minSteps, int maxSteps, double stepSize, int decimals);
    int minSteps() const { return minSteps_; }
    int maxSteps() const { return maxSteps_; }
    double stepSize() const { return stepSize_; }
    int decimals() const { return decimals_; }

    int steps() const { return steps_; }
    // Clamps into the range; emits changed() when the step count changes.
    void setSteps(int steps);
    double value() const { return steps_ * stepSize_; }
    // Steps up (positive) or down (negative), clamping at the limits.
    void stepBy(int delta) { setSteps(steps_ + delta); }

    void setUnit(const QString& unit);
    QString unit() const { return unit_; }
    // The number as shown, without the unit ("21.6").
    QString valueText() const;
    // What the control shows: the number, a space and the unit ("21.6 sec").
    QString displayText() const;

    // Opens or closes the drop-down track bar.
    void showTrackBar();
    void hideTrackBar();
    QSlider* trackBar() const { return slider_; }

    QSize sizeHint() const override;

signals:
    void changed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QRect valueRect() const;
    void placeButtons();

    int minSteps_ = 0;
    int maxSteps_ = 100;
    double stepSize_ = 1.0;
    int decimals_ = 0;
    int steps_ = 0;
    QString unit_;

    QToolButton* up_;
    QToolButton* down_;
    QToolButton* drop_;
    QFrame* popup_;
    QSlider* slider_;
};

} // namespace quorvan_widgets
