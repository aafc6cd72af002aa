#pragma once
// The paths formed at start-up: the program, the documents folder, the data folder named after
// the program and the task file inside it.

#include "store/app_context.h"

#include <string>

enum class PathsResult { Ok, NoProgramPath, NoDocumentsFolder, TooLong };

// Fills modulePath, documentsFolder, programName, dataFolder and taskFilePath and creates the
// data folder (0700). Nothing is written past a field: a path that does not fit is TooLong.
PathsResult MyFormPaths(AppContext& ctx);

// "Chorelinについて.txt" beside the program file (cp932).
std::string aboutTextPath(const AppContext& ctx);
