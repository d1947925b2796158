// air STATEFILE: the software encoder. Plays the virtual encoder's groups as
// an RDS signal on a sound card (following the state file until SIGINT or
// SIGTERM), or renders them into a WAV/FLAC file or raw samples on stdout.
#include "cli/cli.h"

#include "air/air_session.h"
#include "air/air_status.h"
#include "air/io/jack_client.h"
#include "air/io/sinks.h"
#include "air/io/sources.h"
#include "air/loop_session.h"
#include "air/player_claim.h"
#include "air/pulled_session.h"
#include "content/extended_text.h"
#include "rds/generator.h"
#include "settings/termination_signals.h"
#include "sim/shared_state.h"
#include "sim/state_file.h"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <csignal>
#include <ctime>
#include <functional>
#include <iostream>

namespace quorvan::cli {

namespace {

// Two live players on one state file would both drive the air and overwrite
// each other's status: the claim (held until the player ends) lets one play.
// A player that names itself in the status file without the claim (an older
// one) is refused too.
air::PlayerClaim ClaimLivePlayer(const std::string& statePath)
{
    air::PlayerClaim claim;
    std::string error, note;
    if (!claim.take(statePath, error, note))
        throw UsageError(error);
    if (!note.empty())
        std::cerr << "quorvanctl: " << note << std::endl;
    if (const std::optional<int> other = air::LiveAirPlayer(statePath))
        throw UsageError(statePath + " is already on air by process " + std::to_string(*other) + " (see " +
                         air::AirStatusPath(statePath) + "); stop it first");
    return claim;
}

int ParseRate(const std::string& text)
{
    int rate = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), rate);
    if (ec != std::errc() || end != text.data() + text.size() || rate <= 0)
        throw UsageError("--rate '" + text + "' is not a sample rate in Hz");
    return rate;
}

double ParseLevel(const std::string& text, const std::string& what)
{
    double level = -1;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), level);
    if (ec != std::errc() || end != text.data() + text.size() || !LevelInRange(level))
        throw UsageError(what + " '" + text + "' is not a percentage from 0 to 100");
    return level;
}

double ParseRdsPhase(const std::string& text)
{
    double degrees = -1;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), degrees);
    if (ec != std::errc() || end != text.data() + text.size() || !air::CheckRdsPhase(degrees).empty())
        throw UsageError("--rds-phase '" + text + "' is not a phase of 0 to 359.9 degrees in steps of 0.1");
    return degrees;
}

int ParseInputChannel(const std::string& text)
{
    int channel = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), channel);
    if (ec != std::errc() || end != text.data() + text.size() || channel < 1)
        throw UsageError("--input-channel '" + text + "' is not a channel number (1 is the first)");
    return channel;
}

bool SignalPending()
{
    pollfd p{TerminationSignals::fd(), POLLIN, 0};
    return p.fd >= 0 && ::poll(&p, 1, 0) > 0;
}

std::int64_t NowUnix()
{
    return static_cast<std::int64_t>(std::time(nullptr));
}

// The state file the command plays: missing or damaged is a usage error.
EncoderState LoadPlayedState(const std::string& path)
{
    EncoderState state;
    std::string error;
    switch (LoadEncoderState(path, state, error)) {
    case StateLoad::Loaded:
        return state;
    case StateLoad::Missing:
        throw UsageError("no virtual encoder state file " + path + " (quorvanctl virtual-power " + path + " on creates one)");
    case StateLoad::Damaged:
        break;
    }
    throw UsageError(error);
}

// The state file played: STATEFILE, else that of --port virtual:FILE
// (before or after the command word), else, with --port virtual or the
// settings' Port on the virtual encoder, the settings' VirtualEncoder (the
// file beside the settings when it names none).
std::string PlayedStateFile(Context& ctx, const std::optional<std::string>& own)
{
    if (!ctx.args.empty()) {
        if (own)
            throw UsageError("give the state file either as STATEFILE or by --port " + *own + ", not both");
        return ctx.args[0];
    }
    const std::string port = own ? *own : ctx.portSpec();
    for (const std::string prefix : {"virtual:", "virtual-serial:"})
        if (port.rfind(prefix, 0) == 0 && port.size() > prefix.size())
            return port.substr(prefix.size());
    if (port != "virtual" && port != "virtual-serial")
        throw UsageError("air plays a virtual encoder: give STATEFILE or --port virtual[:STATEFILE] (the port is " +
                         port + ")");
    ctx.loadSettings();
    return ctx.virtualStateFile;
}

