// What the encoder link shows to the operator: the status-bar text, the wait
// cursor during an operation and the processor-speed label. The window
// implements it; the defaults do nothing, so LinkUi itself is the null UI.
#pragma once

#include <string>

namespace quorvan {

class LinkUi {
public:
    virtual ~LinkUi() = default;
    virtual void setStatusText(const std::string& /*text*/) {}
    // true: the application-start cursor (arrow with hourglass); false: the default cursor.
    virtual void setWaitCursor(bool /*busy*/) {}
    virtual void setCpuSpeedText(const std::string& /*text*/) {}
};

// Status-bar texts of the link.
inline constexpr const char* kStatusReady = "Ready";
inline constexpr const char* kStatusNotReady = "!Ready";
inline constexpr const char* kStatusSending = "Sending data...";
inline constexpr const char* kStatusReceiving = "Receiving data...";
inline constexpr const char* kStatusOpening = "Opening port...";
inline constexpr const char* kStatusCheckingCpu = "Checking CPU speed...";

} // namespace quorvan
