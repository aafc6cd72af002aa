#pragma once
// The task file: the task table written out whole, record after record, no header.

#include "platform/private_file.h"
#include "store/app_context.h"
#include "store/task_file_messages.h"

#include <string>
#include <vector>

// Loads the file into ctx.tasks. 0 loaded (or empty file), -1 empty path, -2 no file,
// -3 not openable (or not a regular file), -4 size not a multiple of a record, -5 short read.
// On any failure the table is left as it was. `path` is a system path (native bytes).
int MyTaskRead(AppContext& ctx, const char* path);

// Replaces the file's content with the table, where the file really lies (a link stays a link).
// 0 written, -1 empty path, -2 no file (nothing is created), -3 not openable, not writable by its
// owner, kept as it is for this session (ctx.taskFileFrozen), or the backup of an unloadable
// file could not be kept; -6 short write (the previous content stays whole).
int MyTaskWrite(AppContext& ctx, const char* path);

// The table as it stands, to be written later without taskLock (the scheduler does not keep
// the window and the watcher waiting while the disk works). Taken under taskLock.
struct TaskTableCopy {
    std::vector<TaskRecord> records;
    uint64_t number = 0;
};
TaskTableCopy MyTaskTableCopy(AppContext& ctx);

// Writes a copy to ctx.taskFilePath as MyTaskWrite does, without taskLock. A copy older than a
// table already written is not written (0): the file already holds all that it held. With
// Flush::ToFileSystem the new file is in place when it returns but not yet forced to the disk
// (it survives a crash of this program, and the next write forces it).
int MyTaskWriteCopy(AppContext& ctx, const TaskTableCopy& copy,
                    platform::Flush flush = platform::Flush::ToDisk);

// The start-up load: creates the file when missing, reads it, repairs tasks left Running.
// A record whose schedule can match no day (no schedule flag, or chosen days without a day)
// loses any next run it was saved with. Returns false only when the file was missing and could not
// be created (a fatal start-up failure for the caller to report). The next-run computation follows
// in the caller.
//
// The file is opened once and both believed and read through that one descriptor. A file (or
// folder) that another user owns or may write is neither created nor read; nor is a file that
// is no regular file or cannot be opened or read. Such a file stays byte for byte as it is for
// the whole session (ctx.taskFileFrozen) and ctx.taskFileRefusal holds the message (already on
// standard error and in the trace). A file that is read but not loaded whole is copied beside
// itself at once; when no copy can be made it is kept as it is too, and the user told so.
bool MyTaskLoadAtStartup(AppContext& ctx);

// "<task file>.bak-YYYYMMDD-HHMMSS", the copy kept of a file that could not be loaded whole.
std::string taskFileBackupPath(const char* path);
