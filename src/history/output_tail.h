#pragma once
// The end of a run's output file, for the history dialog and the failure notices. The file
// may be written to while it is read (the run, or what it left behind, still runs).

#include <cstdint>
#include <string>
#include <vector>

namespace history {

struct OutputTail {
    bool readable = false; // false: the file is gone or cannot be read
    bool cut = false;      // the file is longer than what was read
    int64_t fileBytes = 0;
    std::string text; // starts on a whole line (or at least a whole character) when cut
};

// At most the last `maxBytes` bytes of the file.
OutputTail readOutputTail(const std::string& path, int64_t maxBytes);

// The last `count` non-empty lines of a text, each cut to `maxChars` bytes without splitting a
// UTF-8 character.
std::vector<std::string> lastLines(const std::string& text, int count, size_t maxChars);

} // namespace history
