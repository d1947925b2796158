#include "cli/cli.h"

#include "link/priority.h"
#include "sim/shared_state.h"
#include "sim/state_file.h"

#include <cerrno>
#include <cstring>
#include <iostream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvan::cli {

SettingsLoader& settingsLoaderSlot();

Context::Context(Options options, std::string command, std::vector<std::string> arguments)
    : args(std::move(arguments)), options_(std::move(options)), command_(std::move(command))
{
}

Context::~Context()
{
    if (link_)
        Port::detach(*link_);
}

std::ostream& Context::out()
{
    return std::cout;
}

std::ostream& Context::err()
{
    return std::cerr;
}

void Context::loadSettings()
{
    if (settingsLoaded_)
        return;
    std::string error;
    if (SettingsLoader loader = settingsLoaderSlot()) {
        if (!loader(*this, error))
            throw UsageError(error.empty() ? "cannot read the settings file" : error);
    } else if (options_.settingsFile) {
        std::ifstream probe(*options_.settingsFile, std::ios::binary);
        if (!probe)
            throw UsageError("cannot read settings file " + *options_.settingsFile + ": " + std::strerror(errno));
    }
    settingsLoaded_ = true;
}

std::string Context::portSpec()
{
    if (options_.port)
        return *options_.port;
    loadSettings();
    const std::string spec = PortFactory::selectionSpec(params.preferences.RGPORT);
    return spec.empty() ? "lpt1" : spec;
}

TEncoderLink& Context::link()
{
    if (link_)
        return *link_;
    loadSettings();
    const std::string spec = portSpec();

    PortOptions portOptions;
    portOptions.lpt2Address = params.preferences.ELPTA;
    portOptions.comDevices = comDevices;
    portOptions.virtualStateFile = virtualStateFile;
    portOptions.lockSleeper = &sleeper_;
    factory_ = std::make_unique<PortFactory>(portOptions);
    PortOpenResult opened = factory_->open(spec);
    if (!opened.port) {
        switch (opened.failure) {
        case PortError::CannotOpen:
            throw CliError(kExitNotReady, "!Ready: port unreachable: " + opened.error);
        default:
            throw UsageError(opened.error);
        }
    }
    port_ = std::move(opened.port);

    if (options_.recordFile) {
        // A FIFO nobody reads would hold the open for ever: refuse it at once.
        struct stat st {};
        if (::stat(options_.recordFile->c_str(), &st) == 0 && S_ISFIFO(st.st_mode)) {
            const int probe = ::open(options_.recordFile->c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (probe < 0)
                throw Failure("cannot open record file " + *options_.recordFile + ": " +
                              (errno == ENXIO ? std::string("no program reads the FIFO") : std::strerror(errno)));
            ::close(probe);
        }
        record_.open(*options_.recordFile, std::ios::out | std::ios::app);
        if (!record_)
            throw Failure("cannot open record file " + *options_.recordFile + ": " + std::strerror(errno));
        port_->record(&record_);
    }

    link_ = std::make_unique<TEncoderLink>(sleeper_);
    link_->Bidirectional = params.preferences.CBBI;
    link_->Slow = params.preferences.CBSS;
    // Real ports run at the bus speed the settings ask for; the virtual
    // encoder needs no pauses unless --timed asks for them. The pauses sleep
    // for the nominal length: no second of calibration before each command.
    link_->Timed = !port_->virtualEncoder() || options_.timed;
    link_->NominalPause = true;
    if (link_->Timed) {
        PosixProcessPriority system;
        HighPriority priority(system);
        const std::string notice = priority.apply(params.preferences.CBHPRI);
        if (!notice.empty())
            err() << "quorvanctl: " << notice << '\n';
    }
    port_->attach(*link_);
    return *link_;
}

Port& Context::port()
{
    link();
    return *port_;
}

void Context::saveVirtualState()
{
    if (!port_)
        return;
    std::string error;
    if (!port_->saveVirtualState(error))
        throw Failure(error);
}

void Context::finishRecord()
{
    if (!record_.is_open())
        return;
    record_.flush();
    if (!record_)
        throw Failure("cannot write record file " + *options_.recordFile + " (the record is incomplete)");
}

int Context::finishOperation()
{
    saveVirtualState();
    finishRecord();
    if (!link_)
        return kExitOk;
    const std::string cause = link_->NotReadyCause();
    if (cause.empty())
        return kExitOk;
    err() << "quorvanctl: !Ready: " << cause << '\n';
    return kExitNotReady;
}

std::optional<std::string> Context::takeOption(const std::string& name)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == name) {
            if (i + 1 >= args.size())
                throw UsageError("option " + name + " needs a value");
            std::string value = args[i + 1];
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
            return value;
        }
        if (a.size() > name.size() && a.compare(0, name.size(), name) == 0 && a[name.size()] == '=') {
            std::string value = a.substr(name.size() + 1);
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
            return value;
        }
    }
    return std::nullopt;
}

void Context::expectArgs(std::size_t min, std::size_t max) const
{
    if (args.size() >= min && args.size() <= max)
        return;
    const Command* c = FindCommand(command_);
    std::string synopsis = command_;
    if (c && c->usage && *c->usage)
        synopsis += std::string(" ") + c->usage;
    throw UsageError("usage: quorvanctl " + synopsis);
}

std::uint8_t ParseHexByte(const std::string& text, const std::string& what)
{
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits = digits.substr(2);
    if (digits.empty() || digits.size() > 2 || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        throw UsageError(what + " '" + text + "' is not a hexadecimal byte (00 to FF)");
    return static_cast<std::uint8_t>(std::stoul(digits, nullptr, 16));
}

EncoderState LoadStateForCommand(const std::string& path, bool mayCreate)
{
    EncoderState state;
    std::string error;
    switch (LoadEncoderState(path, state, error)) {
    case StateLoad::Loaded:
        break;
    case StateLoad::Missing:
        if (!mayCreate)
            throw Failure(MissingStateFileMessage(path));
        break;
    case StateLoad::Damaged:
        throw UsageError(error);
    }
    return state;
}

void UpdateStateForCommand(Context& ctx, const std::string& path, const std::function<void(VirtualEncoder&)>& change)
{
    std::string error;
    const auto shared = SharedEncoderState::Open(path, &ctx.sleeper(), error);
    if (!shared)
        throw UsageError(error);
    if (!shared->update(change, error))
        throw Failure(error);
}

} // namespace quorvan::cli
