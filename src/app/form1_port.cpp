// The encoder link under the window: port selection, the bus-speed check,
// the link's status texts, and the one-at-a-time rule of the encoder handlers.
#include "app/form1.h"

#include "app/form_engine.h"
#include "app/latin1.h"
#include "link/priority.h"

#include <QApplication>
#include <QLabel>
#include <QStatusBar>

#include <iostream>
#include <utility>

namespace quorvan_app {

// ---- the link's view on the window ------------------------------------------------------

void FormLinkUi::setStatusText(const std::string& text)
{
    // "!Ready" keeps its wording; the tool-tip tells why (the cause quorvanctl prints).
    const QString hint = text == quorvan::kStatusNotReady
                             ? DecodedFileName(engine_.link.NotReadyCause())
                             : QString();
    form_.SetStatusText(toQt(text), hint);
}

void FormLinkUi::setWaitCursor(bool busy)
{
    if (busy)
        engine_.talked = true;
    form_.SetBusyCursor(busy);
}

void FormLinkUi::setCpuSpeedText(const std::string& text)
{
    form_.LCPU->setText(toQt(text));
}

// ---- engine -----------------------------------------------------------------------------

namespace {

quorvan::Sleeper& SleeperOf(const TForm1Options& options, std::unique_ptr<quorvan::SystemSleeper>& own)
{
    if (options.sleeper)
        return *options.sleeper;
    own = std::make_unique<quorvan::SystemSleeper>();
    return *own;
}

} // namespace

FormEngine::FormEngine(TForm1& f, const TForm1Options& options)
    : form(f),
      clock(*options.clock),
      sleeper(SleeperOf(options, ownSleeper)),
      ui(f, *this),
      link(sleeper, options.spinner),
      priority(options.priority ? *options.priority : ownPriority)
{
    link.setUi(&ui);
    link.setPauseTimer(options.monotonic, options.waiter);
    quorvan::PortOptions portOptions = options.ports;
    portOptions.routeToVirtual = options.virtualEncoder;
    portOptions.virtualStateFile = FileNameBytes(options.virtualStateFile);
    portOptions.lockSleeper = &sleeper;
    factory.setOptions(portOptions);
}

FormEngine::~FormEngine()
{
    ReleasePort();
}

quorvan::EncoderContext FormEngine::Context(bool bidirectional, bool slow)
{
    link.Bidirectional = bidirectional;
    link.Slow = slow;
    // The virtual encoder follows any speed; real ports get the calibrated pauses.
    link.Timed = !(port && port->virtualEncoder());
    return quorvan::EncoderContext{link, clock, sleeper, &guard, DecimalSeparator()};
}

void FormEngine::ReleasePort()
{
    if (!port)
        return;
    SaveVirtualState();
    remoteService.detach(link);
    quorvan::Port::detach(link);
    port.reset();
}

void FormEngine::UsePort(std::unique_ptr<quorvan::Port> opened)
{
    port = std::move(opened);
    link.Timed = !port->virtualEncoder();
    port->attach(link); // PortAddress, and the idle bus: 24 on a parallel port, RTS and DTR high
    remoteService.attach(link);
}

std::string FormEngine::SaveVirtualState()
{
    std::string error;
    if (port && !port->saveVirtualState(error)) {
        if (!stateFileErrorShown)
            std::cerr << "quorvan: " << error << '\n';
        stateFileErrorShown = true;
        return error;
    }
    return {};
}

// ---- handlers one at a time ---------------------------------------------------------------

HandlerScope::HandlerScope(TForm1& form) : form_(form)
{
    ++form_.engine_->depth;
}

HandlerScope::~HandlerScope()
{
    FormEngine& e = *form_.engine_;
    if (--e.depth > 0)
        return;
    if (e.talked) {
        e.talked = false;
        e.SaveVirtualState();
        emit form_.operationFinished();
    }
    form_.RunHeldTicks();
}

void TForm1::RunHeldTicks()
{
    FormEngine& e = *engine_;
    // Each held tick runs once, in the timers' order; a tick may hold others again.
    while (e.depth == 0 && (e.heldTimer1 || e.heldTimer2 || e.heldTimer3 || e.heldRemote)) {
        if (std::exchange(e.heldTimer1, false)) {
            Timer1Timer();
        } else if (std::exchange(e.heldTimer2, false)) {
            Timer2Timer();
        } else if (std::exchange(e.heldTimer3, false)) {
            Timer3Timer();
        } else if (std::exchange(e.heldRemote, false)) {
            RunRemoteCommands();
        }
    }
}

// ---- accessors ----------------------------------------------------------------------------

quorvan::TEncoderLink& TForm1::Link() const
{
    return engine_->link;
}

bool TForm1::UsesVirtualEncoder() const
{
    return options_.virtualEncoder || RGPORT->itemIndex() == quorvan::kVirtualPortSelection;
}

quorvan::VirtualEncoder* TForm1::VirtualEncoder() const
{
    if (!UsesVirtualEncoder())
        return nullptr;
    return engine_->factory.virtualEncoder().get();
}

quorvan::SharedEncoderState* TForm1::VirtualSharing() const
{
    if (!UsesVirtualEncoder())
        return nullptr;
    return engine_->factory.virtualSharing().get();
}

QString TForm1::VirtualStateFile() const
{
    return DecodedFileName(engine_->factory.options().virtualStateFile);
}

// ---- start-up steps of the link --------------------------------------------------------------

void TForm1::SetPortAddress(int address)
{
    engine_->link.PortAddress = address;
}

void TForm1::SetDirectIo(bool)
{
    // The Linux port backends choose their access (ppdev, or ioperm for root)
    // when a port is opened; there is no driver to switch.
}

void TForm1::SetLastOperationTimeNow()
{
    engine_->guard.Touch(engine_->clock);
}

void TForm1::CloseSerialPort()
{
    engine_->ReleasePort();
}

// ---- "Port" ----------------------------------------------------------------------------------

void TForm1::RGPORTClick()
{
    HandlerScope scope(*this);
    FormEngine& e = *engine_;
    e.talked = true;
    SetStatusText(QStringLiteral("Opening port..."));
    const int index = RGPORT->itemIndex() < 0 ? 0 : RGPORT->itemIndex();

    quorvan::PortOptions portOptions = e.factory.options();
    portOptions.lpt2Address = toBytes(ELPTA->text());
    e.factory.setOptions(portOptions);

    if (index == 1) {
        std::int32_t address = 0;
        std::string error;
        if (!quorvan::ParseLpt2Address(portOptions.lpt2Address, address, error)) {
            // No port is left in use: an operation then ends "!Ready" instead
            // of reaching the port selected before.
            e.ReleasePort();
            ShowMessage(TForm1Options::MessageKind::Warning,
                        toQt(error) + QStringLiteral(".\nNo port is in use until a valid address is selected."));
            SetStatusText(QStringLiteral("Ready"));
            return;
        }
    }

    // The previous port is released before the new one is opened (a serial
    // port and a claimed parallel port are exclusive), then the lines settle.
    e.ReleasePort();
    e.sleeper.sleepMs(100);

    const bool serial = index >= 2;
    if (serial)
        e.link.PortAddress = index - 1;
    quorvan::PortOpenResult opened = e.factory.openSelection(index);
    if (opened.port) {
        e.UsePort(std::move(opened.port));
        RTPlusPreview();  // RT+ goes out only where the encoder is virtual
        ShowExtendedNote();
    } else if (serial && opened.failure == quorvan::PortError::CannotOpen) {
        ShowMessage(TForm1Options::MessageKind::Warning,
                    QStringLiteral("Can't open specified port (COM%1).").arg(index - 1));
        PageControl1->setCurrentIndex(4);
        RGPORT->setItemIndex(0); // runs the selection again, for LPT1
        SetStatusText(QStringLiteral("Ready"));
        return;
    } else {
        // The virtual encoder's state file is damaged: nothing to reach.
        ShowMessage(TForm1Options::MessageKind::Warning, toQt(opened.error) + QLatin1Char('.'));
    }
    SetStatusText(QStringLiteral("Ready"));
}

// ---- "High Priority" and the bus speed -----------------------------------------------------------

void TForm1::CBHPRIClick()
{
    HandlerScope scope(*this);
    const std::string notice = engine_->priority.apply(CBHPRI->isChecked());
    // "Checking CPU speed...", the unit count into LCPU, BusDelay, "Ready".
    engine_->link.CalibrateBusDelay(engine_->clock);
    SetLastOperationTimeNow();
    if (notice.empty())
        return;
    std::cerr << "quorvan: " << notice << '\n';
    if (starting_)
        engine_->startupNotice = notice; // the port selection would overwrite it
    else
        SetStatusText(toQt(notice));
}

} // namespace quorvan_app
