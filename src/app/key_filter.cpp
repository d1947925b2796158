#include "app/key_filter.h"

#include "app/latin1.h"
#include "widgets/limited_line_edit.h"

#include <QFocusEvent>
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

KeyPressFilter::KeyPressFilter(QWidget* target, Handler handler)
    : QObject(target), handler_(std::move(handler))
{
    target->installEventFilter(this);
}

bool KeyPressFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* k = static_cast<QKeyEvent*>(event);
    const std::optional<char> typed = TypedChar(*k);
    if (!typed)
        return false;
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
