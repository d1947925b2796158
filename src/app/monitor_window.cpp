#include "app/monitor_window.h"

#include "app/latin1.h"
#include "app/receiver_section.h"

#include "encoder/image_layout.h"
#include "encoder/image_monitor.h"
#include "sim/state_changes.h"
#include "sim/state_file.h"
#include "sim/virtual_encoder.h"

#include <QCheckBox>
#include <QEvent>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <string>

namespace quorvan_app {

namespace {

constexpr int kRows = quorvan::image::kImageSize / 16;
constexpr QChar kUnprintable = QChar(0x00B7); // middle dot
constexpr int kTextLine = 66;                  // a radiotext with its quotes: the field's width

// Encoder bytes as receivers show them, through the RDS table whatever the
// station's character set, control and unassigned codes as a dot.
QString Shown(std::string_view bytes)
{
    QString s;
    for (char b : bytes) {
        const auto c = quorvan::RdsChar(static_cast<std::uint8_t>(b));
        s += c && *c >= 0x20 ? textToQt(std::string_view(&b, 1), quorvan::Charset::Rds) : QString(kUnprintable);
    }
    return s;
}

// A text with its exact extent visible (trailing spaces count).
QString Quoted(std::string_view bytes)
{
    return QLatin1Char('"') + Shown(bytes) + QLatin1Char('"');
}

// A long text in lines of `width` characters (a wrapped label would take the
// height its size hint guesses, lines more than the text needs).
QString InLines(QString text, int width)
{
    for (qsizetype at = width; at < text.size(); at += width + 1)
        text.insert(at, QLatin1Char('\n'));
    return text;
}

QString Hex2(int value)
{
    return QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

QString TwoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

QString CommandName(std::uint8_t command)
{
    using V = quorvan::VirtualEncoder;
    switch (command) {
    case 0:
        return QStringLiteral("none");
    case V::kCommandStore:
        return QStringLiteral("0x45 Store (RAM to EEPROM)");
    case V::kCommandReset:
        return QStringLiteral("0x52 Reset (EEPROM to RAM)");
    case V::kCommandCarrierOff:
        return QStringLiteral("0x30 Carrier off");
    case V::kCommandCarrierOn:
        return QStringLiteral("0x31 Carrier on");
    default:
        return QStringLiteral("0x%1 (unknown)").arg(Hex2(command));
    }
}

QString ClockTimeText(const quorvan::ImageMeaning& m)
{
    if (m.ctGroupType == 0)
        return QStringLiteral("not loaded");
    const auto& d = m.ctUtcDate;
    const int off = m.ctOffsetHalfHours;
    const int local = ((m.ct.utcHour * 60 + m.ct.utcMinute + off * 30) % 1440 + 1440) % 1440;
    const int size = off < 0 ? -off : off;
    return QStringLiteral("%1-%2-%3 %4:%5 UTC, offset %6%7:%8 (local %9:%10), MJD %11%12")
        .arg(d.year)
        .arg(TwoDigits(d.month), TwoDigits(d.day), TwoDigits(m.ct.utcHour), TwoDigits(m.ct.utcMinute))
        .arg(off < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(size / 2)
        .arg(size % 2 ? QStringLiteral("30") : QStringLiteral("00"))
        .arg(TwoDigits(local / 60), TwoDigits(local % 60))
        .arg(m.ct.mjd)
        .arg(m.ctTrigger ? QStringLiteral(", minute trigger set") : QString());
}

} // namespace

MonitorWindow::MonitorWindow(quorvan::VirtualEncoder& encoder, int ptyCoding, QWidget* parent)
    : QWidget(parent, Qt::Window), encoder_(encoder), ptyCoding_(ptyCoding)
{
    setWindowTitle(QStringLiteral("Quorvan - virtual encoder"));
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);

    auto* ramBox = new QGroupBox(QStringLiteral("RAM 0x00..0xBF"), this);
    RAMView = new QPlainTextEdit(ramBox);
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
    auto* ramLayout = new QVBoxLayout(ramBox);
    ramLayout->addWidget(RAMView);
    LChanged = new QLabel(ramBox);
    LChanged->setObjectName(QStringLiteral("LChanged"));
    LChanged->setWordWrap(true);
    ramLayout->addWidget(LChanged);

    auto* meaningBox = new QGroupBox(QStringLiteral("Meaning"), this);
    auto* form = new QFormLayout(meaningBox);
    form->setLabelAlignment(Qt::AlignRight);
    LPI = addField(form, QStringLiteral("PI"), QStringLiteral("LPI"));
    LPS = addField(form, QStringLiteral("PS"), QStringLiteral("LPS"));
    LPTY = addField(form, QStringLiteral("PTY"), QStringLiteral("LPTY"));
    LFlags = addField(form, QStringLiteral("Flags"), QStringLiteral("LFlags"));
    LDI = addField(form, QStringLiteral("DI"), QStringLiteral("LDI"));
    LAF = addField(form, QStringLiteral("AF"), QStringLiteral("LAF"));
    LRTInfo = addField(form, QStringLiteral("Radiotext"), QStringLiteral("LRTInfo"));
    LRT = addField(form, QString(), QStringLiteral("LRT"));
    LDPSInfo = addField(form, QStringLiteral("Dynamic PS"), QStringLiteral("LDPSInfo"));
    LDPS = addField(form, QString(), QStringLiteral("LDPS"));
    LUDG = addField(form, QStringLiteral("User group"), QStringLiteral("LUDG"));
    LCT = addField(form, QStringLiteral("Clock time"), QStringLiteral("LCT"));
    LSubcarrier = addField(form, QStringLiteral("Subcarrier"), QStringLiteral("LSubcarrier"));
    for (QLabel* text : {LPS, LRT, LDPS})
        text->setFont(fixed);

    auto* chipBox = new QGroupBox(QStringLiteral("Encoder"), this);
    auto* chip = new QFormLayout(chipBox);
    chip->setLabelAlignment(Qt::AlignRight);
    auto* powerRow = new QHBoxLayout;
    CBPower = new QCheckBox(QStringLiteral("Power"), chipBox);
    CBPower->setObjectName(QStringLiteral("CBPower"));
    CBPower->setToolTip(QStringLiteral("Off: the encoder drives nothing on the bus. On: it starts with a reset."));
    LCarrier = new QLabel(chipBox);
    LCarrier->setObjectName(QStringLiteral("LCarrier"));
    powerRow->addWidget(CBPower);
    powerRow->addSpacing(16);
    powerRow->addWidget(new QLabel(QStringLiteral("Carrier:"), chipBox));
    powerRow->addWidget(LCarrier);
    powerRow->addStretch();
    chip->addRow(powerRow);
    LLastCommand = addField(chip, QStringLiteral("Last command"), QStringLiteral("LLastCommand"));
    auto* statusRow = new QHBoxLayout;
    LStatus = new QLabel(chipBox);
    LStatus->setObjectName(QStringLiteral("LStatus"));
    CBPilot = new QCheckBox(QStringLiteral("Pilot tone (bit 0)"), chipBox);
    CBPilot->setObjectName(QStringLiteral("CBPilot"));
    CBStatusTA = new QCheckBox(QStringLiteral("TA (bit 1)"), chipBox);
    CBStatusTA->setObjectName(QStringLiteral("CBStatusTA"));
    statusRow->addWidget(LStatus);
    statusRow->addSpacing(16);
    statusRow->addWidget(CBPilot);
    statusRow->addWidget(CBStatusTA);
    statusRow->addStretch();
    chip->addRow(QStringLiteral("Status 0x70"), statusRow);
    LSaveError = new QLabel(chipBox);
    LSaveError->setObjectName(QStringLiteral("LSaveError"));
    LSaveError->setStyleSheet(QStringLiteral("color: #B00000"));
    LSaveError->hide();
    chip->addRow(LSaveError);

    // The sections scroll as one page when the screen is lower than they are
    // (a 768-pixel laptop screen); on a taller screen the window shows them whole.
    Page = new QScrollArea(this);
    Page->setObjectName(QStringLiteral("Page"));
    Page->setFrameShape(QFrame::NoFrame);
    Page->setWidgetResizable(true);
    Page->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget(Page);
    auto* layout = new QVBoxLayout(content);
    layout->addWidget(ramBox);
    layout->addWidget(meaningBox);
    Receiver = new ReceiverSection(encoder_, ptyCoding_, content);
    layout->addWidget(Receiver);
    layout->addWidget(chipBox);
    layout->addStretch();
    Page->setWidget(content);
    content->installEventFilter(this);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(Page);

    connect(CBPilot, &QCheckBox::clicked, this, [this](bool on) { setStatusBit(0, on); });
    connect(CBStatusTA, &QCheckBox::clicked, this, [this](bool on) { setStatusBit(1, on); });
    connect(CBPower, &QCheckBox::clicked, this, [this](bool on) { setPower(on); });

    refresh();
}

QLabel* MonitorWindow::addField(QFormLayout* form, const QString& caption, const QString& name)
{
    auto* value = new QLabel(form->parentWidget());
    value->setObjectName(name);
    value->setTextFormat(Qt::PlainText);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (caption.isEmpty())
        form->addRow(QString(), value);
    else
        form->addRow(caption + QLatin1Char(':'), value);
    return value;
}

void MonitorWindow::setPTYCoding(int coding)
{
    if (coding == ptyCoding_)
        return;
    ptyCoding_ = coding;
    Receiver->setPTYCoding(coding);
    showMeaning();
}

QSize MonitorWindow::wholeSize() const
{
    QWidget* content = Page->widget();
    if (!content->isVisible()) {
        // Before the window is first shown the sections are not yet polished
        // (fonts, margins), and its layout keeps their sizes from before their
        // texts were set.
        content->ensurePolished();
        for (QWidget* section : content->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            section->updateGeometry();
        content->layout()->invalidate();
    }
    const QSize hint = content->sizeHint();
    // Wrapped texts (the changed addresses, a long dynamic PS) take the height
    // they need at the sections' width, not the guess of their size hint.
    const int height = content->hasHeightForWidth() ? content->heightForWidth(hint.width()) : -1;
    return {hint.width(), height > 0 ? height : hint.height()};
}

QMargins MonitorWindow::frameMargins(const QWidget& window)
{
    const QRect inner = window.geometry();
    const QRect outer = window.frameGeometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

void MonitorWindow::fitSections(const QMargins& frame, const QScreen* screen)
{
    const QSize whole = wholeSize();
    const QRect room = screen != nullptr ? screen->availableGeometry() : QRect();
    const int height = screen != nullptr
                           ? std::min(whole.height(), std::max(200, room.height() - frame.top() - frame.bottom()))
                           : whole.height();
    const int bar = height < whole.height() ? Page->verticalScrollBar()->sizeHint().width() : 0;
    // The window's layout keeps the window at least this large.
    Page->setMinimumSize(whole.width() + bar, height);
    if (isVisible() && screen != nullptr) {
        // Grown below the screen's edge: moved up (a window's position is its frame's).
        const int bottom = pos().y() + frame.top() + std::max(this->height(), height) + frame.bottom() - 1;
        if (bottom > room.bottom())
            move(pos().x(), std::max(room.top(), pos().y() - (bottom - room.bottom())));
    }
}

bool MonitorWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Page->widget() && event->type() == QEvent::LayoutRequest && isVisible())
        fitSections(frameMargins(*this), screen());
    return QWidget::eventFilter(watched, event);
}

void MonitorWindow::placeBeside(QWidget& anchor)
{
    const int gap = 8;
    QRect main = anchor.frameGeometry();
    // The window manager frames this window as it framed the main window
    // (before this one is first shown its own frame is not known).
    const QMargins frame = frameMargins(isVisible() ? static_cast<const QWidget&>(*this) : anchor);
    const QScreen* screen = anchor.screen();
    fitSections(frame, screen);
    resize(Page->minimumSize());
    if (screen == nullptr) {
        move(main.right() + 1 + gap, main.top());
        return;
    }
    const QRect room = screen->availableGeometry();
    const QSize size = this->size().grownBy(frame);
    QPoint at(main.right() + 1 + gap, main.top());
    if (at.x() + size.width() - 1 > room.right()) {
        if (main.left() - gap - size.width() >= room.left()) {
            at.setX(main.left() - gap - size.width());
        } else {
            // No room on either side: move the main window left so both can be seen.
            const int left = std::max(room.left(), room.right() + 1 - size.width() - gap - main.width());
            if (left != main.left()) {
                anchor.move(anchor.pos() + QPoint(left - main.left(), 0));
                main = anchor.frameGeometry();
            }
            at.setX(std::min(main.right() + 1 + gap, room.right() + 1 - size.width()));
        }
    }
    at.setY(std::max(room.top(), std::min(at.y(), room.bottom() + 1 - size.height())));
    move(at);
}

QString MonitorWindow::HexLines(const std::array<std::uint8_t, 256>& memory)
{
    QStringList lines;
    for (int row = 0; row < kRows; ++row) {
        QString line = Hex2(row * 16) + QLatin1Char(':');
        std::string chars;
        for (int col = 0; col < 16; ++col) {
            const std::uint8_t b = memory[row * 16 + col];
            line += QLatin1Char(' ') + Hex2(b);
            chars += static_cast<char>(b);
        }
        lines << line + QStringLiteral("  ") + Shown(chars);
    }
    return lines.join(QLatin1Char('\n'));
}

void MonitorWindow::setSharing(quorvan::SharedEncoderState* sharing)
{
    sharing_ = sharing;
    if (!fileCheck_) {
        fileCheck_ = new QTimer(this);
        fileCheck_->setObjectName(QStringLiteral("StateFileCheck"));
        fileCheck_->setInterval(1000);
        connect(fileCheck_, &QTimer::timeout, this, &MonitorWindow::checkStateFile);
    }
    if (sharing_)
        fileCheck_->start();
    else
        fileCheck_->stop();
}

void MonitorWindow::checkStateFile()
{
    if (!sharing_)
        return;
    std::string error;
    if (sharing_->reloadIfChanged(error)) {
        LSaveError->hide();
        showChanges(QStringLiteral("Changed by another program: "));
        emit encoderChanged();
    } else if (!error.empty()) {
        showFileError(error);
    }
}

void MonitorWindow::refresh()
{
    showChanges(QStringLiteral("Changed by the last operation: "));
}

void MonitorWindow::showChanges(const QString& by)
{
    const auto memory = encoder_.ramImage();
    RAMView->setPlainText(HexLines(memory));
    if (shownOnce_) {
        const quorvan::EncoderChange change =
            quorvan::CompareEncoderStates(shownState_, shownWrites_, encoder_.state(), encoder_.writeCounts());
        LChanged->setText(by + QString::fromStdString(quorvan::ChangeText(change)));
    }
    shown_ = memory;
    shownState_ = encoder_.state();
    shownWrites_ = encoder_.writeCounts();
    shownOnce_ = true;
    showMeaning();
}

void MonitorWindow::showMeaning()
{
    const quorvan::ImageMeaning m = quorvan::DecodeImage(quorvan::ImageOf(shown_), ptyCoding_);
    LPI->setText(QString::fromStdString(m.PI));
    LPS->setText(Quoted(m.PS));
    LPTY->setText(m.PTYName.empty() ? QStringLiteral("%1 (no such type)").arg(m.PTY)
                                    : QStringLiteral("%1 %2").arg(m.PTY).arg(Shown(m.PTYName)));
    LFlags->setText(QStringLiteral("TP %1   TA %2   MS %3")
                        .arg(m.TP ? 1 : 0)
                        .arg(m.TA ? 1 : 0)
                        .arg(m.MS == 0   ? QStringLiteral("speech")
                             : m.MS == 1 ? QStringLiteral("music")
                                         : QStringLiteral("0x%1").arg(Hex2(m.MS))));
    static const char* const kDINames[4] = {"stereo", "artificial head", "compressed", "dynamic PTY"};
    QStringList di;
    for (int bit = 0; bit < 4; ++bit)
        if (m.DI[bit])
            di << QLatin1String(kDINames[bit]);
    LDI->setText(di.isEmpty() ? QStringLiteral("none") : di.join(QStringLiteral(", ")));
    QStringList af;
    for (const std::string& f : m.AF)
        af << QString::fromStdString(f);
    LAF->setText(af.isEmpty() ? QStringLiteral("none (count byte %1)").arg(m.afCountByte)
                              : QStringLiteral("%1 MHz").arg(af.join(QStringLiteral("  "))));
    LRTInfo->setText(QStringLiteral("%1, type %2").arg(m.rtEnabled ? QStringLiteral("on") : QStringLiteral("off"))
                         .arg(QLatin1Char(m.rtType)));
    LRT->setText(Quoted(m.RT));
    static const char* const kModes[4] = {"0 - Fixed 8 characters", "1 - Scrolling text", "2 - Word alignment",
                                          "3 - Space separated scrolling text"};
    const QString mode = m.dpsMode >= 0 && m.dpsMode < 4 ? QLatin1String(kModes[m.dpsMode])
                                                          : QStringLiteral("0x%1").arg(Hex2(m.dpsMode));
    LDPSInfo->setText(m.dpsLength == 0
                          ? QStringLiteral("off (length 0), mode %1").arg(mode)
                          : QStringLiteral("length %1, mode %2, label %3 s, delay %4%5, speed %6")
                                .arg(m.dpsLength)
                                .arg(mode, QString::fromStdString(m.labelPeriodText),
                                     QString::fromStdString(m.delayText),
                                     m.delaySteps == 255 ? QString() : QStringLiteral(" s"),
                                     m.scrollSpeed == 0   ? QStringLiteral("high")
                                     : m.scrollSpeed == 1 ? QStringLiteral("low")
                                                          : QString::number(m.scrollSpeed)));
    LDPS->setText(m.dpsLength == 0 ? QString() : InLines(Quoted(m.dpsText), kTextLine));
    QString udg = QStringLiteral("%1 %2:").arg(QString::fromStdString(m.udgTypeName),
                                               m.udgEnabled ? QStringLiteral("on") : QStringLiteral("off"));
    for (std::uint8_t b : m.udgBytes)
        udg += QLatin1Char(' ') + Hex2(b);
    LUDG->setText(udg);
    LCT->setText(ClockTimeText(m));
    LSubcarrier->setText(QStringLiteral("clock %1, PLL %2, phase %3 degrees")
                             .arg(m.clockSource ? QStringLiteral("auto (stereo)") : QStringLiteral("internal (mono)"),
                                  m.pllRange ? QStringLiteral("+/- 2 Hz") : QStringLiteral("+/- 5 Hz"),
                                  QString::fromStdString(m.phaseText)));

    CBPower->setChecked(encoder_.powered());
    LCarrier->setText(!encoder_.powered() ? QStringLiteral("off (no power)")
                      : encoder_.carrier() ? QStringLiteral("on")
                                           : QStringLiteral("off"));
    LLastCommand->setText(CommandName(encoder_.lastCommand()));
    LStatus->setText(QStringLiteral("0x%1").arg(Hex2(encoder_.status())));
    CBPilot->setChecked((encoder_.status() & 1) != 0);
    CBStatusTA->setChecked((encoder_.status() & 2) != 0);
}

void MonitorWindow::setStatusBit(int bit, bool on)
{
    const auto mask = static_cast<std::uint8_t>(1u << bit);
    change([&](quorvan::VirtualEncoder& e) {
        e.setStatus(static_cast<std::uint8_t>(on ? e.status() | mask : e.status() & ~mask));
    });
}

void MonitorWindow::setPower(bool on)
{
    change([&](quorvan::VirtualEncoder& e) { e.setPower(on); });
}

void MonitorWindow::change(const std::function<void(quorvan::VirtualEncoder&)>& what)
{
    std::string error;
    if (!sharing_) {
        what(encoder_);
        LSaveError->hide();
    } else if (sharing_->update(what, error)) {
        LSaveError->hide();
    } else {
        showFileError(error);
    }
    refresh(); // also puts a box back that could not act
    emit encoderChanged();
}

void MonitorWindow::showFileError(const std::string& error)
{
    LSaveError->setText(QString::fromStdString(error));
    LSaveError->show();
}

} // namespace quorvan_app
