// A one-column grid whose rows are always in edit mode: each row is a
// one-line field with its own typing limit.
#pragma once

#include "widgets/limited_line_edit.h"

#include <QFrame>
#include <QVector>

namespace quorvan_widgets {

class TextGrid : public QFrame {
    Q_OBJECT
public:
    TextGrid(int rows, int typedLimit, QWidget* parent = nullptr);

    int rowCount() const { return int(rows_.size()); }
    LimitedLineEdit* row(int r) const { return rows_.value(r); }
    QString text(int r) const;
    void setText(int r, const QString& text);
    // The row that has (or last had) the focus.
    int currentRow() const { return current_; }
    // Makes row r current and gives it the focus.
    void setCurrentRow(int r);
    // Notes row r as current without moving the focus (a key reached it).
    void noteCurrentRow(int r)
    {
        if (r >= 0 && r < rows_.size())
            current_ = r;
    }
    // Row height in pixels.
    static constexpr int kRowHeight = 17;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QVector<LimitedLineEdit*> rows_;
    int current_ = 0;
};

} // namespace quorvan_widgets
