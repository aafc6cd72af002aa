#include "ui/command_support.h"

#include "engine/next_exec.h"

#include "platform/text_codec.h"
#include "store/fields.h"
#include "store/schedule_text.h"
#include "store/trace.h"

bool showCommandMessage(Prompter::Kind kind, const std::string& text, QWidget* owner) {
    traceLine(text);
    return prompter().ask(kind, text, owner);
}

std::string messageText(std::string_view cp932) {
    return platform::cp932ToUtf8Lossy(cp932);
}

std::string scheduleTextFromResultFlags(const std::array<uint32_t, 12>& flags) {
    TaskRecord scratch{};
    scratch.once = flags[0] != 0;
    scratch.daily = flags[1] != 0;
    scratch.weekdays = flags[2] != 0;
    scratch.holidays = flags[3] != 0;
    scratch.chosenDays = flags[4] != 0;
    for (size_t day = 0; day < 7; ++day)
        scratch.dayFlags[day] = flags[5 + day] != 0;
    return scheduleTextFromFlags(scratch);
}

void clearRunDates(TaskRecord& task) {
    task.lastRunDate = 0;
    task.nextRunDate = 0;
    clearField(task.lastRunText);
    clearField(task.nextRunText);
}

void applyConfirmedEntry(AppContext& ctx, int index, const EntryDialogResult& result) {
    TaskRecord& task = ctx.tasks[static_cast<size_t>(index)];
    task = result.record;
    if (task.state == StateCompleted) {
        task.state = StateWaiting;
        clearRunDates(task);
    }
    // A task changed to run once may run again.
    if (result.flags[0] != 0)
        clearRunDates(task);
    MySetNextExec(ctx, index);
    setField(task.scheduleText, scheduleTextFromResultFlags(result.flags));
}
