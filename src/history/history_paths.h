#pragma once
// Where the history lives: "history.sqlite3" and the folder "output" with one "<run id>.log"
// per run, in Chorelin's state folder ($XDG_STATE_HOME/chorelin, 0700).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace history {

struct HistoryPaths {
    std::string folder;

    std::string database() const { return folder + "/history.sqlite3"; }
    std::string outputFolder() const { return folder + "/output"; }
    std::string outputFile(int64_t runId) const;
    // The stored name of a run's output file, relative to the folder ("output/<id>.log").
    static std::string outputName(int64_t runId);
    // The full path of a stored name; empty for a name that is not of the form
    // "output/<id>.log".
    std::string resolve(std::string_view storedName) const;
};

// The user's history folder; nothing when the home cannot be told.
std::optional<HistoryPaths> userHistoryPaths();

// The run id of an output file name ("17.log" gives 17); nothing for any other name.
std::optional<int64_t> runIdOfOutputName(std::string_view fileName);

// "history.sqlite3.corrupt-YYYYMMDD-HHMMSS" of the local time now, with "-N" added when a
// file of that name exists already.
std::string corruptCopyPath(const std::string& database);

} // namespace history
