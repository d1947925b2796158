#include "widgets/color_box.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPalette>
#include <QPixmap>

#include <algorithm>
#include <array>

namespace quorvan_widgets {

namespace {

struct Entry {
    const char* name;
    QRgb rgb;                   // fixed colour, or
    int role;                   // a palette role (>= 0) for a system colour
    QPalette::ColorGroup group; // the palette group of that role
};

constexpr int kNoRole = -1;

// Standard colours, extended colours, then the system colours with the window
// text first (the initial label colour).
const std::array<Entry, 45> kEntries{{
    {"Black", 0x000000, kNoRole, QPalette::Active},
    {"Maroon", 0x800000, kNoRole, QPalette::Active},
    {"Green", 0x008000, kNoRole, QPalette::Active},
    {"Olive", 0x808000, kNoRole, QPalette::Active},
    {"Navy", 0x000080, kNoRole, QPalette::Active},
    {"Purple", 0x800080, kNoRole, QPalette::Active},
    {"Teal", 0x008080, kNoRole, QPalette::Active},
    {"Gray", 0x808080, kNoRole, QPalette::Active},
    {"Silver", 0xC0C0C0, kNoRole, QPalette::Active},
    {"Red", 0xFF0000, kNoRole, QPalette::Active},
    {"Lime", 0x00FF00, kNoRole, QPalette::Active},
    {"Yellow", 0xFFFF00, kNoRole, QPalette::Active},
    {"Blue", 0x0000FF, kNoRole, QPalette::Active},
    {"Fuchsia", 0xFF00FF, kNoRole, QPalette::Active},
    {"Aqua", 0x00FFFF, kNoRole, QPalette::Active},
    {"White", 0xFFFFFF, kNoRole, QPalette::Active},
    {"Money Green", 0xC0DCC0, kNoRole, QPalette::Active},
    {"Sky Blue", 0xA6CAF0, kNoRole, QPalette::Active},
    {"Cream", 0xFFFBF0, kNoRole, QPalette::Active},
    {"Medium Gray", 0xA0A0A4, kNoRole, QPalette::Active},
    {"Window Text", 0, QPalette::WindowText, QPalette::Active},
    {"Scroll Bar", 0, QPalette::Button, QPalette::Active},
    {"Background", 0, QPalette::Dark, QPalette::Active},
    {"Active Caption", 0, QPalette::Highlight, QPalette::Active},
    {"Inactive Caption", 0, QPalette::Highlight, QPalette::Inactive},
    {"Menu", 0, QPalette::Window, QPalette::Active},
    {"Window", 0, QPalette::Base, QPalette::Active},
    {"Window Frame", 0, QPalette::Shadow, QPalette::Active},
    {"Menu Text", 0, QPalette::WindowText, QPalette::Active},
    {"Caption Text", 0, QPalette::HighlightedText, QPalette::Active},
    {"Active Border", 0, QPalette::Button, QPalette::Active},
    {"Inactive Border", 0, QPalette::Button, QPalette::Inactive},
    {"Application Workspace", 0, QPalette::Mid, QPalette::Active},
    {"Highlight", 0, QPalette::Highlight, QPalette::Active},
    {"Highlight Text", 0, QPalette::HighlightedText, QPalette::Active},
    {"Button Face", 0, QPalette::Button, QPalette::Active},
    {"Button Shadow", 0, QPalette::Dark, QPalette::Active},
    {"Gray Text", 0, QPalette::Text, QPalette::Disabled},
    {"Button Text", 0, QPalette::ButtonText, QPalette::Active},
    {"Inactive Caption Text", 0, QPalette::HighlightedText, QPalette::Inactive},
    {"Button Highlight", 0, QPalette::Light, QPalette::Active},
    {"3D Dark Shadow", 0, QPalette::Shadow, QPalette::Active},
    {"3D Light", 0, QPalette::Midlight, QPalette::Active},
    {"Info Text", 0, QPalette::ToolTipText, QPalette::Active},
    {"Info Background", 0, QPalette::ToolTipBase, QPalette::Active},
}};

} // namespace

ColorBox::ColorBox(QWidget* parent) : QComboBox(parent)
{
    setMaxVisibleItems(16);
    for (int i = 0; i < entryCount(); ++i)
        addItem(entryName(i));
    refreshSwatches();
    setCurrentIndex(kWindowTextIndex);
}

int ColorBox::entryCount()
{
    return int(kEntries.size());
}

QString ColorBox::entryName(int index)
{
    if (index < 0 || index >= entryCount())
        return {};
    return QString::fromLatin1(kEntries[size_t(index)].name);
}

QColor ColorBox::colorAt(int index) const
{
    if (index < 0 || index >= entryCount())
        return palette().color(QPalette::WindowText);
    const Entry& e = kEntries[size_t(index)];
    if (e.role == kNoRole)
        return QColor::fromRgb(e.rgb);
    return QApplication::palette().color(e.group, QPalette::ColorRole(e.role));
}

void ColorBox::refreshSwatches()
{
    const int h = std::max(8, fontMetrics().height() - 4);
    for (int i = 0; i < count(); ++i) {
        QPixmap swatch(h + 4, h);
        swatch.fill(Qt::transparent);
        QPainter p(&swatch);
        p.setPen(Qt::black);
        p.setBrush(colorAt(i));
        p.drawRect(0, 0, h + 3, h - 1);
        p.end();
        setItemIcon(i, QIcon(swatch));
    }
    setIconSize(QSize(h + 4, h));
}

void ColorBox::changeEvent(QEvent* event)
{
    QComboBox::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange)
        refreshSwatches();
}

} // namespace quorvan_widgets
