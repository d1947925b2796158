#include "widgets/limited_line_edit.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include <algorithm>
#include <climits>

namespace quorvan_widgets {

LimitedLineEdit::LimitedLineEdit(QWidget* parent, int limit) : QLineEdit(parent), limit_(limit)
{
    // Dropped text would bypass the limit; dragging text in is not offered.
    setAcceptDrops(false);
}

int LimitedLineEdit::room() const
{
    if (limit_ <= 0)
        return INT_MAX;
    const int remaining = int(text().size() - selectedText().size());
    return std::max(0, limit_ - remaining);
}

QString LimitedLineEdit::filtered(const QString& text) const
{
    return filter_ ? filter_(text) : text;
}

void LimitedLineEdit::insertLimited(const QString& text)
{
    if (isReadOnly())
        return;
    const QString cut = filtered(text).left(room());
    if (cut.isEmpty() && !hasSelectedText())
        return;
    insert(cut);
}

void LimitedLineEdit::pasteLimited(bool fromSelection)
{
    const QString text = QGuiApplication::clipboard()->text(fromSelection ? QClipboard::Selection
                                                                          : QClipboard::Clipboard);
    // A paste takes only the first line, as a one-line edit field does.
    insertLimited(text.section(QLatin1Char('\n'), 0, 0).remove(QLatin1Char('\r')));
}

void LimitedLineEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Paste)) {
        pasteLimited();
        event->accept();
        return;
    }
    const QString t = event->text();
    const bool printable = !t.isEmpty() && t.at(0).isPrint();
    if (printable && !(event->modifiers() & Qt::ControlModifier) && filtered(t) != t) {
        insertLimited(t);  // what the field takes in its place, if anything
        event->accept();
        return;
    }
    if (printable && limit_ > 0 && !(event->modifiers() & Qt::ControlModifier)) {
        if (room() < t.size()) {
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void LimitedLineEdit::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (QAction* paste = menu->findChild<QAction*>(QStringLiteral("edit-paste"))) {
        paste->disconnect();
        connect(paste, &QAction::triggered, this, [this] { pasteLimited(); });
    }
    menu->popup(event->globalPos());
}

void LimitedLineEdit::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::MiddleButton) {
        if (QGuiApplication::clipboard()->supportsSelection())
            pasteLimited(true);
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void LimitedLineEdit::inputMethodEvent(QInputMethodEvent* event)
{
    const QString commit = filtered(event->commitString());
    if (commit != event->commitString()) {
        QInputMethodEvent kept(event->preeditString(), event->attributes());
        kept.setCommitString(commit, event->replacementStart(), event->replacementLength());
        inputMethodEvent(&kept);
        event->accept();
        return;
    }
    if (limit_ > 0 && !event->commitString().isEmpty() && room() < event->commitString().size()) {
        event->accept();
        return;
    }
    QLineEdit::inputMethodEvent(event);
}

} // namespace quorvan_widgets
