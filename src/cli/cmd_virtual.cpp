// The virtual encoder's own controls: look into it, poke it, switch it.
#include "cli/cli.h"

#include "sim/state_file.h"
#include "sim/virtual_encoder.h"

namespace quorvan::cli {

namespace {

int runDump(Context& ctx)
{
    const bool eeprom = std::erase(ctx.args, std::string("--eeprom")) > 0;
    ctx.expectArgs(1, 1);
    const VirtualEncoder encoder(LoadStateForCommand(ctx.args[0], false));
    ctx.out() << DumpMemory(eeprom ? encoder.state().eeprom : encoder.ramImage());
    // What the chip lacks, after its memory (nothing while the record holds
    // only defaults, so that a chip's state dumps as it always did).
    if (!eeprom && !(encoder.extension() == ExtensionRecord{})) {
        ctx.out() << "Extension record:\n";
        PrintExtensionRecord(ctx.out(), encoder.extension());
    }
    return kExitOk;
}

int runPoke(Context& ctx)
{
    ctx.expectArgs(3, 1000);
    const std::string& path = ctx.args[0];
    const std::uint8_t address = ParseHexByte(ctx.args[1], "address");
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 2; i < ctx.args.size(); ++i)
        bytes.push_back(ParseHexByte(ctx.args[i], "byte"));
    if (address + bytes.size() > 256)
        throw UsageError("the bytes run past address FF");
    UpdateStateForCommand(ctx, path, [&](VirtualEncoder& encoder) { encoder.poke(address, bytes); });
    return kExitOk;
}

int runPower(Context& ctx)
{
    ctx.expectArgs(2, 2);
    const std::string& word = ctx.args[1];
    if (word != "on" && word != "off")
        throw UsageError("virtual-power takes on or off, not '" + word + "'");
    UpdateStateForCommand(ctx, ctx.args[0], [&](VirtualEncoder& encoder) { encoder.setPower(word == "on"); });
    return kExitOk;
}

} // namespace

QUORVAN_CLI_COMMAND("virtual-dump", "STATEFILE [--eeprom]", runDump);
QUORVAN_CLI_COMMAND("virtual-poke", "STATEFILE ADDR BYTE... (hexadecimal)", runPoke);
QUORVAN_CLI_COMMAND("virtual-power", "STATEFILE on|off", runPower);

} // namespace quorvan::cli
