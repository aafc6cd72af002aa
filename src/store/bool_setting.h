#pragma once
// The on/off values of the settings file, which people edit by hand: true/false, 1/0, yes/no and
// on/off, in any letter case.

#include <optional>
#include <string_view>

// The value of a boolean setting's text; nullopt for any other text, which the caller takes as
// off and says so in the trace.
std::optional<bool> parseBoolSetting(std::string_view text);
