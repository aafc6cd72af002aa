#include "cli/commands.h"

#include <vector>

namespace cli {

std::span<const Command> allCommands() {
    // One line per command: {name, options, run}.
    static const std::vector<Command> commands = {};
    return commands;
}

} // namespace cli
