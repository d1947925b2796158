// quorvanctl: the headless front end.
//
//   quorvanctl [--settings FILE] [--port PORT] [--record FILE] [--timed] COMMAND [ARGS]
//
// Commands live in cmd_*.cpp files, one file per group, each registering
// itself with one line:
//
//     int runSend(quorvan::cli::Context& ctx);
//     QUORVAN_CLI_COMMAND("send", "send", runSend);
//
// A command reads its arguments from ctx.args, reaches the encoder through
// ctx.link() and returns ctx.finishOperation() (0 "Ready", 3 "!Ready"), or
// throws CliError for a usage error (exit 2) or any other failure (exit 1).
#pragma once

#include "content/station_params.h"
#include "link/clock.h"
#include "link/encoder_link.h"
#include "ports/port_factory.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <iosfwd>
#include <memory>
#include <optional>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace quorvan::cli {

enum ExitCode : int {
    kExitOk = 0,        // the operation ended "Ready"
    kExitFailure = 1,   // any other failure
    kExitUsage = 2,     // usage error, unreadable settings file, damaged state file
    kExitNotReady = 3,  // the operation ended "!Ready" (no acknowledge, port unreachable)
};

// Ends the command with an exit code; the message goes to stderr in one line.
class CliError : public std::runtime_error {
public:
    CliError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
    int code() const { return code_; }

private:
    int code_;
};
inline CliError UsageError(const std::string& message) { return CliError(kExitUsage, message); }
inline CliError Failure(const std::string& message) { return CliError(kExitFailure, message); }

struct Options {
    std::optional<std::string> settingsFile; // --settings
    std::optional<std::string> port;         // --port
    std::optional<std::string> recordFile;   // --record
    bool timed = false;                      // --timed
};

// Parses the options in front of the command. Returns the index of the
// command word in argv (argc when there is none); throws UsageError.
int ParseOptions(int argc, char** argv, Options& options);

class Context;
using CommandFn = int (*)(Context&);

struct Command {
    const char* name;
    const char* usage;   // the argument synopsis, e.g. "ADDR BYTE..."
    CommandFn run;
};

const std::vector<Command>& Commands();
const Command* FindCommand(const std::string& name);

struct CommandRegistrar {
    explicit CommandRegistrar(const Command& command);
};

#define QUORVAN_CLI_CONCAT2(a, b) a##b
#define QUORVAN_CLI_CONCAT(a, b) QUORVAN_CLI_CONCAT2(a, b)
#define QUORVAN_CLI_COMMAND(name, usage, fn)                                                                 \
    static const ::quorvan::cli::CommandRegistrar QUORVAN_CLI_CONCAT(quorvanCliCommand_, __LINE__){            \
        ::quorvan::cli::Command{name, usage, fn}}

// The settings hook: reads the settings file (ctx.settingsPath(), "" meaning
// the program's own file) into ctx.params and ctx.comDevices, then applies the
// start-up normalisations. Returns false with a message when the file cannot
// be read (exit 2). Registered once by the settings code:
//
//     QUORVAN_CLI_SETTINGS_LOADER(loadCliSettings);
//
// Without a registered loader the station values keep their initial values,
// and an explicit --settings file only has to be readable.
using SettingsLoader = bool (*)(Context&, std::string& error);
struct SettingsLoaderRegistrar {
    explicit SettingsLoaderRegistrar(SettingsLoader loader);
};
#define QUORVAN_CLI_SETTINGS_LOADER(fn)                                                                      \
    static const ::quorvan::cli::SettingsLoaderRegistrar QUORVAN_CLI_CONCAT(quorvanCliSettings_, __LINE__){fn}

// Everything a command needs: the parsed options, its arguments, the station
// values, the opened port and link, and the virtual encoder's state file.
class Context {
public:
    Context(Options options, std::string command, std::vector<std::string> args);
    ~Context();

    const Options& options() const { return options_; }
    const std::string& command() const { return command_; }
    std::vector<std::string> args;

