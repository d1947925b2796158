// The label colour picker: a drop-down of named colours (the 16 standard
// colours, 4 extended colours and the system colours), each shown with a
// swatch. Only the index of the chosen entry is kept.
#pragma once

#include <QColor>
#include <QComboBox>

namespace quorvan_widgets {

class ColorBox : public QComboBox {
    Q_OBJECT
public:
    explicit ColorBox(QWidget* parent = nullptr);

    // Index of the system window-text colour, the initial choice.
    static constexpr int kWindowTextIndex = 20;
    static int entryCount();
    static QString entryName(int index);
    // The colour of an entry; system colours follow the current palette.
    QColor colorAt(int index) const;
    QColor selectedColor() const { return colorAt(currentIndex()); }

protected:
    void changeEvent(QEvent* event) override;

private:
    void refreshSwatches();
};

} // namespace quorvan_widgets
