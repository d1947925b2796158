// Key and focus hooks that give the window's handlers the shape they have in
// the program: a key-press handler sees one typed character (a byte; 8 for
// Backspace, 13 for Enter, 27 for Escape, 1..26 for Ctrl+letter) and may
// replace it or set it to 0 to discard it; an exit handler runs when the
// focus moves from the field to another control of the window.
#pragma once

#include <QObject>

#include <functional>
#include <optional>

class QKeyEvent;
class QWidget;

namespace quorvan_app {

// The character a key press types, if any (arrows, Delete, F-keys type none).
std::optional<char> TypedChar(const QKeyEvent& event);

class KeyPressFilter : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(char& key)>;
    // What happens to a character the handler cannot be shown: one outside
    // the byte set ("€" typed with AltGr+E), a control character it
    // has no byte for, or the text an input method commits (dead keys,
    // compose) that is not a plain byte.
    enum class Unseen {
        Pass,    // the field takes it as typed (free text fields)
        Discard, // a field that takes only what its handler passes
    };
    // Installs itself on target; lives as long as target. With
    // Unseen::Discard the text an input method commits also goes through
    // the handler, character by character, and only what it passes (or puts
    // in its place) reaches the field.
    KeyPressFilter(QWidget* target, Handler handler, Unseen unseen = Unseen::Pass);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Handler handler_;
    Unseen unseen_;
};

class ExitFilter : public QObject {
    Q_OBJECT
public:
    ExitFilter(QWidget* target, std::function<void()> handler);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> handler_;
};

} // namespace quorvan_app