bool StateFileThere(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// A live air whose state file does not exist yet waits for it (one line),
// looking ten times a second, until it appears or a signal ends the wait.
// false when a signal ended it.
bool WaitForStateFile(const std::string& path, const std::function<void(const std::string&)>& report)
{
    if (StateFileThere(path))
        return true;
    report("waiting for the virtual encoder state file " + path + " (quorvanctl virtual-power " + path +
           " on creates one)");
    while (!StateFileThere(path)) {
        pollfd p{TerminationSignals::fd(), POLLIN, 0};
        if (::poll(&p, p.fd >= 0 ? 1 : 0, 100) > 0)
            return false;
    }
    return true;
}

// air --jack: the software encoder as the JACK client quorvan-air, paced by
// the server's clock. Without --input-device jack its mpx_out carries RDS
// (and pilot) as on a sound card; with it, the station's MPX on mpx_in with
// the RDS added on its pilot, sample for sample.
int runAirJack(Context& ctx)
{
    const auto connect = ctx.takeOption("--jack-connect");
    const auto rate = ctx.takeOption("--rate");
    const auto seconds = ctx.takeOption("--seconds");
    const auto rdsLevel = ctx.takeOption("--rds-level");
    const auto pilotLevel = ctx.takeOption("--pilot-level");
    const auto channels = ctx.takeOption("--channels");
    const auto port = ctx.takeOption("--port");
    const auto inputDevice = ctx.takeOption("--input-device");
    const auto rdsPhase = ctx.takeOption("--rds-phase");
    if (ctx.takeOption("--device") || ctx.takeOption("--output"))
        throw UsageError("--jack plays into JACK's port quorvan-air:mpx_out: --device and --output do not go with it");
    if (ctx.takeOption("--input") || ctx.takeOption("--input-channel"))
        throw UsageError("--jack takes the station's MPX on its port quorvan-air:mpx_in (--input-device jack), "
                         "not from a file");
    if (ctx.takeOption("--format"))
        throw UsageError("JACK carries float samples: --format does not go with --jack");
    if (ctx.takeOption("--at"))
        throw UsageError("--at belongs to a render into a file (--output)");
    ctx.expectArgs(0, 1);
    const bool loop = inputDevice.has_value();
    if (loop && *inputDevice != "jack")
        throw UsageError("with --jack the input is the port quorvan-air:mpx_in: give --input-device jack, not " +
                         *inputDevice);
    if (!loop && rdsPhase)
        throw UsageError("--rds-phase belongs to a loop-through (--input-device jack)");
    if (loop && pilotLevel)
        throw UsageError("--pilot-level does not go with a loop-through: the station's MPX carries its own pilot");
    const std::string statePath = PlayedStateFile(ctx, port);

    air::ModulatorConfig config;
    if (rdsLevel)
        config.rdsLevel = ParseLevel(*rdsLevel, "--rds-level");
    if (pilotLevel)
        config.pilotLevel = ParseLevel(*pilotLevel, "--pilot-level");
    double phase = rdsPhase ? ParseRdsPhase(*rdsPhase) : air::kDefaultRdsPhase;
    int outputs = 1;
    if (channels) {
        if (*channels != "1" && *channels != "2")
            throw UsageError("--channels '" + *channels + "' is not 1 or 2");
        outputs = *channels == "1" ? 1 : 2;
    }
    // --jack-connect IN,OUT[,OUT2]: a part left empty stays unconnected.
    std::string source;
    std::vector<std::string> sinks;
    if (connect) {
        const std::size_t comma = connect->find(',');
        if (comma == std::string::npos)
            throw UsageError("--jack-connect '" + *connect + "' is not IN,OUT (JACK port names; either may be empty)");
        source = connect->substr(0, comma);
        for (std::size_t at = comma + 1;;) {
            const std::size_t next = connect->find(',', at);
            sinks.push_back(connect->substr(at, next == std::string::npos ? std::string::npos : next - at));
            if (next == std::string::npos)
                break;
            at = next + 1;
        }
        if (static_cast<int>(sinks.size()) > outputs)
            throw UsageError("--jack-connect '" + *connect + "' names more outputs than --channels gives");
    }
    const std::int64_t n = seconds ? ParseSeconds(*seconds) : -1;

    air::SessionHooks hooks;
    hooks.stopRequested = SignalPending;
    hooks.nowUnix = NowUnix;
    hooks.report = [](const std::string& line) { std::cerr << "quorvanctl: " << line << std::endl; };
    if (!WaitForStateFile(statePath, hooks.report)) {
        TerminationSignals::take();
        return kExitOk;
    }
    // The level and phase kept with the state are the start values where
    // the command line gives none.
    air::StartLevelPhase(LoadPlayedState(statePath).extension, rdsLevel.has_value(), rdsPhase.has_value(), config,
                         phase);
    const air::PlayerClaim claim = ClaimLivePlayer(statePath);

    std::string error;
    // Made before the client, so that the client (whose thread calls it) ends first.
    std::optional<air::PulledAir> air;
    std::unique_ptr<air::JackClient> jack = air::JackClient::Open(outputs, error);
    if (!jack)
        throw UsageError(error);
    if (jack->rate() < air::kMinRate)
        throw UsageError("the JACK server \"" + jack->server() + "\" runs at " + std::to_string(jack->rate()) +
                         " Hz, below the " + std::to_string(air::kMinRate) +
                         " Hz that RDS at 57 kHz needs (start it at 192000 Hz, jackd -r 192000)");
    if (rate && ParseRate(*rate) != jack->rate())
        throw UsageError("the JACK server \"" + jack->server() + "\" runs at " + std::to_string(jack->rate()) +
                         " Hz, not at --rate " + *rate);
    config.rate = jack->rate();
    if (const std::string why = air::CheckModulatorConfig(config); !why.empty())
        throw UsageError(why);
    std::string openError;
    const auto shared = SharedEncoderState::Open(statePath, &ctx.sleeper(), openError);
    if (!shared)
        throw UsageError(openError);
    air.emplace(*shared, config, loop, phase);
    if (!jack->start([&air](const float* in, float* out, std::size_t frames) { air->process(in, out, frames); }, error))
        throw Failure(error);
    if (!jack->connect(source, sinks, error))
        throw UsageError(error);
    air::PulledDevice device;
    device.description = jack->description();
    if (loop)
        device.input = jack->description() + ":mpx_in";
    device.wait = [] {
        pollfd p{TerminationSignals::fd(), POLLIN, 0};
        ::poll(&p, p.fd >= 0 ? 1 : 0, 10);
    };
    device.gone = [&jack](std::string& why) { return jack->gone(why); };
    device.underruns = [&jack] { return jack->xruns(); };
    const bool ok = air::FollowPulledAir(*air, device, n < 0 ? -1 : n * config.rate, hooks, error);
    jack.reset();  // the server calls the air no more
    TerminationSignals::take();  // the signal that ended the air is its normal end
    if (!ok)
        throw Failure(error);
    if (air->starved() > 0)
        hooks.report(std::to_string(air->starved()) + " groups came too late from the state file and went out empty");
    if (loop)
        std::cerr << air::LoopSummaryLine(air->summary()) << std::endl;
    return kExitOk;
}

// The options of a live loop-through, as given.
struct LiveLoopOptions {
    std::string inputDevice;
    std::optional<std::string> device, output, rate, seconds, at, rdsLevel, pilotLevel, channels, format, input,
        inputChannel, rdsPhase, port;
};

// A period of a live loop-through: 20 ms. A frame waits one capture period
// and at most two playback periods on its way through.
constexpr int kLoopPeriodsPerSecond = 50;

// air STATE --input-device PCM --device PCM: the station's MPX from a capture
// device, with the RDS on its pilot, to a playback device, following the
// state file as the live air does.
int RunLiveLoop(Context& ctx, const LiveLoopOptions& o)
{
    if (!o.device)
        throw UsageError("--input-device " + o.inputDevice + " needs --device PCM (the loop-through plays on a device)");
    if (o.output || o.input)
        throw UsageError(std::string("--input-device and ") + (o.output ? "--output" : "--input") +
                         " cannot both be given");
    if (o.at)
        throw UsageError("--at belongs to a render into a file (--output)");
    if (o.pilotLevel)
        throw UsageError("--pilot-level does not go with --input-device: the station's MPX carries its own pilot");
    const std::string statePath = PlayedStateFile(ctx, o.port);
    air::ModulatorConfig config;
    if (o.rate)
        config.rate = ParseRate(*o.rate);
    if (config.rate < air::kMinRate)
        throw UsageError("--rate " + *o.rate + " is below the " + std::to_string(air::kMinRate) +
                         " Hz that an MPX with RDS at 57 kHz needs");
    if (o.rdsLevel)
        config.rdsLevel = ParseLevel(*o.rdsLevel, "--rds-level");
    if (const std::string why = air::CheckModulatorConfig(config); !why.empty())
        throw UsageError(why);
    double phase = o.rdsPhase ? ParseRdsPhase(*o.rdsPhase) : air::kDefaultRdsPhase;
    const int channel = o.inputChannel ? ParseInputChannel(*o.inputChannel) : 0;
    air::SinkFormat sinkFormat;
    sinkFormat.rate = config.rate;
    if (o.channels) {
        if (*o.channels != "1" && *o.channels != "2")
            throw UsageError("--channels '" + *o.channels + "' is not 1 or 2");
        sinkFormat.channels = *o.channels == "1" ? 1 : 2;
    }
    const std::int64_t n = o.seconds ? ParseSeconds(*o.seconds) : -1;

    air::SessionHooks hooks;
    hooks.stopRequested = SignalPending;
    hooks.nowUnix = NowUnix;
    hooks.report = [](const std::string& line) { std::cerr << "quorvanctl: " << line << std::endl; };
    if (!WaitForStateFile(statePath, hooks.report)) {
        TerminationSignals::take();
        return kExitOk;
    }
    air::StartLevelPhase(LoadPlayedState(statePath).extension, o.rdsLevel.has_value(), o.rdsPhase.has_value(), config,
                         phase);
    const air::PlayerClaim claim = ClaimLivePlayer(statePath);
    if (config.rdsLevel == 0)
        hooks.report("--rds-level 0: no RDS goes on air, the input passes alone");

    std::string error;
    const std::size_t period = static_cast<std::size_t>(config.rate / kLoopPeriodsPerSecond);
    std::unique_ptr<air::Source> source = air::OpenAlsaSource(o.inputDevice, config.rate, channel, period, hooks.report, error);
    if (!source)
        throw UsageError(error);
    if (o.format) {
        const auto f = air::ParseSampleFormat(*o.format);
        if (!f)
            throw UsageError("--format '" + *o.format + "' is not s16, s32 or float");
        sinkFormat.format = *f;
    } else {
        sinkFormat.format = source->format();  // not re-quantised on the way through
    }
    std::unique_ptr<air::Sink> sink = air::OpenAlsaLoopSink(*o.device, sinkFormat, period, hooks.report, error);
    if (!sink && !o.format && sinkFormat.format != air::SampleFormat::S16) {
        // A card that takes another format out than it gives in.
        sinkFormat.format = air::SampleFormat::S32;
        sink = air::OpenAlsaLoopSink(*o.device, sinkFormat, period, hooks.report, error);
    }
    if (!sink)
        throw UsageError(error);
    std::string openError;
    const auto shared = SharedEncoderState::Open(statePath, &ctx.sleeper(), openError);
    if (!shared)
        throw UsageError(openError);
    const bool ok = air::PlayLiveLoop(*shared, config, phase, *source, *sink, n < 0 ? -1 : n * config.rate, hooks, error);
    TerminationSignals::take();  // the signal that ended the air is its normal end
    if (!ok)
        throw Failure(error);
    return kExitOk;
}

int runAir(Context& ctx)
{
    if (std::erase(ctx.args, std::string("--jack")) > 0)
        return runAirJack(ctx);
    if (ctx.takeOption("--jack-connect"))
        throw UsageError("--jack-connect belongs to --jack");
    const auto device = ctx.takeOption("--device");
    const auto output = ctx.takeOption("--output");
    const auto rate = ctx.takeOption("--rate");
    const auto seconds = ctx.takeOption("--seconds");
    const auto at = ctx.takeOption("--at");
    const auto rdsLevel = ctx.takeOption("--rds-level");
    const auto pilotLevel = ctx.takeOption("--pilot-level");
    const auto channels = ctx.takeOption("--channels");
    const auto format = ctx.takeOption("--format");
    const auto port = ctx.takeOption("--port");
    const auto input = ctx.takeOption("--input");
    const auto inputChannel = ctx.takeOption("--input-channel");
    const auto rdsPhase = ctx.takeOption("--rds-phase");
    if (const auto inputDevice = ctx.takeOption("--input-device")) {
        ctx.expectArgs(0, 1);
        return RunLiveLoop(ctx, {*inputDevice, device, output, rate, seconds, at, rdsLevel, pilotLevel, channels, format,
                                 input, inputChannel, rdsPhase, port});
    }
    ctx.expectArgs(0, 1);
    if (!input && (inputChannel || rdsPhase))
        throw UsageError(std::string(inputChannel ? "--input-channel" : "--rds-phase") +
                         " belongs to a loop-through (--input FILE or --input-device PCM)");
    const std::string statePath = PlayedStateFile(ctx, port);

    air::ModulatorConfig config;
    if (rate)
        config.rate = ParseRate(*rate);
    // A loop-through: the station's MPX from a file, its rate the output's.
    std::unique_ptr<air::Source> source;
    double phase = air::kDefaultRdsPhase;
    if (input) {
        if (!output)
            throw UsageError("--input " + *input + " needs --output FILE|- (the loop-through writes a file or stdout)");
        if (device)
            throw UsageError("--input FILE and --device cannot both be given");
        if (pilotLevel)
            throw UsageError("--pilot-level does not go with --input: the station's MPX carries its own pilot");
        if (rdsPhase)
            phase = ParseRdsPhase(*rdsPhase);
        const int channel = inputChannel ? ParseInputChannel(*inputChannel) : 0;
        std::string why;
        source = air::OpenFileSource(*input, channel, why);
        if (!source)
            throw UsageError(why);
        if (source->rate() < air::kMinRate)
            throw UsageError("the input " + *input + " runs at " + std::to_string(source->rate()) +
                             " Hz, below the " + std::to_string(air::kMinRate) +
                             " Hz that an MPX with RDS at 57 kHz needs");
        if (rate && config.rate != source->rate())
            throw UsageError("the input " + *input + " runs at " + std::to_string(source->rate()) + " Hz, not at --rate " +
                             *rate + ": the output keeps the input's rate");
        config.rate = source->rate();
    }
    if (rdsLevel)
        config.rdsLevel = ParseLevel(*rdsLevel, "--rds-level");
    if (pilotLevel)
        config.pilotLevel = ParseLevel(*pilotLevel, "--pilot-level");
    if (const std::string why = air::CheckModulatorConfig(config); !why.empty())
        throw UsageError(why);
    air::SinkFormat sinkFormat;
    sinkFormat.rate = config.rate;
    if (channels) {
        if (*channels != "1" && *channels != "2")
            throw UsageError("--channels '" + *channels + "' is not 1 or 2");
        sinkFormat.channels = *channels == "1" ? 1 : 2;
    }
    if (format) {
        const auto f = air::ParseSampleFormat(*format);
        if (!f)
            throw UsageError("--format '" + *format + "' is not s16, s32 or float");
        sinkFormat.format = *f;
    } else if (source) {
        // The input's own format, so that its samples are not re-quantised
        // (a FLAC file holds s16 here).
        const bool flac = output->size() >= 5 && output->compare(output->size() - 5, 5, ".flac") == 0;
        sinkFormat.format = flac ? air::SampleFormat::S16 : source->format();
    }
    if (device && output)
        throw UsageError("--device and --output cannot both be given");
    // --seconds 0 plays nothing, as `groups --seconds 0` prints nothing.
    const std::int64_t n = seconds ? ParseSeconds(*seconds) : -1;
    const bool toStdout = output && *output == "-";
    if (output && !toStdout && !seconds && !source)
        throw UsageError("--output " + *output + " needs --seconds N");
    if (at && !output)
        throw UsageError("--at belongs to a render into a file (--output)");
    if (at && !seconds && !source)
        throw UsageError("--at needs --seconds N");
    const std::optional<DateTime> start = at ? std::optional<DateTime>(ParseLocalTime(*at)) : std::nullopt;

    air::SessionHooks hooks;
    hooks.stopRequested = SignalPending;
    hooks.nowUnix = NowUnix;
    hooks.report = [](const std::string& line) { std::cerr << "quorvanctl: " << line << std::endl; };
    std::int64_t frames = n < 0 ? -1 : n * config.rate;
    if (source && source->frames() >= 0 && (frames < 0 || frames > source->frames()))
        frames = source->frames();  // the whole file, or what there is of it
    const bool render = output && (seconds || source);
    if (!render && !WaitForStateFile(statePath, hooks.report)) {
        TerminationSignals::take();  // ended while waiting: a normal end
        return kExitOk;
    }
    const EncoderState state = LoadPlayedState(statePath);
    air::StartLevelPhase(state.extension, rdsLevel.has_value(), rdsPhase.has_value(), config, phase);
    // Two live players on one state file would both drive the air and
    // overwrite each other's status.
    const air::PlayerClaim claim = render ? air::PlayerClaim() : ClaimLivePlayer(statePath);
    if (config.rdsLevel == 0)
        hooks.report("--rds-level 0: no RDS goes on air" +
                     std::string(config.pilotLevel > 0 ? ", only the pilot" : ", only silence"));

    std::unique_ptr<air::Sink> sink;
    std::string error;
    if (toStdout) {
        std::signal(SIGPIPE, SIG_IGN);  // a reader that goes away is a write error, not a silent death
        sink = air::OpenRawSink(STDOUT_FILENO, sinkFormat);
    } else if (output) {
        sink = air::OpenFileSink(*output, sinkFormat, frames, error);
    } else {
        sink = air::OpenAlsaSink(device.value_or("default"), sinkFormat, hooks.report, error);
    }
    if (!sink)
        throw UsageError(error);

    bool ok = false;
    if (source) {
        if (!rds::EncoderStream::OnAir(state))
            hooks.report(std::string("the virtual encoder ") + (state.power ? "has its carrier off" : "has no power") +
                         ": the input passes without RDS");
        // The groups of `groups STATEFILE --at T` from frame 0, on the
        // station's clock: a second more for the shaping filter's look-ahead,
        // and room for a pilot up to 0.2 % fast.
        const std::int64_t secs = frames < 0 ? 0 : (frames + config.rate - 1) / config.rate;
        const std::vector<rds::Group> groups =
            rds::GroupsDuring(state, start.value_or(ctx.clock().now()), secs + 1 + secs / 500);
        air::LoopSummary summary;
        ok = air::PlayLoopThrough(groups, config, phase, *source, *sink, frames, hooks, summary, error);
        if (ok)
            std::cerr << air::LoopSummaryLine(summary) << std::endl;
    } else if (render) {
        // A render: the groups of `groups STATEFILE --seconds N --at T`, the
        // first one at frame 0. One second more for the bits the shaping
        // filter looks ahead at the end.
        if (!rds::EncoderStream::OnAir(state))
            hooks.report(std::string("the virtual encoder ") + (state.power ? "has its carrier off" : "has no power") +
                         (config.pilotLevel > 0 ? ": the render carries the pilot alone" : ": the render is silent"));
        const std::vector<rds::Group> groups = rds::GroupsDuring(state, start.value_or(ctx.clock().now()), n + 1);
        ok = air::PlayGroups(groups, config, *sink, frames, hooks, error);
    } else {
        std::string openError;
        const auto shared = SharedEncoderState::Open(statePath, &ctx.sleeper(), openError);
        if (!shared)
            throw UsageError(openError);
        ok = air::PlayLive(*shared, config, *sink, frames, hooks, error);
    }
    TerminationSignals::take();  // the signal that ended the air is its normal end
    if (!ok)
        throw Failure(error);
    return kExitOk;
}

} // namespace

