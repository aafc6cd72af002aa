#include "store/startup_paths.h"

#include "platform/files.h"
#include "platform/paths.h"
#include "store/fields.h"

namespace {
// "について.txt" in cp932
constexpr std::string_view kAboutSuffix = "\x82\xC9\x82\xC2\x82\xA2\x82\xC4.txt";
} // namespace

PathsResult MyFormPaths(AppContext& ctx) {
    const std::optional<std::string> program = platform::programPath();
    if (!program)
        return PathsResult::NoProgramPath;
    const std::optional<std::string> documents = platform::documentsFolder();
    if (!documents)
        return PathsResult::NoDocumentsFolder;
    const platform::PathParts parts = platform::splitPath(*program);
    const std::string sep(1, platform::pathSeparator);
    const std::string dataFolder = *documents + sep + parts.baseName;
    const std::string taskFile = dataFolder + sep + parts.baseName + ".tsk";
    if (!setField(ctx.modulePath, *program) || !setField(ctx.documentsFolder, *documents) ||
        !setField(ctx.programName, parts.baseName) || !setField(ctx.dataFolder, dataFolder) ||
        !setField(ctx.taskFilePath, taskFile))
        return PathsResult::TooLong;
    platform::createDirectory(dataFolder);
    return PathsResult::Ok;
}

std::string aboutTextPath(const AppContext& ctx) {
    const platform::PathParts parts = platform::splitPath(fieldString(ctx.modulePath));
    return parts.folder + "Chorelin" + std::string(kAboutSuffix);
}
