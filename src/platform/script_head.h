#pragma once
// What a script names on its first line ("#!interpreter [argument]"): why a script whose
// interpreter is missing cannot be started is that interpreter, not the script.

#include <optional>
#include <string>

namespace platform {

// The interpreter of the script at `cp932Path`, as UTF-8 text: the first word after "#!" on its
// first line. nullopt when the file cannot be read without waiting, is no regular file, or does
// not begin with "#!".
std::optional<std::string> scriptInterpreter(const std::string& cp932Path);

} // namespace platform
