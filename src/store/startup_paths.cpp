#include "store/startup_paths.h"

#include "platform/files.h"
#include "platform/paths.h"

PathsResult MyFormPaths(AppContext& ctx) {
    const std::optional<platform::SystemPath> program = platform::programPath();
    if (!program)
        return PathsResult::NoProgramPath;
    const std::optional<platform::SystemPath> documents = platform::documentsFolder();
    if (!documents)
        return PathsResult::NoDocumentsFolder;
    const platform::PathParts parts = platform::splitPath(program->str());
    const platform::SystemPath dataFolder = documents->child(parts.baseName);
    const platform::SystemPath taskFile = dataFolder.child(parts.baseName + ".tsk");
    if (!setField(ctx.modulePath, program->str()) ||
        !setField(ctx.documentsFolder, documents->str()) ||
        !setField(ctx.programName, parts.baseName) || !setField(ctx.dataFolder, dataFolder.str()) ||
        !setField(ctx.taskFilePath, taskFile.str()))
        return PathsResult::TooLong;
    platform::createDirectory(dataFolder);
    return PathsResult::Ok;
}

platform::SystemPath aboutTextPath(const AppContext& ctx) {
    return systemPath(ctx.modulePath).folder().child("Chorelinについて.txt");
}
