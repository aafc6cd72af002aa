#include "store/task_file.h"

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "store/fields.h"
#include "store/trace.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace {

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

bool keepBackup(const char* path) {
    const std::string backup = taskFileBackupPath(path);
    if (!platform::copyFile(path, backup)) {
        tracef("タスクファイルのバックアップに失敗しました。(%s)", backup.c_str());
        return false;
    }
    tracef("読み込めなかったタスクファイルを %s に保存しました。", backup.c_str());
    return true;
}

// Leaves a task file that someone else could have written alone: nothing of it is loaded, and
// the first write keeps a copy of it before it replaces it.
void refuseTaskFile(AppContext& ctx, platform::FileTrust trust) {
    ctx.taskFileRefusal = taskFileRefusalMessage(trust, ctx.taskFilePath);
    ctx.taskFileNeedsBackup = true;
    traceLine(ctx.taskFileRefusal);
    std::fprintf(stderr, "Chorelin: %s\n", ctx.taskFileRefusal.c_str());
    std::fflush(stderr);
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

} // namespace

std::string taskFileRefusalMessage(platform::FileTrust trust, const char* path) {
    const std::string file = platform::cp932ToUtf8Lossy(path ? path : "");
    const size_t slash = file.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : file.substr(0, slash == 0 ? 1 : slash);
    std::string text = "タスクファイル（" + file + "）";
    switch (trust) {
    case platform::FileTrust::FileForeignOwner:
    case platform::FileTrust::FolderForeignOwner:
        text += "またはそのフォルダが他のユーザーの所有のため読み込みませんでした。\n"
                "自分の所有に戻し（chown）、chmod 600 " +
                file + " と chmod 700 " + folder + " で権限を直してから再起動してください。";
        break;
    case platform::FileTrust::Unexaminable:
        text += "の所有者と権限を確かめられないため読み込みませんでした。\n"
                "chmod 600 " +
                file + " と chmod 700 " + folder + " で権限を直してから再起動してください。";
        break;
    default:
        text += "は他のユーザーが書き換えられる状態のため読み込みませんでした。\n"
                "chmod 600 " +
                file + " と chmod 700 " + folder + " で権限を直してから再起動してください。";
        break;
    }
    return text;
}

std::string taskFileBackupPath(const char* path) {
    const platform::LocalTime t = platform::localTime();
    char suffix[40];
    std::snprintf(suffix, sizeof suffix, ".bak-%04d%02d%02d-%02d%02d%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    std::string backup = std::string(path) + suffix;
    // Two failed loads within one second must not overwrite the first copy.
    for (int n = 1; platform::pathExists(backup); ++n)
        backup = std::string(path) + suffix + "-" + std::to_string(n);
    return backup;
}

int MyTaskRead(AppContext& ctx, const char* path) {
    traceLine("MyTaskRead() Start");
    if (path == nullptr || path[0] == '\0')
        return endRead(-1);
    if (!platform::pathExists(path))
        return endRead(-2);
    const int64_t size = platform::fileSize(path);
    if (size < 0)
        return endRead(-3);
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
        return endRead(-3);
    }
    switch (platform::readFileBytes(path, table.data(), table.size() * kTaskRecordSize)) {
    case platform::ReadResult::Ok:
        break;
    case platform::ReadResult::ShortRead:
        ctx.taskFileNeedsBackup = true;
        return endRead(-5);
    default:
        return endRead(-3);
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

int MyTaskWrite(AppContext& ctx, const char* path) {
    traceLine("MyTaskWrite() Start");
    if (path == nullptr || path[0] == '\0')
        return endWrite(-1);
    if (!platform::pathExists(path))
        return endWrite(-2);
    if (ctx.taskFileNeedsBackup) {
        if (!keepBackup(path))
            return endWrite(-3);
        ctx.taskFileNeedsBackup = false;
    }
    const size_t bytes = static_cast<size_t>(ctx.taskCount) * kTaskRecordSize;
    switch (platform::replaceFileAtomically(path, ctx.tasks.data(), bytes)) {
    case platform::WriteResult::Ok:
        return endWrite(0);
    case platform::WriteResult::Missing:
        return endWrite(-2);
    case platform::WriteResult::ShortWrite:
        return endWrite(-6);
    default:
        return endWrite(-3);
    }
}

bool MyTaskLoadAtStartup(AppContext& ctx) {
    ctx.maxTaskCount = kMaxTaskCount;
    // Checked before anything is created or read: a task file names the programs this process
    // starts, so one that another user could have written is not acted on.
    const platform::FileTrust trust = platform::checkPrivateFile(ctx.taskFilePath);
    if (trust != platform::FileTrust::Trusted) {
        refuseTaskFile(ctx, trust);
        return true;
    }
    // A crash between writing a new table and putting it in place leaves the temporary copy;
    // the task file itself is whole either way.
    if (const int stale = platform::removeStaleReplacements(ctx.taskFilePath))
        tracef("書きかけの一時ファイルを %d 個削除しました。", stale);
    if (!platform::pathExists(ctx.taskFilePath)) {
        traceLine("タスクファイルを作成します。");
        if (!platform::createEmptyFile(ctx.taskFilePath)) {
            traceLine("タスクファイルの作成に失敗しました。");
            return false;
        }
    }
    MyTaskRead(ctx, ctx.taskFilePath);
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
