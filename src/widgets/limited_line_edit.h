// A one-line text field with a typing limit and a text filter: once the limit
// is reached, typed and pasted characters are refused, and a paste is cut to
// the room left.
// Text set by the program is never cut, so a longer value loaded from the
// settings file is shown whole.
#pragma once

#include <QLineEdit>

#include <functional>

namespace quorvan_widgets {

class LimitedLineEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit LimitedLineEdit(QWidget* parent = nullptr, int limit = 0);

    // 0 means no limit.
    void setLimit(int limit) { limit_ = limit; }
    // What the field takes of a typed, pasted or input-method text (it may
    // leave characters out or put others in their place). Unset: the text.
    void setTextFilter(std::function<QString(const QString&)> filter) { filter_ = std::move(filter); }
    // The text as the filter lets it into the field.
    QString filtered(const QString& text) const;
    int limit() const { return limit_; }

    // Inserts text at the cursor as typing or pasting would, cut to the room
    // left under the limit (replacing the selection, if any).
    void insertLimited(const QString& text);
    // Pastes the clipboard (or, on X11, the mouse selection) through insertLimited.
    void pasteLimited(bool fromSelection = false);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    int room() const;

    int limit_ = 0;
    std::function<QString(const QString&)> filter_;
};

} // namespace quorvan_widgets
