#include "app/monitor_window.h"

#include "app/elided_label.h"
#include "app/encoder_section.h"
#include "app/meaning_section.h"
#include "app/on_air_section.h"
#include "app/ram_section.h"
#include "app/receiver_section.h"

#include "encoder/image_monitor.h"
#include "sim/state_changes.h"
#include "sim/state_file.h"
#include "sim/virtual_encoder.h"

#include <QEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <string>

namespace quorvan_app {

MonitorWindow::MonitorWindow(quorvan::VirtualEncoder& encoder, int ptyCoding, QWidget* parent)
    : QWidget(parent, Qt::Window), encoder_(encoder), ptyCoding_(ptyCoding)
{
    setWindowTitle(QStringLiteral("Quorvan - virtual encoder"));
    Ram = new RamSection;
    Meaning = new MeaningSection;
    OnAir = new OnAirSection;
    Encoder = new EncoderSection;

    // The sections scroll as one page when the screen is lower than they are
    // (a 768-pixel laptop screen); on a taller screen the window shows them whole.
    Page = new QScrollArea(this);
    Page->setObjectName(QStringLiteral("Page"));
    Page->setFrameShape(QFrame::NoFrame);
    Page->setWidgetResizable(true);
    Page->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget(Page);
    auto* layout = new QVBoxLayout(content);
    layout->addWidget(Ram);
    layout->addWidget(Meaning);
    Receiver = new ReceiverSection(encoder_, ptyCoding_, content);
    layout->addWidget(Receiver);
    layout->addWidget(OnAir);
    layout->addWidget(Encoder);
    layout->addStretch();
    Page->setWidget(content);
    refit_ = new QTimer(this);
    refit_->setSingleShot(true);
    refit_->setInterval(250);
    connect(refit_, &QTimer::timeout, this, [this] {
        if (isVisible())
            fitSections(frameMargins(*this), screen());
    });
    content->installEventFilter(this);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(Page);

    connect(Encoder, &EncoderSection::statusBitClicked, this, &MonitorWindow::setStatusBit);
    connect(Encoder, &EncoderSection::powerClicked, this, &MonitorWindow::setPower);

    refresh();
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
    // Wrapped texts (a long dynamic PS) take the height
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
    if (watched == Page->widget() && event->type() == QEvent::LayoutRequest && isVisible() && !refit_->isActive())
        refit_->start();
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
    return RamSection::HexLines(memory);
}

void MonitorWindow::setSharing(quorvan::SharedEncoderState* sharing)
{
    sharing_ = sharing;
    OnAir->setStateFile(sharing_ ? sharing_->path() : std::string());
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
        Encoder->showFileError({});
        showChanges(QStringLiteral("Changed by another program: "));
        emit encoderChanged();
    } else if (!error.empty()) {
        Encoder->showFileError(error);
    }
}

void MonitorWindow::refresh()
{
    showChanges(QStringLiteral("Changed by the last operation: "));
}

void MonitorWindow::showChanges(const QString& by)
{
    const auto memory = encoder_.ramImage();
    Ram->showMemory(memory);
    if (shownOnce_) {
        const quorvan::EncoderChange change =
            quorvan::CompareEncoderStates(shownState_, shownWrites_, encoder_.state(), encoder_.writeCounts());
        Ram->showChange(by + QString::fromStdString(quorvan::ChangeText(change)));
    }
    shown_ = memory;
    shownState_ = encoder_.state();
    shownWrites_ = encoder_.writeCounts();
    shownOnce_ = true;
    showMeaning();
    OnAir->showEncoder(shownState_);
}

void MonitorWindow::showMeaning()
{
    Meaning->showMeaning(quorvan::DecodeImage(quorvan::ImageOf(shown_), ptyCoding_));
    Encoder->showEncoder(encoder_);
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
    if (!sharing_)
        what(encoder_);
    else
        sharing_->update(what, error);
    Encoder->showFileError(error);
    refresh(); // also puts a box back that could not act
    emit encoderChanged();
}

} // namespace quorvan_app
