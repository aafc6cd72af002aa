#pragma once
// The files of the writing instance's history, reached only through its trusted folders: the
// state folder (database, -wal, -shm) and "output" in it. What stands under one of the names
// this program uses and is not a private regular file of this user (a link, a FIFO, another
// user's file) is moved aside as "<name>.foreign-YYYYMMDD-HHMMSS", never opened.

#include "history/history_paths.h"
#include "platform/trusted_folder.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace history {

class HistoryFiles {
public:
    // `tell` hears, once each, of every entry that was moved aside (a message for the user).
    HistoryFiles(std::unique_ptr<platform::TrustedFolder> root,
                 std::function<void(const std::string&)> tell);

    // Opens (makes) the output folder. False when it is refused or cannot be made (problem()).
    bool openOutput();
    const HistoryPaths& paths() const { return paths_; }
    const std::string& problem() const { return problem_; }

    // The database and its -wal and -shm are absent or private files afterwards; a missing
    // database is created empty (0600). False when that cannot be done (problem()).
    bool prepareDatabase();

    // A new output file for a run, opened for writing; -1 when none can be made (errno kept).
    int createOutput(int64_t runId);
    // Gets the output folder ready for createOutput() (TrustedFolder::rehearseCreate).
    void rehearseOutput() const;
    // Size of a stored output name ("output/<id>.log"), -1 when there is no such file.
    int64_t outputSize(std::string_view storedName) const;
    bool removeOutput(std::string_view storedName) const;
    // The run ids of the output files there are.
    std::vector<int64_t> outputIds() const;

private:
    bool makePrivate(const platform::TrustedFolder& folder, const std::string& name);

    std::unique_ptr<platform::TrustedFolder> root_;
    std::unique_ptr<platform::TrustedFolder> output_;
    std::function<void(const std::string&)> tell_;
    HistoryPaths paths_;
    std::string problem_;
};

// "実行履歴のフォルダ（…）…" for a state folder that is refused, is no folder or cannot be made,
// with what fixes it; `lockAlone` adds that the data folder's lock alone keeps one instance.
std::string stateFolderMessage(const platform::FolderOpening& opening, bool lockAlone);

} // namespace history
