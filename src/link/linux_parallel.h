// The parallel port on Linux: the ppdev device whose base address matches,
// claimed for the program; without one, and only for root, direct port I/O on
// exactly the data and status registers. Anything else cannot be reached.
#pragma once

#include "link/port_io.h"

#include <memory>
#include <optional>
#include <string>

namespace quorvan {

// The ppdev device number N (/dev/parportN) whose
// <procDir>/parportN/base-addr starts with `base`.
std::optional<int> FindParportByBase(const std::string& procDir, std::int32_t base);
// The base address listed for /dev/parportN.
std::optional<std::int32_t> ParportBaseAddress(const std::string& procDir, int number);

// Opens the port at I/O base address `base`. Never fails outright: a port out
// of reach comes back as a backend whose ok() is false and whose error() says why.
// directIo false: no direct port I/O even for root (tests, so that nothing can
// reach a real port).
std::unique_ptr<PortIo> OpenLinuxParallelPort(std::int32_t base, const std::string& procDir = "/proc/sys/dev/parport",
                                              const std::string& devDir = "/dev", bool directIo = true);
// Opens a ppdev device by path; its data register answers at `base`, its status at base + 1.
std::unique_ptr<PortIo> OpenPpdevDevice(const std::string& path, std::int32_t base);

// Why the ppdev device at `path` could not be opened (errno `error`) and what
// to do about it: join group lp, or load the ppdev module.
std::string PpdevOpenError(const std::string& path, int error);

} // namespace quorvan
