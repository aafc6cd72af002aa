#pragma once
// Chorelin's own folder outside the documents folder: the state folder (XDG_STATE_HOME). It is
// made and opened as a trusted folder (trusted_folder.h). Paths here are native (UTF-8) paths,
// since the system finds them itself; they never pass through cp932.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// "$XDG_STATE_HOME/<name>", or "$HOME/.local/state/<name>" when XDG_STATE_HOME is unset or not
// absolute. Nothing when neither is set. Nothing is created.
std::optional<std::string> stateFolder(std::string_view name);

} // namespace platform
