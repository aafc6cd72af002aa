#include "store/task_file.h"

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/private_file.h"
#include "store/fields.h"
#include "store/trace.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <optional>

namespace {

using platform::PrivateFile;
using platform::SystemPath;

// No task file comes near this (256 records are 363,520 bytes); a file larger than this where the
// task file should be is not copied, and so not replaced either.
constexpr uint64_t kBackupLimit = 64ull << 20;

int endRead(int result) {
    tracef("MyTaskRead() End Ret=%d", result);
    return result;
}

int endWrite(int result) {
    tracef("MyTaskWrite() End Ret=%d", result);
    return result;
}

// An empty path field counts as a missing file.
bool fileMissing(std::string_view path) {
    return path.empty() || !platform::pathExists(path);
}

void toStandardError(const std::string& message) {
    std::fprintf(stderr, "Chorelin: %s\n", message.c_str());
    std::fflush(stderr);
}

// Tells once, on standard error and in the trace, and keeps the text for the start-up box.
void tellAtStartup(AppContext& ctx, const std::string& message) {
    traceLine(message);
    toStandardError(message);
    if (ctx.taskFileRefusal.empty())
        ctx.taskFileRefusal = message;
}

// The file on disk was not loaded (or its copy could not be kept): it stays as it is for the
// whole session, so the user's tasks are there again once it is fixed.
void freeze(AppContext& ctx, const std::string& message) {
    ctx.taskFileFrozen = true;
    tellAtStartup(ctx, message);
}

void tellOnce(bool& told, const std::string& message) {
    traceLine(message);
    if (!told)
        toStandardError(message);
    told = true;
}

// The copy of a file that was not loaded whole, beside the file itself (where a link leads).
// Its path, or nothing when no copy could be made.
std::optional<std::string> keepBackup(const SystemPath& file) {
    const SystemPath real = platform::resolveLinks(file);
    const std::string backup = taskFileBackupPath(real.c_str());
    switch (platform::copyRegularFile(real, SystemPath(backup), kBackupLimit)) {
    case platform::CopyResult::Ok:
        traceLine(taskFileBackupMadeMessage(backup));
        return backup;
    case platform::CopyResult::TooLarge:
        tracef("タスクファイルが大きすぎるため控えを作りません。(%s)", real.c_str());
        return std::nullopt;
    default:
        tracef("タスクファイルのバックアップに失敗しました。(%s)", backup.c_str());
        return std::nullopt;
    }
}

// Whether the schedule of a record can match any day: the first set flag decides, and chosen
// days need at least one day. A record that cannot has no next run; a next run read from the
// file for it would otherwise stay due all day and start the task again after every end.
bool scheduleCanMatch(const TaskRecord& task) {
    if (task.once || task.daily || task.weekdays || task.holidays)
        return true;
    if (!task.chosenDays)
        return false;
    for (int32_t flag : task.dayFlags) {
        if (flag != 0)
            return true;
    }
    return false;
}

// The reading steps on a file opened once; `readFailed` tells a file that could not be read (an
// error of the disk, no memory for its records) from one that simply ended early.
int readOpened(AppContext& ctx, const PrivateFile& file, bool& readFailed) {
    traceLine("MyTaskRead() Start");
    readFailed = false;
    switch (file.status()) {
    case PrivateFile::Status::Missing:
        return endRead(-2);
    case PrivateFile::Status::Opened:
        break;
    default:
        return endRead(-3);
    }
    const int64_t size = file.size();
    if (size == 0)
        return endRead(0);
    if (size % static_cast<int64_t>(kTaskRecordSize) != 0) {
        ctx.taskFileNeedsBackup = true;
        return endRead(-4);
    }
    int64_t n = size / static_cast<int64_t>(kTaskRecordSize);
    if (n > ctx.maxTaskCount) {
        tracef("タスク数を %lld から %d に補正", static_cast<long long>(n), ctx.maxTaskCount);
        n = ctx.maxTaskCount;
        ctx.taskFileNeedsBackup = true;
    }
    std::vector<TaskRecord> table;
    try {
        table.assign(static_cast<size_t>(n), TaskRecord{});
    } catch (const std::bad_alloc&) {
        readFailed = true; // not read, so not to be written over either
        return endRead(-3);
    }
    switch (file.read(table.data(), table.size() * kTaskRecordSize)) {
    case platform::ReadResult::Ok:
        break;
    case platform::ReadResult::ShortRead:
        ctx.taskFileNeedsBackup = true;
        return endRead(-5);
    default:
        readFailed = true;
        return endRead(-5);
    }
    ctx.tasks = std::move(table);
    ctx.taskCount = static_cast<int32_t>(n);
    for (TaskRecord& task : ctx.tasks) {
        if (fileMissing(fieldView(task.registeredFile)))
            task.state = StateNoRegisteredFile;
        if (fileMissing(fieldView(task.executableFile)))
            task.state = StateNoExecutable;
    }
    return endRead(0);
}

// The task file as the user knows it, and where a link leads when it does.
std::string shownPath(const SystemPath& path, const SystemPath& target) {
    return path == target ? path.str() : path.str() + " → " + target.str();
}

// A file that is there but is not to be read tells why; false when it may be read.
bool refusedAtStartup(AppContext& ctx, const SystemPath& path, const PrivateFile& file) {
    // Whoever owns a FIFO or a device, it is no task file: that is what to fix first.
    if (file.status() == PrivateFile::Status::NotRegular) {
        freeze(ctx, taskFileNotRegularMessage(shownPath(path, file.target())));
        return true;
    }
    if (file.trust() != platform::FileTrust::Trusted) {
        const SystemPath& culprit = file.culprit();
        const bool folderAtFault = culprit != file.target();
        freeze(ctx, taskFileRefusalMessage(file.trust(), file.target().str(),
                                           folderAtFault ? culprit.str()
                                                         : file.target().folder().str()));
        return true;
    }
    if (file.status() == PrivateFile::Status::OpenFailed) {
        tracef("!!!NG!!! open() LastError=%d", file.error());
        freeze(ctx, taskFileUnopenableMessage(file.target().str(),
                                              file.error() == EACCES || file.error() == EPERM));
        return true;
    }
    return false;
}

} // namespace

