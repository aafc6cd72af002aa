#pragma once
// Small pieces shared by the list commands: showing a message (traced first, as every message
// of the commands is), record texts for messages, and the schedule text of a confirmed dialog.

#include "dialogs/entry_dialog_runner.h"
#include "dialogs/prompter.h"
#include "store/task_record.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class QWidget;

// Passes the UTF-8 message to the trace sink, then shows it. True for Yes (and for OK).
bool showCommandMessage(Prompter::Kind kind, const std::string& text, QWidget* owner);

// A record's cp932 text as UTF-8 for a message; bytes that are no cp932 show as U+FFFD.
std::string messageText(std::string_view cp932);

// The schedule text of the dialog's flag results (once, daily, weekdays, holidays, chosen days,
// then Sunday to Saturday).
std::string scheduleTextFromResultFlags(const std::array<uint32_t, 12>& flags);

// Forgets the last and the next run of a task (both texts and both numbers).
void clearRunDates(TaskRecord& task);

// Takes a confirmed entry dialog's result into the task at `index`: the working record, a
// Completed task rescheduled as Waiting, the run dates forgotten for a task that now runs once,
// the next run computed and the schedule text composed from the dialog's choice.
void applyConfirmedEntry(AppContext& ctx, int index, const EntryDialogResult& result);

inline bool isRunning(const TaskRecord& task) {
    return task.processInfo.processHandle != 0;
}
