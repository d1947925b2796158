// The station values bound to the controls that show them: one table that
// both directions of the window's values walk (the controls into
// TStationParams, and TStationParams into the controls), so a value can never
// be read from one control and written to another. It only moves values; the
// rules of the values belong to the core.
#pragma once

#include "content/extended_text.h"

#include <QObject>

#include <string>
#include <type_traits>
#include <variant>

namespace quorvan_app {

struct StationBinding {
    enum class Kind {
        Bytes,       // QLineEdit: the text's bytes as they are (PI, file names)
        StationText, // QLineEdit: a text in the station's character set
        Check,       // QAbstractButton: checked
        Index,       // QComboBox: the current index (one outside the list is ignored)
        Group,       // RadioGroup: the item index
        Steps,       // SteppedSpin: the steps
        Value,       // IntSpin: the value
        Caption,     // QLabel: the caption's bytes
        GridRow,     // TextGrid row `row`: a station text
        TableCell,   // QTableWidget item (row, 1): bytes
        ListCheck,   // QListWidget item `row`: checked
        Choice,      // QAbstractButton: checked while the choice holds the button's value
        Converted,   // QLineEdit: a UTF-8 text the field is written as and read from (Converted)
    };
    // One button of a choice kept in one field (an enum or an index): checked,
    // the field takes `value`; unchecked, the field becomes `none` if it held
    // `value`. The buttons of one choice clear each other in the window.
    struct Choice {
        void* field = nullptr;
        int (*get)(const void*) = nullptr;
        void (*set)(void*, int) = nullptr;
        int value = 0;
        int none = 0;

        template <class T> static Choice of(T& field, T value, T none)
        {
            return {&field, [](const void* f) { return static_cast<int>(*static_cast<const T*>(f)); },
                    [](void* f, int v) { *static_cast<T*>(f) = static_cast<T>(v); }, static_cast<int>(value),
                    static_cast<int>(none)};
        }
        bool on() const { return get(field) == value; }
        void setOn(bool on) const
        {
            if (on)
                set(field, value);
            else if (this->on())
                set(field, none);
        }
    };
    // A field that a text stands for (a code in hexadecimal, a list, a time),
    // through the core's own format and parse of that value. `row` picks one
    // item of a list field. parse takes the text into the field (ok, with
    // `value` the text of what it took and `message` empty or a note such as
    // "cut to 32 bytes"), or refuses it (not ok, `message` the one line that
    // says why: the key and its range) and leaves the field as it was.
    struct Converted {
        void* field = nullptr;
        std::string (*format)(const void* field, int row) = nullptr;
        quorvan::Parsed<std::string> (*parse)(void* field, int row, const std::string& text) = nullptr;
    };
    Kind kind;
    QObject* widget;
    std::variant<std::string*, int*, bool*, Choice, Converted> field; // in the TStationParams the table was made for
    int row = 0;
    bool identification = false; // PS, PI, TP, PTY, M/S, DI, AF: the first run of Receive

    // The field's address, to find a binding by the value it carries.
    const void* address() const
    {
        if (const Choice* c = std::get_if<Choice>(&field))
            return c->field;
        if (const Converted* c = std::get_if<Converted>(&field))
            return c->field;
        return std::visit([](auto p) -> const void* {
            if constexpr (std::is_pointer_v<decltype(p)>)
                return p;
            else
                return nullptr;
        }, field);
    }
    // True when both bindings carry the same value (for a choice: both buttons on, or both off).
    bool sameValue(const StationBinding& other) const
    {
        if (const Choice* c = std::get_if<Choice>(&field))
            return c->on() == std::get<Choice>(other.field).on();
        if (const Converted* c = std::get_if<Converted>(&field))
            return c->format(c->field, row) == c->format(std::get<Converted>(other.field).field, other.row);
        return std::visit([&other](auto p) {
            if constexpr (std::is_pointer_v<decltype(p)>)
                return *p == *std::get<decltype(p)>(other.field);
            else
                return false;
        }, field);
    }
};

} // namespace quorvan_app
