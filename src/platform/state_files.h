#pragma once
// Chorelin's own files outside the documents folder: the state folder (XDG_STATE_HOME) and the
// files made in it, private to the user. Paths here are native (UTF-8) paths, since the
// system finds them itself; they never pass through cp932.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// "$XDG_STATE_HOME/<name>", or "$HOME/.local/state/<name>" when XDG_STATE_HOME is unset or not
// absolute. Nothing when neither is set. Nothing is created.
std::optional<std::string> stateFolder(std::string_view name);

// Creates the folder and any missing parents; the folder itself gets mode 0700 (also when it
// was there already). False when it is not a folder of ours afterwards (errno kept).
bool makePrivateFolder(const std::string& path);

// Creates an empty file with mode 0600 when none exists, and sets 0600 on an existing one.
// False when that cannot be done (errno kept).
bool makePrivateFile(const std::string& path);

// Opens a new output file for writing at its end: created (or emptied) with mode 0600,
// close-on-exec, never through a symbolic link. The descriptor, or -1 with errno set.
int openPrivateOutput(const std::string& path);

// The size of a file in bytes, or -1 when it cannot be examined.
int64_t privateFileSize(const std::string& path);

} // namespace platform
