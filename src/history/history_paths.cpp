#include "history/history_paths.h"

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/state_files.h"

#include <charconv>
#include <cstdio>

namespace history {

std::string HistoryPaths::outputName(int64_t runId) {
    return "output/" + std::to_string(runId) + ".log";
}

std::string HistoryPaths::outputFile(int64_t runId) const {
    return folder + "/" + outputName(runId);
}

std::string HistoryPaths::resolve(std::string_view storedName) const {
    // Only names of the one form this program stores: whatever else a row may hold, nothing
    // outside the output folder is ever read or removed through it.
    constexpr std::string_view kPrefix = "output/";
    if (!storedName.starts_with(kPrefix) || !runIdOfOutputName(storedName.substr(kPrefix.size())))
        return std::string();
    return folder + "/" + std::string(storedName);
}

std::optional<HistoryPaths> userHistoryPaths() {
    const std::optional<std::string> folder = platform::stateFolder("chorelin");
    if (!folder)
        return std::nullopt;
    return HistoryPaths{*folder};
}

std::optional<int64_t> runIdOfOutputName(std::string_view fileName) {
    constexpr std::string_view kSuffix = ".log";
    if (fileName.size() <= kSuffix.size() || !fileName.ends_with(kSuffix))
        return std::nullopt;
    const std::string_view digits = fileName.substr(0, fileName.size() - kSuffix.size());
    if (digits.front() < '1' || digits.front() > '9')
        return std::nullopt;
    int64_t id = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), id);
    if (ec != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return id;
}

std::string corruptCopyPath(const std::string& database) {
    const platform::LocalTime t = platform::localTime();
    char suffix[40];
    std::snprintf(suffix, sizeof suffix, ".corrupt-%04d%02d%02d-%02d%02d%02d", t.year, t.month,
                  t.day, t.hour, t.minute, t.second);
    std::string copy = database + suffix;
    for (int n = 1; platform::entryKind(copy) != platform::EntryKind::Missing; ++n)
        copy = database + suffix + "-" + std::to_string(n);
    return copy;
}

} // namespace history
