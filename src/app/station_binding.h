// The station values bound to the controls that show them: one table that
// both directions of the window's values walk (the controls into
// TStationParams, and TStationParams into the controls), so a value can never
// be read from one control and written to another. It only moves values; the
// rules of the values belong to the core.
#pragma once

#include <QObject>

#include <string>
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
    };
    Kind kind;
    QObject* widget;
    std::variant<std::string*, int*, bool*> field; // in the TStationParams the table was made for
    int row = 0;
    bool identification = false; // PS, PI, TP, PTY, M/S, DI, AF: the first run of Receive

    // The field's address, to find a binding by the value it carries.
    const void* address() const
    {
        return std::visit([](auto* p) { return static_cast<const void*>(p); }, field);
    }
};

} // namespace quorvan_app
