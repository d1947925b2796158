// A serial port's modem-control lines on Linux: opened exclusively, DTR and
// RTS switched with TIOCMBIS/TIOCMBIC, CTS read with TIOCMGET. A device that
// vanishes (a USB adapter pulled out) turns the port unreachable for good.
#pragma once

#include "link/port_io.h"

#include <memory>
#include <string>

namespace quorvan {

// nullptr with `error` set when the device is missing, busy or not a serial port.
std::unique_ptr<SerialLines> OpenLinuxSerialLines(const std::string& device, std::string& error);

// Why `device` could not be opened (errno `error`) and what to do about it:
// a refused permission names the group to join, a missing device the
// settings keys that name another.
std::string SerialOpenError(const std::string& device, int error);

} // namespace quorvan
