#include "cli/cli.h"

#include <algorithm>
#include <cstring>

namespace quorvan::cli {

namespace {

std::vector<Command>& registry()
{
    static std::vector<Command> commands;
    return commands;
}

} // namespace

SettingsLoader& settingsLoaderSlot()
{
    static SettingsLoader loader = nullptr;
    return loader;
}

CommandRegistrar::CommandRegistrar(const Command& command)
{
    auto& commands = registry();
    const auto at = std::lower_bound(commands.begin(), commands.end(), command,
                                     [](const Command& a, const Command& b) { return std::strcmp(a.name, b.name) < 0; });
    commands.insert(at, command);
}

SettingsLoaderRegistrar::SettingsLoaderRegistrar(SettingsLoader loader)
{
    settingsLoaderSlot() = loader;
}

const std::vector<Command>& Commands()
{
    return registry();
}

const Command* FindCommand(const std::string& name)
{
    for (const Command& c : registry())
        if (name == c.name)
            return &c;
    return nullptr;
}

std::string Usage()
{
    std::string text = "usage: quorvanctl [--settings FILE] [--port PORT] [--record FILE] [--timed] COMMAND [ARGS]\n"
                       "       quorvanctl --version | help\n"
                       "ports: lpt1, lpt2, com1..com4, a device path, virtual:STATEFILE, virtual-serial:STATEFILE,\n"
                       "       virtual (the settings' VirtualEncoder)\n"
                       "commands:\n";
    for (const Command& c : registry()) {
        text += "  ";
        text += c.name;
        if (c.usage && *c.usage) {
            text += ' ';
            text += c.usage;
        }
        text += '\n';
    }
    text += "settings section [Extended] (the software encoder only; UTF-8):\n"
            " ECC LIC PIN PTYN LongPS ERT ERTFromRT AFMethod AFB1..AFB12 GroupSequence\n"
            " EONnPI EONnPS EONnAF EONnPTY EONnTP (n = 1..8)\n"
            "network commands of the software encoder (follow; KEY? reads one):\n"
            " ECC= LIC= PIN= PTYN= LPS= ERT= EON1TA=..EON8TA= GRPSEQ= RDSLEVEL= RDSPHASE=\n";
    return text;
}

std::string CommandUsage(const std::string& name)
{
    std::string synopsis = "usage: quorvanctl [--settings FILE] [--port PORT] [--record FILE] [--timed] " + name;
    if (const Command* c = FindCommand(name); c && c->usage && *c->usage)
        synopsis += std::string(" ") + c->usage;
    return synopsis;
}

std::string MissingStateFileMessage(const std::string& path)
{
    return "no virtual encoder state file " + path + " (quorvanctl virtual-power " + path + " on creates one)";
}

} // namespace quorvan::cli
