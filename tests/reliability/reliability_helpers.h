#pragma once
// Shared by the reliability tests: a context with a calendar and a task file in a private home,
// and the programs the tests start.

#include "engine/calendar.h"
#include "engine/engine_test_helpers.h"
#include "engine/next_exec.h"
#include "store/fields.h"
#include "store/task_file.h"
#include "support/task_builders.h"
#include "support/temp_home.h"

#include <filesystem>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace reliability {

using testing_support::TaskDraft;

// A context whose task file lives in the home's data folder, with the calendar built.
struct Scene {
    testing_support::TempHome home;
    std::string folder = home.documents() + "/chorelin";
    std::string taskFile = folder + "/chorelin.tsk";
    std::unique_ptr<AppContext> ctx = std::make_unique<AppContext>();

    Scene() {
        testing_support::makeDirs(folder);
        ::chmod(folder.c_str(), 0700);
        setField(ctx->taskFilePath, taskFile);
        ctx->maxTaskCount = kMaxTaskCount;
        MyCalMake(*ctx);
    }

    // A script in the scratch folder (mode 0755).
    std::string script(const std::string& name, const std::string& body) const {
        const std::string path = home.scratch() + "/" + name;
        testing_support::writeFile(path, "#!/bin/sh\n" + body, 0755);
        return path;
    }

    void setTable(const std::vector<TaskRecord>& records) {
        ctx->tasks = records;
        ctx->taskCount = static_cast<int32_t>(records.size());
    }

    // A full table (an empty task file on disk) of tasks "task0".. that run a program sleeping
    // a minute, all due on 2024/05/10 at the run time the drafts give.
    void fillWithDueSleepers() {
        testing_support::writeFile(taskFile, "", 0600);
        const std::string program = script("wait.sh", "exec sleep 60\n");
        std::vector<TaskRecord> records;
        for (int i = 0; i < kMaxTaskCount; ++i) {
            TaskDraft draft;
            draft.name = "task" + std::to_string(i);
            draft.registeredFile = program;
            draft.nextRun = "2024/05/10";
            records.push_back(testing_support::makeTask(draft));
        }
        setTable(records);
    }
};

// Ends every process the table still holds (waiting for it first) so no test leaves one behind.
inline void endAllProcesses(AppContext& ctx) {
    TaskLockGuard lock(ctx.taskLock);
    for (int i = 0; i < ctx.taskCount; ++i)
        engine_test::endTaskProcess(ctx.tasks[static_cast<size_t>(i)]);
}

} // namespace reliability
