#include "ports/port_factory.h"

#include "link/linux_parallel.h"
#include "link/linux_serial.h"
#include "link/null_port.h"
#include "link/recording_port.h"
#include "settings/file_system.h"
#include "settings/settings_location.h"
#include "sim/state_file.h"
#include "sim/virtual_port.h"

#include <algorithm>
#include <cctype>

namespace quorvan {

namespace {

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool startsWith(const std::string& s, const std::string& prefix)
{
    return s.compare(0, prefix.size(), prefix) == 0;
}

PortOpenResult failure(PortError kind, std::string error)
{
    PortOpenResult r;
    r.failure = kind;
    r.error = std::move(error);
    return r;
}

std::string baseName(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

bool ParseLpt2Address(const std::string& text, std::int32_t& address, std::string& error)
{
    const auto first = text.find_first_not_of(" \t");
    const auto last = text.find_last_not_of(" \t");
    const std::string digits = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos) {
        error = "LPT2 address '" + text + "' is not a decimal number (256 to 65535)";
        return false;
    }
    const long value = std::stol(digits);
    if (value < 256 || value > 65535) {
        error = "LPT2 address " + digits + " is outside 256 to 65535";
        return false;
    }
    address = static_cast<std::int32_t>(value);
    return true;
}

std::string ComDevice(const PortOptions& options, int n)
{
    if (n >= 1 && n <= 4 && !options.comDevices[n - 1].empty())
        return options.comDevices[n - 1];
    return options.devDir + "/ttyS" + std::to_string(n - 1);
}

std::string VirtualStateFileFor(const std::string& setting, const std::string& settingsPath)
{
    if (!setting.empty() && setting.front() == '/')
        return setting;
    std::string directory = parentDirectory(absolutePath(settingsPath));
    if (directory.back() != '/')
        directory += '/';
    return directory + (setting.empty() ? std::string(kVirtualStateFileName) : setting);
}

bool LoadVirtualBacking(const std::string& stateFile, VirtualBacking& backing, std::string& error,
                        Sleeper* lockSleeper)
{
    backing.stateFile = stateFile;
    backing.sharing.reset();
    if (stateFile.empty()) {
        backing.encoder = std::make_shared<VirtualEncoder>();
        return true;
    }
    backing.sharing = SharedEncoderState::Open(stateFile, lockSleeper, error);
    if (!backing.sharing)
        return false;
    backing.encoder = backing.sharing->encoder();
    return true;
}

// --- Port --------------------------------------------------------------------

Port::Port(std::string name, std::int32_t address, std::unique_ptr<PortIo> io)
    : name_(std::move(name)), address_(address), io_(std::move(io))
{
}

Port::Port(std::string name, std::int32_t address, std::unique_ptr<SerialLines> serial)
    : name_(std::move(name)), address_(address), serial_(std::move(serial))
{
}

Port::~Port() = default;

PortIo* Port::io() const
{
    return ioRecorder_ ? ioRecorder_.get() : io_.get();
}

SerialLines* Port::serial() const
{
    return serialRecorder_ ? serialRecorder_.get() : serial_.get();
}

bool Port::reachable() const
{
    return serial_ ? serial_->ok() : (io_ && io_->ok());
}

std::string Port::error() const
{
    if (serial_)
        return serial_->error();
    return io_ ? io_->error() : "no port";
}

void Port::record(std::ostream* out)
{
    ioRecorder_.reset();
    serialRecorder_.reset();
    if (!out)
        return;
    if (io_)
        ioRecorder_ = std::make_unique<RecordingPortIo>(*io_, *out);
    if (serial_)
        serialRecorder_ = std::make_unique<RecordingSerialLines>(*serial_, *out);
}

void Port::attach(TEncoderLink& link)
{
    link.setClaim(backing_.sharing.get());
    link.PortAddress = address_;
    link.setPortIo(io());
    link.setSerialLines(serial());
    link.Extension = backing_.encoder.get();
    link.DriveIdle();
}

void Port::detach(TEncoderLink& link)
{
    link.setClaim(nullptr);
    link.setPortIo(nullptr);
    link.setSerialLines(nullptr);
    link.Extension = nullptr;
}

bool Port::saveVirtualState(std::string& error) const
{
    if (!backing_.sharing)
        return true;
    return backing_.sharing->flush(error);
}

// --- PortFactory ---------------------------------------------------------------

PortFactory::PortFactory(PortOptions options) : options_(std::move(options)) {}

void PortFactory::setOptions(const PortOptions& options)
{
    if (options.virtualStateFile != options_.virtualStateFile) {
        shared_.reset();
        sharing_.reset();
    }
    options_ = options;
}

bool PortFactory::loadShared(std::string& error)
{
    if (shared_)
        return true;
    VirtualBacking backing;
    if (!LoadVirtualBacking(options_.virtualStateFile, backing, error, options_.lockSleeper))
        return false;
    shared_ = backing.encoder;
    sharing_ = backing.sharing;
    return true;
}

std::shared_ptr<SharedEncoderState> PortFactory::virtualSharing()
{
    return virtualEncoder() ? sharing_ : nullptr;
}

std::shared_ptr<VirtualEncoder> PortFactory::virtualEncoder()
{
    std::string error;
    if (!options_.routeToVirtual)
        return shared_;
    if (!loadShared(error))
        return nullptr;
    return shared_;
}

std::string PortFactory::selectionSpec(int index)
{
    switch (index) {
    case 0: return "lpt1";
    case 1: return "lpt2";
    case 2: case 3: case 4: case 5: return "com" + std::to_string(index - 1);
    case kVirtualPortSelection: return "virtual";
    default: return "";
    }
}

PortOpenResult PortFactory::openSelection(int index)
{
    const std::string spec = selectionSpec(index);
    if (spec.empty())
        return failure(PortError::BadSpec, "no port number " + std::to_string(index));
    return open(spec);
}

PortOpenResult PortFactory::openVirtual(VirtualBacking backing, bool serial, std::int32_t address,
                                        const std::string& name)
{
    PortOpenResult r;
    VirtualEncoder& encoder = *backing.encoder;
    const std::string label = name + " (virtual encoder)";
    if (serial)
        r.port = std::make_unique<Port>(label, address, std::make_unique<VirtualSerialLines>(encoder));
    else
        r.port = std::make_unique<Port>(label, address, std::make_unique<VirtualParallelPort>(encoder, address));
    r.port->setVirtualBacking(std::move(backing));
    return r;
}

PortOpenResult PortFactory::open(const std::string& rawSpec)
{
    const std::string spec = lower(rawSpec);

    // A virtual encoder named in the port text itself ("virtual:FILE").
    for (const auto& [prefix, serial] : {std::pair<std::string, bool>{"virtual-serial:", true}, {"virtual:", false}}) {
        if (!startsWith(spec, prefix))
            continue;
        const std::string file = rawSpec.substr(prefix.size());
        if (file.empty())
            return failure(PortError::BadSpec, "port '" + rawSpec + "' names no state file");
        VirtualBacking backing;
        std::string error;
        if (!LoadVirtualBacking(file, backing, error, options_.lockSleeper))
            return failure(PortError::BadStateFile, error);
        return openVirtual(std::move(backing), serial, serial ? 1 : kLpt1Address, serial ? "COM1" : "LPT1");
    }

    // The virtual encoder the settings choose, on LPT1's address.
    if (spec == "virtual") {
        std::string error;
        if (!loadShared(error))
            return failure(PortError::BadStateFile, error);
        return openVirtual(VirtualBacking{shared_, options_.virtualStateFile, sharing_}, false, kLpt1Address,
                           "Virtual encoder");
    }

    // Which port: parallel at an address, or serial COMn / device.
    bool serial = false;
    std::int32_t address = 0;
    std::string device;   // a device path named directly
    std::string name;
    if (spec == "lpt1") {
        address = kLpt1Address;
        name = "LPT1";
    } else if (spec == "lpt2" || startsWith(spec, "lpt2:")) {
        std::string error;
        const std::string text = spec == "lpt2" ? options_.lpt2Address : rawSpec.substr(5);
        if (!ParseLpt2Address(text, address, error))
            return failure(PortError::BadAddress, error);
        name = "LPT2";
    } else if (spec.size() == 4 && startsWith(spec, "com") && spec[3] >= '1' && spec[3] <= '4') {
        serial = true;
        address = spec[3] - '0';
        name = "COM" + std::to_string(address);
    } else if (startsWith(rawSpec, "/")) {
        device = rawSpec;
        if (startsWith(baseName(rawSpec), "parport")) {
            address = kLpt1Address;
            const std::string digits = baseName(rawSpec).substr(7);
            if (!digits.empty() && digits.size() < 3 && digits.find_first_not_of("0123456789") == std::string::npos) {
                if (const auto base = ParportBaseAddress(options_.parportProcDir, std::stoi(digits)))
                    address = *base;
            }
        } else {
            serial = true;
            address = 1;
        }
        name = rawSpec;
    } else {
        return failure(PortError::BadSpec, "unknown port '" + rawSpec
                                               + "' (lpt1, lpt2, com1..com4, a device path, virtual, virtual:FILE or virtual-serial:FILE)");
    }

    if (options_.routeToVirtual) {
        std::string error;
        if (!loadShared(error))
            return failure(PortError::BadStateFile, error);
        return openVirtual(VirtualBacking{shared_, options_.virtualStateFile, sharing_}, serial, address, name);
    }

    PortOpenResult r;
    if (serial) {
        if (device.empty())
            device = ComDevice(options_, address);
        std::string error;
        auto lines = OpenLinuxSerialLines(device, error);
        if (!lines)
            return failure(PortError::CannotOpen, error);
        if (name != device)
            name += " (" + device + ")";
        r.port = std::make_unique<Port>(name, address, std::move(lines));
    } else if (!device.empty()) {
        r.port = std::make_unique<Port>(name, address, OpenPpdevDevice(device, address));
    } else {
        r.port = std::make_unique<Port>(name, address,
                                        OpenLinuxParallelPort(address, options_.parportProcDir, options_.devDir,
                                                              options_.directIo));
    }
    return r;
}

} // namespace quorvan
