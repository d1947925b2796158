// groups STATEFILE [--seconds N] [--at YYYY-MM-DDTHH:MM:SS]: the RDS groups the
// virtual encoder sends, one per line as four upper-case hexadecimal blocks,
// the plain format RDS decoders and logging tools read.
#include "cli/cli.h"

#include "rds/generator.h"

#include <charconv>
#include <ostream>

namespace quorvan::cli {

namespace {
constexpr std::int64_t kMaxSeconds = 24 * 60 * 60;
} // namespace

std::int64_t ParseSeconds(const std::string& text)
{
    std::int64_t seconds = -1;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (ec != std::errc() || end != text.data() + text.size() || seconds < 0 || seconds > kMaxSeconds)
        throw UsageError("--seconds '" + text + "' is not a whole number of seconds from 0 to " +
                         std::to_string(kMaxSeconds));
    return seconds;
}

namespace {

int runGroups(Context& ctx)
{
    const std::optional<std::string> seconds = ctx.takeOption("--seconds");
    const std::optional<std::string> at = ctx.takeOption("--at");
    ctx.expectArgs(1, 1);
    const std::int64_t n = seconds ? ParseSeconds(*seconds) : 10;
    const DateTime start = at ? ParseLocalTime(*at) : ctx.clock().now();
    const EncoderState state = LoadStateForCommand(ctx.args[0], false);
    if (!rds::EncoderStream::OnAir(state)) {
        ctx.err() << "quorvanctl: the virtual encoder " << (state.power ? "has its carrier off" : "has no power")
                  << ": nothing is on air\n";
        return kExitOk;
    }
    std::string text;
    for (const rds::Group& g : rds::GroupsDuring(state, start, n)) {
        text += g.hex();
        text += '\n';
    }
    ctx.out() << text << std::flush;
    if (!ctx.out())
        throw Failure("the groups could not be written");
    return kExitOk;
}

} // namespace

QUORVAN_CLI_COMMAND("groups", "STATEFILE [--seconds N] [--at YYYY-MM-DDTHH:MM:SS]", runGroups);

} // namespace quorvan::cli
