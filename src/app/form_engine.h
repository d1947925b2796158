// What the main window holds below its controls: the encoder link and the
// port it drives, the one-second guard of Send and Receive, the clock-time
// transmission, the remembered text-source texts and the settings file's place.
#pragma once

#include "app/form1.h"
#include "encoder/clock_time.h"
#include "encoder/operation.h"
#include "link/busy_loop.h"
#include "link/clock.h"
#include "link/encoder_link.h"
#include "link/link_ui.h"
#include "ports/port_factory.h"
#include "link/priority.h"
#include "remote/command_port.h"
#include "remote/remote_service.h"
#include "remote/uecp_port.h"
#include "settings/file_system.h"
#include "settings/settings_keys.h"
#include "settings/settings_location.h"
#include "sources/source_search.h"
#include "sources/text_source_tick.h"
#include "sources/timer_loop.h"

#include <QSocketNotifier>

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace quorvan_app {

// The link's status texts, wait cursor and processor-speed label, shown on
// the window at once (the operations keep the event loop waiting).
class FormLinkUi final : public quorvan::LinkUi {
public:
    FormLinkUi(TForm1& form, FormEngine& engine) : form_(form), engine_(engine) {}
    void setStatusText(const std::string& text) override;
    void setWaitCursor(bool busy) override;
    void setCpuSpeedText(const std::string& text) override;

private:
    TForm1& form_;
    FormEngine& engine_;
};

class FormEngine {
public:
    FormEngine(TForm1& form, const TForm1Options& options);
    ~FormEngine();
    FormEngine(const FormEngine&) = delete;
    FormEngine& operator=(const FormEngine&) = delete;

    // What an encoder command runs on, with the port options of the window
    // (Bidirectional, Slow) taken over first.
    quorvan::EncoderContext Context(bool bidirectional, bool slow);

    // Closes the port in use (the serial port, the parallel port's device).
    void ReleasePort();
    // Attaches a newly opened port to the link.
    void UsePort(std::unique_ptr<quorvan::Port> port);
    // Writes the virtual encoder's state file; "" or the error.
    std::string SaveVirtualState();

    TForm1& form;
    const quorvan::Clock& clock;
    std::unique_ptr<quorvan::SystemSleeper> ownSleeper;
    quorvan::Sleeper& sleeper;
    FormLinkUi ui;
    quorvan::TEncoderLink link;
    quorvan::PosixProcessPriority ownPriority;
    quorvan::HighPriority priority;
    // Said once when the system refused "High Priority" during the start-up,
    // after the start-up's own status texts.
    std::string startupNotice;
    quorvan::PortFactory factory;
    std::unique_ptr<quorvan::Port> port;
    quorvan::OperationGuard guard;
    quorvan::ClockTimeTransmitter clockTime;
    quorvan::TextSourceMemory memory;
    quorvan::PosixSourceFileSystem sourceFiles;
    quorvan::PosixFileSystem settingsFiles;
    std::optional<quorvan::SettingsLocation> settings;
    // Config/VirtualEncoder as read (empty: the default file beside the settings).
    std::string virtualEncoderSetting;
    // Config/COM1Device .. COM4Device as read, kept when the file is saved.
    std::array<std::string, 4> comDeviceSettings;
    // The dynamic PS fields open for editing after loading (the mode rule).
    quorvan::DPSEnabledState startupDPSFields{};
    // Section Remote: the network command port's settings.
    quorvan::RemoteValues remote;
    // The network command port and the encoder protocol (UECP) port beside
    // it, on their own ports. Their sockets are watched by notifiers; while a
    // transfer holds the window, the service reads them from the port lines
    // (see transfer_service.h).
    quorvan::SteadyStopwatch remoteStopwatch;
    quorvan::remote::RemoteService remoteService{remoteStopwatch, clock};
    struct SocketNotifiers {
        std::unique_ptr<QSocketNotifier> read;
        std::unique_ptr<QSocketNotifier> write;
    };
    std::map<int, SocketNotifiers> remoteNotifiers;

    // Handlers in progress (nested: a handler that runs another one), whether
    // one of them used the encoder, and the timer ticks held back meanwhile.
    int depth = 0;
    bool talked = false;
    bool heldTimer1 = false;
    bool heldTimer2 = false;
    bool heldTimer3 = false;
    bool heldRemote = false;
    bool remoteStarted = false;  // the remote service's logs are shown
    bool stateFileErrorShown = false;
};

// Marks an encoder handler in progress. When the outermost one ends, the
// virtual encoder's state is saved, operationFinished() is emitted if the
// encoder was used, and the timer ticks that came meanwhile run once each.
class HandlerScope {
public:
    explicit HandlerScope(TForm1& form);
    ~HandlerScope();
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

private:
    TForm1& form_;
};

} // namespace quorvan_app
