// A label of one line that never changes the size of its window: a text
// longer than the label ends in "..." and stands whole in the tool-tip.
#pragma once

#include <QLabel>

namespace quorvan_app {

class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);
    // text() and the tool-tip keep the whole text.
    void setFullText(const QString& text);
    // The text as drawn at the label's width.
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace quorvan_app