    // --- settings ---------------------------------------------------------
    // --settings FILE, or "" for the program's own settings file.
    std::string settingsPath() const { return options_.settingsFile.value_or(""); }
    // Loads the settings once (the registered hook); throws exit 2 on failure.
    void loadSettings();
    bool settingsLoaded() const { return settingsLoaded_; }
    TStationParams params;                  // the station values
    std::array<std::string, 4> comDevices;  // COM1Device..COM4Device ("" = /dev/ttyS0..3)
    std::string virtualStateFile;           // the virtual encoder of the settings' "Port" choice

    // --- the encoder --------------------------------------------------------
    // The port spec in force: --port, else the settings' Port.
    std::string portSpec();
    // Loads the settings, opens the port, attaches the link and sets its
    // options (Bidirectional, Slow, pauses, calibration, --record). Throws
    // exit 2 for a bad port name, LPT2 address or state file, exit 3 for a
    // serial port that cannot be opened.
    TEncoderLink& link();
    Port& port();
    // After the operation: saves the virtual encoder's state file and maps the
    // link's last status to the exit code (printing the cause of "!Ready").
    int finishOperation();
    // Saves the virtual encoder's state (no-op for hardware); throws exit 1.
    void saveVirtualState();
    // Flushes the --record file; throws exit 1 when a line could not be written.
    void finishRecord();

    Clock& clock() { return clock_; }
    Sleeper& sleeper() { return sleeper_; }
    std::ostream& out();
    std::ostream& err();

    // --- argument helpers ---------------------------------------------------
    // Removes "NAME VALUE" or "NAME=VALUE" from args; nullopt when absent.
    std::optional<std::string> takeOption(const std::string& name);
    // Throws UsageError unless args has between min and max entries.
    void expectArgs(std::size_t min, std::size_t max) const;

private:
    Options options_;
    std::string command_;
    bool settingsLoaded_ = false;
    SystemClock clock_;
    SystemSleeper sleeper_;
    std::ofstream record_; // outlives the port that writes into it
    std::unique_ptr<PortFactory> factory_;
    std::unique_ptr<Port> port_;
    std::unique_ptr<TEncoderLink> link_;
};

// "YYYY-MM-DDTHH:MM:SS" (a space in place of the T too), 1900 to 2099, as a
// local time; throws UsageError.
DateTime ParseLocalTime(const std::string& text);

// --seconds N: a whole number of seconds from 0 to a day; throws UsageError.
std::int64_t ParseSeconds(const std::string& text);

// "D6", "0xd6" -> 0xD6; throws UsageError naming `what`.
std::uint8_t ParseHexByte(const std::string& text, const std::string& what);

// Loads a virtual encoder state file for the virtual-* commands. A missing file
// is a fresh encoder when `mayCreate`, else a failure (exit 1); a damaged file
// is exit 2.
EncoderState LoadStateForCommand(const std::string& path, bool mayCreate);
// One change of the virtual encoder in its state file, under the file's lock
// so that no other program's write in between is lost (Failure otherwise).
void UpdateStateForCommand(Context& ctx, const std::string& path, const std::function<void(VirtualEncoder&)>& change);

std::string Usage();
// One command's synopsis, "usage: quorvanctl [OPTIONS] NAME ARGS" (what
// `quorvanctl NAME --help` prints and a wrong argument count says).
std::string CommandUsage(const std::string& name);

// The failure of a command that needs a virtual encoder state file that is not
// there: the file named, and the command that creates one.
std::string MissingStateFileMessage(const std::string& path);

// A text as the terminal shows it: UTF-8 as it is, in double quotes; quotes,
// backslashes and control characters escaped so that it stays one line.
std::string QuotedLine(const std::string& utf8);

// The extended values that are set, one "Name: value" line each (the
// [Extended] key names; texts quoted), and the other networks' TA where on.
void PrintExtendedValues(std::ostream& out, const ExtendedValues& values);
// The virtual encoder's extension record: its values, then the RT+ registers
// (hex), the RDS level and phase where they are set. Nothing for the default.
void PrintExtensionRecord(std::ostream& out, const ExtensionRecord& record);

} // namespace quorvan::cli
