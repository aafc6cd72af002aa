// The task file as it comes from disk: any bytes at all. Loading it as start-up does, computing
// every next run and reading every field the window and the launcher read must stay within the
// records and agree with what the file held.

#include "engine/launch.h"
#include "engine/next_exec.h"
#include "fuzz_support.h"
#include "platform/text_codec.h"
#include "store/fields.h"
#include "store/schedule_text.h"
#include "store/task_file.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace {

[[maybe_unused]] bool wellFormedDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '/' || text[7] != '/')
        return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzz_support::privateFolder() + "/chorelin.tsk";
    fuzz_support::fixClock();
    if (FILE* out = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, out);
        std::fclose(out);
    }
    AppContext ctx;
    setField(ctx.taskFilePath, path);
    fuzz_support::giveCalendar(ctx);
    if (!MyTaskLoadAtStartup(ctx))
        fuzz_support::fail("the existing task file was not loaded");

    const bool whole = size % sizeof(TaskRecord) == 0;
    const size_t records = whole ? size / sizeof(TaskRecord) : 0;
    if (static_cast<size_t>(ctx.taskCount) != (records > 256 ? 256 : records))
        fuzz_support::fail("task count differs from the file");
    // A file not loaded whole is copied at once (and the copy removed again here, so that the
    // runs do not fill the folder).
    int copies = 0;
    for (const auto& entry : std::filesystem::directory_iterator(fuzz_support::privateFolder())) {
        if (entry.path().filename().string().rfind("chorelin.tsk.bak-", 0) == 0) {
            ++copies;
            std::filesystem::remove(entry.path());
        }
    }
    if (copies != ((!whole || records > 256) ? 1 : 0) || ctx.taskFileNeedsBackup ||
        ctx.taskFileFrozen)
        fuzz_support::fail("an unloadable file is not protected");

    for (int i = 0; i < ctx.taskCount; ++i) {
        MySetNextExec(ctx, i);
        const TaskRecord& t = ctx.tasks[static_cast<size_t>(i)];
        if (t.processInfo.processHandle != 0 || t.processInfo.processId != 0)
            fuzz_support::fail("a process from the file is watched");
        if (t.state == StateRunning)
            fuzz_support::fail("a task loads as running");
        // A next run is either none or a date text within its field.
        const std::string_view next = fieldView(t.nextRunText);
        if (!next.empty() && next.size() != 10 && (t.once || t.daily || t.weekdays) &&
            t.startDate < 20691231 && t.state != StateCompleted)
            fuzz_support::fail("a schedule that matches every week has no day as next run");
        if (next.empty() != (t.nextRunDate == 0) && (t.once || t.daily || t.weekdays) &&
            t.startDate < 20691231)
            fuzz_support::fail("next run text and number disagree");
        (void)platform::cp932ToUtf8Lossy(fieldView(t.name));
        (void)platform::cp932ToUtf8Lossy(fieldView(t.registeredFile));
        (void)platform::cp932ToUtf8Lossy(fieldView(t.scheduleText));
        (void)platform::cp932ToUtf8Lossy(fieldView(t.runTime));
        (void)taskCommandLine(t);
        (void)scheduleTextFromFlags(t);
        if (fieldView(t.name).size() > sizeof t.name)
            fuzz_support::fail("name read past its field");
    }
    return 0;
}
