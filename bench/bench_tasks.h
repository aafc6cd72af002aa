#pragma once
// Task tables for the benchmarks: 256 tasks of mixed schedules, as a user might keep them.

#include "platform/clock.h"
#include "store/task_record.h"

#include <string>
#include <utility>
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

// Every-day tasks, task i running programs[i].first directly at programs[i].second ("HH:MM"),
// named after its program's file name.
std::vector<TaskRecord>
dailyTasks(const std::vector<std::pair<std::string, std::string>>& programs);

// A Friday morning, half a minute before the tasks' 09:00: every file is checked, nothing is due.
platform::LocalTime fixedMorning();

// Writes the records byte for byte.
void writeTaskFile(const std::string& path, const std::vector<TaskRecord>& records);

} // namespace bench
