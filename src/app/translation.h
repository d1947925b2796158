// The interface translation file: the section [TRANSLATIONS] of quorvan.lng
// holds lines "Form1.<Component>.<Property>=<text>" that replace the Caption
// or Hint of the main window's marked components (Tag above 0). "~~" in a
// text is a line break. Anything malformed or unknown is skipped silently.
#pragma once

#include <QByteArray>
#include <QString>

#include <string>
#include <vector>

class QObject;
class QWidget;

namespace quorvan_app {

// A label marked with this property holds a picture: its Caption cannot be
// set from the language file, its Hint can.
inline constexpr char kPictureProperty[] = "PictureOnly";

class TxupLanguage {
public:
    struct Entry {
        std::string key;
        std::string value;
    };

    // Files and lines beyond these sizes are not read.
    static constexpr qint64 kMaxFileBytes = 1 << 20;
    static constexpr int kMaxLineBytes = 1 << 15;

    // Applies the file at path to the form; a missing file does nothing.
    static void Apply(QWidget* form, const QString& path);
    // The entries of the section TRANSLATIONS, in file order.
    static std::vector<Entry> ReadSection(const QByteArray& content);
    // Applies one entry; returns whether a property was changed.
    static bool ApplyEntry(QWidget* form, const Entry& entry);
    // Sets a text property ("Caption" or "Hint", any letter case) of a component.
    static bool SetTextProperty(QObject* component, const QString& property, const QString& text);
};

} // namespace quorvan_app
