#include "support/task_builders.h"

#include "platform/text_codec.h"
#include "store/fields.h"
#include "store/schedule_text.h"
#include "support/temp_home.h"

#include <cstring>
#include <stdexcept>

namespace testing_support {

std::string cp932(const std::string& utf8) {
    const std::optional<std::string> converted = platform::utf8ToCp932(utf8);
    if (!converted)
        throw std::runtime_error("no cp932 form: " + utf8);
    return *converted;
}

int dateOf(const std::string& text) {
    if (text.empty())
        return 0;
    return std::stoi(text.substr(0, 4) + text.substr(5, 2) + text.substr(8, 2));
}

namespace {
template <size_t N> void put(char (&field)[N], const std::string& utf8) {
    if (!setField(field, cp932(utf8)))
        throw std::runtime_error("does not fit: " + utf8);
}
} // namespace

TaskRecord makeTask(const TaskDraft& draft) {
    TaskRecord r{};
    put(r.name, draft.name);
    put(r.runTime, draft.runTime);
    put(r.scheduleText, draft.schedule);
    applyScheduleText(r, fieldView(r.scheduleText));
    put(r.registeredFile, draft.registeredFile);
    put(r.executableFile, draft.executableFile.empty() ? draft.registeredFile : draft.executableFile);
    put(r.startDateText, draft.startDate);
    put(r.endDateText, draft.endDate);
    put(r.lastRunText, draft.lastRun);
    put(r.nextRunText, draft.nextRun);
    r.startDate = dateOf(draft.startDate);
    r.endDate = dateOf(draft.endDate);
    r.lastRunDate = dateOf(draft.lastRun);
    r.nextRunDate = dateOf(draft.nextRun);
    r.state = draft.state;
    return r;
}

void writeTaskFile(const std::string& path, const std::vector<TaskRecord>& records) {
    std::string bytes(records.size() * sizeof(TaskRecord), '\0');
    if (!records.empty())
        std::memcpy(bytes.data(), records.data(), bytes.size());
    writeFile(path, bytes, 0600);
}

std::vector<TaskRecord> readTaskFile(const std::string& path) {
    const std::string bytes = readFile(path);
    if (bytes.size() % sizeof(TaskRecord) != 0)
        throw std::runtime_error("task file is not whole records: " + path);
    std::vector<TaskRecord> records(bytes.size() / sizeof(TaskRecord));
    if (!records.empty())
        std::memcpy(records.data(), bytes.data(), bytes.size());
    return records;
}

} // namespace testing_support
