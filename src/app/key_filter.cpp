#include "app/key_filter.h"

#include "app/latin1.h"
#include "widgets/limited_line_edit.h"

#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace quorvan_app {

std::optional<char> TypedChar(const QKeyEvent& event)
{
    switch (event.key()) {
    case Qt::Key_Backspace:
        return '\b';
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return '\r';
    case Qt::Key_Escape:
        return '\x1b';
    case Qt::Key_Delete:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return std::nullopt;
    default:
        break;
    }
    const Qt::KeyboardModifiers mods = event.modifiers();
    if ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier) && event.key() >= Qt::Key_A
        && event.key() <= Qt::Key_Z)
        return static_cast<char>(event.key() - Qt::Key_A + 1);
    const QString text = event.text();
    if (text.size() != 1 || !text.at(0).isPrint())
        return std::nullopt;
    char c = 0;
    if (!toByte(text.at(0), c))
        return std::nullopt;
    return c;
}

namespace {

// True when the key press would put text into a field: it carries text and
// is not one of the editing keys that TypedChar leaves to the field.
bool TypesText(const QKeyEvent& event)
{
    switch (event.key()) {
    case Qt::Key_Delete:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return false;
    default:
        return !event.text().isEmpty();
    }
}

} // namespace

KeyPressFilter::KeyPressFilter(QWidget* target, Handler handler, Unseen unseen)
    : QObject(target), handler_(std::move(handler)), unseen_(unseen)
{
    target->installEventFilter(this);
}

bool KeyPressFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::InputMethod && unseen_ == Unseen::Discard) {
        auto* im = static_cast<QInputMethodEvent*>(event);
        const QString commit = im->commitString();
        if (commit.isEmpty())
            return false;
        QString passed;
        for (const QChar c : commit) {
            char key = 0;
            if (!c.isPrint() || !toByte(c, key))
                continue; // outside the byte set (a surrogate half included)
            handler_(key);
            if (key != 0)
                passed += toQChar(key);
        }
        if (passed != commit)
            im->setCommitString(passed, im->replacementStart(), im->replacementLength());
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* k = static_cast<QKeyEvent*>(event);
    const std::optional<char> typed = TypedChar(*k);
    if (!typed)
        return unseen_ == Unseen::Discard && TypesText(*k);
    char key = *typed;
    handler_(key);
    if (key == 0)
        return true;
    if (key == *typed)
        return false;
    // The handler replaced the character: type the replacement instead.
    const QString text(toQChar(key));
    if (auto* limited = qobject_cast<quorvan_widgets::LimitedLineEdit*>(watched))
        limited->insertLimited(text);
    else if (auto* edit = qobject_cast<QLineEdit*>(watched))
        edit->insert(text);
    return true;
}

ExitFilter::ExitFilter(QWidget* target, std::function<void()> handler)
    : QObject(target), handler_(std::move(handler))
{
    target->installEventFilter(this);
}

bool ExitFilter::eventFilter(QObject*, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        const Qt::FocusReason r = static_cast<QFocusEvent*>(event)->reason();
        // Switching to another window or opening a menu does not leave the field.
        if (r != Qt::ActiveWindowFocusReason && r != Qt::PopupFocusReason)
            handler_();
    }
    return false;
}

} // namespace quorvan_app
