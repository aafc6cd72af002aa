#pragma once
// The task file: the task table written out whole, record after record, no header.

#include "platform/file_trust.h"
#include "store/app_context.h"

#include <string>

// Loads the file into ctx.tasks. 0 loaded (or empty file), -1 empty path, -2 no file,
// -3 size unknown or not openable, -4 size not a multiple of a record, -5 short read.
// On any failure the table is left as it was.
int MyTaskRead(AppContext& ctx, const char* path);

// Replaces the file's content with the table. 0 written, -1 empty path, -2 no file (nothing is
// created), -3 not openable (or the backup of an unloadable file could not be kept), -6 short
// write.
int MyTaskWrite(AppContext& ctx, const char* path);

// The start-up load: creates the file when missing, reads it, repairs tasks left Running.
// A record whose schedule can match no day (no schedule flag, or chosen days without a day)
// loses any next run it was saved with. Returns false only when the file was missing and could not
// be created (a fatal start-up failure for the caller to report). The next-run computation follows
// in the caller. A task file (or folder) that another user owns or may write is neither created nor
// read: the program starts with no tasks, the file is kept as it is until a copy of it has been
// made, and ctx.taskFileRefusal holds the message (already on standard error and in the trace).
bool MyTaskLoadAtStartup(AppContext& ctx);

// The message for a refused task file (UTF-8), naming the file, its folder and the fix.
// `trust` must not be platform::FileTrust::Trusted.
std::string taskFileRefusalMessage(platform::FileTrust trust, const char* path);

// "<task file>.bak-YYYYMMDD-HHMMSS", the copy kept of a file that could not be loaded whole.
std::string taskFileBackupPath(const char* path);
