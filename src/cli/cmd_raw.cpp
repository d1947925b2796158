// write ADDR BYTE...: one write transaction straight onto the bus.
#include "cli/cli.h"

namespace quorvan::cli {

namespace {

int runWrite(Context& ctx)
{
    ctx.expectArgs(2, 1000);
    const std::uint8_t address = ParseHexByte(ctx.args[0], "address");
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 1; i < ctx.args.size(); ++i)
        bytes.push_back(ParseHexByte(ctx.args[i], "byte"));

    TEncoderLink& link = ctx.link();
    link.SendStart(true);
    link.SendByte(0xD6);
    link.SendByte(address);
    for (std::uint8_t b : bytes)
        link.SendByte(b);
    link.SendStop(true);
    return ctx.finishOperation();
}

} // namespace

QUORVAN_CLI_COMMAND("write", "ADDR BYTE... (hexadecimal)", runWrite);

} // namespace quorvan::cli