std::string taskFileBackupPath(const char* path) {
    const platform::LocalTime t = platform::localTime();
    char suffix[40];
    std::snprintf(suffix, sizeof suffix, ".bak-%04d%02d%02d-%02d%02d%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    std::string backup = std::string(path) + suffix;
    // Two failed loads within one second must not overwrite the first copy.
    for (int n = 1; platform::pathExists(SystemPath(backup)); ++n)
        backup = std::string(path) + suffix + "-" + std::to_string(n);
    return backup;
}

int MyTaskRead(AppContext& ctx, const char* path) {
    if (path == nullptr || path[0] == '\0') {
        traceLine("MyTaskRead() Start");
        return endRead(-1);
    }
    const PrivateFile file{SystemPath(path)};
    bool readFailed = false;
    return readOpened(ctx, file, readFailed);
}

namespace {

// One write of `count` records; the caller holds taskFileWriteMutex.
int writeTable(AppContext& ctx, const char* path, const TaskRecord* records, size_t count,
               platform::Flush flush) {
    traceLine("MyTaskWrite() Start");
    if (path == nullptr || path[0] == '\0')
        return endWrite(-1);
    const SystemPath file(path);
    if (!platform::pathExists(file))
        return endWrite(-2);
    // What was not loaded is never written over.
    if (ctx.taskFileFrozen)
        return endWrite(-3);
    if (ctx.taskFileNeedsBackup) {
        if (!keepBackup(file)) {
            tellOnce(ctx.taskFileBackupFailureTold, taskFileBackupFailedMessage(file.str()));
            return endWrite(-3);
        }
        ctx.taskFileNeedsBackup = false;
    }
    switch (platform::replaceFileContent(file, records, count * kTaskRecordSize, flush)) {
    case platform::WriteResult::Ok:
        return endWrite(0);
    case platform::WriteResult::WrittenInPlace:
        traceLine(
            "タスクファイルのフォルダに一時ファイルを作れないため、タスクファイルを直接書き換え"
            "ました（置き換えではないため、途中で止まると壊れることがあります）。");
        return endWrite(0);
    case platform::WriteResult::Missing:
        return endWrite(-2);
    case platform::WriteResult::ReadOnly:
        tellOnce(ctx.taskFileReadOnlyTold, taskFileReadOnlyMessage(file.str()));
        return endWrite(-3);
    case platform::WriteResult::ShortWrite:
        return endWrite(-6);
    default:
        return endWrite(-3);
    }
}

size_t recordCount(const AppContext& ctx) {
    return std::min(static_cast<size_t>(std::max(ctx.taskCount, 0)), ctx.tasks.size());
}

} // namespace

int MyTaskWrite(AppContext& ctx, const char* path) {
    const uint64_t number = ++ctx.taskFileTableNumber;
    const std::lock_guard<std::mutex> turn(ctx.taskFileWriteMutex);
    ctx.taskFileWrittenNumber = number;
    return writeTable(ctx, path, ctx.tasks.data(), recordCount(ctx), platform::Flush::ToDisk);
}

TaskTableCopy MyTaskTableCopy(AppContext& ctx) {
    TaskTableCopy copy;
    copy.records.assign(ctx.tasks.begin(),
                        ctx.tasks.begin() + static_cast<std::ptrdiff_t>(recordCount(ctx)));
    copy.number = ++ctx.taskFileTableNumber;
    return copy;
}

int MyTaskWriteCopy(AppContext& ctx, const TaskTableCopy& copy, platform::Flush flush) {
    const std::lock_guard<std::mutex> turn(ctx.taskFileWriteMutex);
    if (copy.number <= ctx.taskFileWrittenNumber)
        return 0;
    ctx.taskFileWrittenNumber = copy.number;
    return writeTable(ctx, ctx.taskFilePath, copy.records.data(), copy.records.size(), flush);
}

bool MyTaskLoadAtStartup(AppContext& ctx) {
    ctx.maxTaskCount = kMaxTaskCount;
    const SystemPath path(fieldString(ctx.taskFilePath));
    // Opened once; what is believed and what is read come from that one open file. A file that
    // another user could have written names programs this process would start, so it is not
    // acted on, and nothing is created where the folder is not this user's alone.
    auto file = std::make_unique<PrivateFile>(path);
    if (refusedAtStartup(ctx, path, *file))
        return true;
    if (file->status() == PrivateFile::Status::Missing) {
        traceLine("タスクファイルを作成します。");
        if (!platform::createEmptyFile(path)) {
            traceLine("タスクファイルの作成に失敗しました。");
            return false;
        }
        file = std::make_unique<PrivateFile>(path);
        if (refusedAtStartup(ctx, path, *file))
            return true;
    }
    // A crash between writing a new table and putting it in place leaves the temporary copy;
    // the task file itself is whole either way.
    if (const int stale = platform::removeStaleReplacements(path))
        tracef("書きかけの一時ファイルを %d 個削除しました。", stale);

    bool readFailed = false;
    readOpened(ctx, *file, readFailed);
    if (readFailed) {
        freeze(ctx, taskFileUnreadableMessage(file->target().str()));
    } else if (ctx.taskFileNeedsBackup) {
        // Kept now rather than at the first write, so that a copy that cannot be made is known
        // while the user can still be told, and the file is then left alone.
        if (const std::optional<std::string> backup = keepBackup(path)) {
            ctx.taskFileNeedsBackup = false;
            toStandardError(taskFileBackupMadeMessage(*backup));
        } else {
            freeze(ctx, taskFileBackupFailedMessage(file->target().str()));
        }
    }
    for (int i = 0; i < ctx.taskCount; ++i) {
        TaskRecord& task = ctx.tasks[i];
        std::memset(&task.startupInfo, 0, sizeof task.startupInfo);
        std::memset(&task.processInfo, 0, sizeof task.processInfo);
        if (task.state == StateRunning)
            task.state = task.once ? StateCompleted : StateWaiting;
        if (!scheduleCanMatch(task)) {
            task.nextRunDate = 0;
            clearField(task.nextRunText);
        }
    }
    return true;
}
