#pragma once
// Task tables for the benchmarks: 256 tasks of mixed schedules, as a user might keep them.

#include "store/task_record.h"

#include <string>
#include <vector>

namespace bench {

struct TaskFiles {
    std::string program;  // an executable that runs itself (cp932 path)
    std::string document; // a document...
    std::string viewer;   // ...and the program that opens it
};

// `count` tasks cycling through every schedule kind (daily, weekdays, holidays, chosen days,
// once only), some with start and end dates, some run directly and some opening a document.
// Each task runs at runTime ("HH:MM"); the next runs are left for MySetNextExec.
std::vector<TaskRecord> mixedTasks(int count, const TaskFiles& files, const std::string& runTime);

// `count` every-day tasks, each running its own program programs[i] directly at runTime.
std::vector<TaskRecord> dailyTasks(const std::vector<std::string>& programs,
                                   const std::string& runTime);

// Writes the records byte for byte.
void writeTaskFile(const std::string& path, const std::vector<TaskRecord>& records);

} // namespace bench
