#pragma once
// The paths formed at start-up: the program, the documents folder, the data folder named after
// the program and the task file inside it. They are the system's own paths, held in AppContext's
// fields as the file system spells them; only the texts of task records are cp932.

#include "platform/system_path.h"
#include "store/app_context.h"
#include "store/fields.h"

#include <string>

enum class PathsResult { Ok, NoProgramPath, NoDocumentsFolder, TooLong };

// Fills modulePath, documentsFolder, programName, dataFolder and taskFilePath and creates the
// data folder (0700; the result is not examined: the task file's creation decides later).
// Nothing is written past a field: a path that does not fit is TooLong.
PathsResult MyFormPaths(AppContext& ctx);

// A system path held in one of AppContext's path fields.
template <size_t N> platform::SystemPath systemPath(const char (&field)[N]) {
    return platform::SystemPath(fieldString(field));
}

// "Chorelinについて.txt" beside the program file.
platform::SystemPath aboutTextPath(const AppContext& ctx);
