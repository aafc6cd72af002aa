#pragma once
// Records and task files for tests. Texts given here are UTF-8 and stored as cp932.

#include "store/task_record.h"

#include <string>
#include <vector>

namespace testing_support {

// cp932 bytes of a UTF-8 text; throws when the text has no cp932 form.
std::string cp932(const std::string& utf8);

struct TaskDraft {
    std::string name = "task";
    std::string runTime = "09:00";
    std::string schedule = "毎日"; // any schedule text; the flags follow it
    std::string registeredFile{};  // UTF-8 path
    std::string executableFile{};  // UTF-8 path; empty = same as registeredFile
    std::string startDate{};       // "yyyy/mm/dd" or empty
    std::string endDate{};
    std::string lastRun{};
    std::string nextRun{};
    int state = StateWaiting;
};

TaskRecord makeTask(const TaskDraft& draft);

// Writes the records byte for byte (mode 0600).
void writeTaskFile(const std::string& path, const std::vector<TaskRecord>& records);
std::vector<TaskRecord> readTaskFile(const std::string& path);

// YYYYMMDD of a "yyyy/mm/dd" text, 0 for empty.
int dateOf(const std::string& text);

} // namespace testing_support
