#pragma once
// The task table as the window instance last saved it, read for the reading commands. Nothing
// is created, repaired or written: no folder, no task file, no lock.

#include "store/task_record.h"

#include <QString>
#include <string>
#include <vector>

namespace cli {

struct TaskTable {
    std::vector<TaskRecord> tasks;
    QString path; // the task file
};

// False when a task file exists but cannot be read whole (`problem` says why). A missing file
// is an empty table.
bool readTaskTable(TaskTable& table, QString& problem);

// A record's text (cp932) as UTF-8; bytes that are no cp932 show as U+FFFD.
std::string recordText(std::string_view cp932);

} // namespace cli
