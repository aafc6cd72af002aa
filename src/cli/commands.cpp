#include "cli/commands.h"

#include "cli/history_command.h"
#include "cli/holiday_commands.h"
#include "cli/list_command.h"

#include <vector>

namespace cli {

std::span<const Command> allCommands() {
    // One line per command: {name, options, run, plain arguments it takes}.
    static const std::vector<Command> commands = {
        {QStringLiteral("list"), listOptions, runList},
        {QStringLiteral("history"), historyOptions, runHistory, 1},
        {QStringLiteral("holidays"), holidaysOptions, runHolidays},
        {QStringLiteral("import-holidays"), importHolidaysOptions, runImportHolidays},
    };
    return commands;
}

} // namespace cli
