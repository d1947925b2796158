#include "app/ram_section.h"

#include "app/elided_label.h"
#include "app/monitor_text.h"
#include "encoder/image_layout.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <string>

namespace quorvan_app {

namespace {

constexpr int kRows = quorvan::image::kImageSize / 16;

} // namespace

RamSection::RamSection(QWidget* parent) : QGroupBox(QStringLiteral("RAM 0x00..0xBF"), parent)
{
    setObjectName(QStringLiteral("RamSection"));
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    RAMView = new QPlainTextEdit(this);
    RAMView->setObjectName(QStringLiteral("RAMView"));
    RAMView->setReadOnly(true);
    RAMView->setLineWrapMode(QPlainTextEdit::NoWrap);
    RAMView->setFont(fixed);
    RAMView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RAMView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    {
        const QFontMetrics fm(fixed);
        const int frame = 2 * RAMView->frameWidth() + 2 * static_cast<int>(RAMView->document()->documentMargin());
        RAMView->setFixedSize(fm.horizontalAdvance(QString(70, QLatin1Char('0'))) + frame + 4,
                              fm.lineSpacing() * kRows + frame + 4);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RAMView);
    LChanged = new ElidedLabel(this);
    LChanged->setObjectName(QStringLiteral("LChanged"));
    layout->addWidget(LChanged);
}

void RamSection::showMemory(const std::array<std::uint8_t, 256>& memory)
{
    RAMView->setPlainText(HexLines(memory));
}

void RamSection::showChange(const QString& text)
{
    LChanged->setFullText(text);
}

QString RamSection::HexLines(const std::array<std::uint8_t, 256>& memory)
{
    QStringList lines;
    for (int row = 0; row < kRows; ++row) {
        QString line = MonitorHex2(row * 16) + QLatin1Char(':');
        std::string chars;
        for (int col = 0; col < 16; ++col) {
            const std::uint8_t b = memory[row * 16 + col];
            line += QLatin1Char(' ') + MonitorHex2(b);
            chars += static_cast<char>(b);
        }
        lines << line + QStringLiteral("  ") + MonitorShown(chars);
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace quorvan_app