QUORVAN_CLI_COMMAND("air",
                    "[STATEFILE | --port virtual[:STATEFILE]] [--device PCM | --output FILE|-] [--rate HZ] [--seconds N] "
                    "[--at YYYY-MM-DDTHH:MM:SS] [--rds-level PERCENT] [--pilot-level PERCENT] [--channels 1|2] "
                    "[--format s16|s32|float] [--input MPXFILE [--input-channel N] [--rds-phase DEGREES]] "
                    "[--input-device PCM --device PCM [--input-channel N] [--rds-phase DEGREES]] "
                    "[--jack [--jack-connect IN,OUT] [--input-device jack]] "
                    "(live until SIGINT or SIGTERM; without STATEFILE the settings' VirtualEncoder; "
                    "a live air waits for a missing STATEFILE; --input adds the RDS to a station's MPX from a WAV or FLAC "
                    "file, locked to its pilot: mono, or channel N (1 = the first) of several, the output at its rate, "
                    "the whole file unless --seconds; --input-device loops a capture device's MPX live to --device; "
                    "--rds-phase 0 to 359.9, 90 = quadrature; --jack plays as the JACK "
                    "client quorvan-air, mpx_in to mpx_out, looping the station's MPX with --input-device jack)",
                    runAir);

} // namespace quorvan::cli
