#pragma once
// The checks behind the task entry dialog's OK button, as a plain function of the form's texts,
// the working record, the mode and the task table. The dialog only reads the form, calls it,
// shows the refusal and moves the focus; everything here runs without a window.

#include "dialogs/entry_mode.h"
#include "store/task_record.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

// The five texts of the form, UTF-8, exactly as typed.
struct EntryTexts {
    std::string name;
    std::string registeredFile;
    std::string runTime;
    std::string startDate;
    std::string endDate;
};

// The form field that takes the focus (with its whole text selected) after a refusal.
enum class EntryField { None, Name, RegisteredFile, RunTime, StartDate, EndDate };

struct EntryCheck {
    bool accepted = false;
    // When refused: the UTF-8 message, the field to focus, and whether the message is also a
    // trace line (the file and duplicate-name refusals are traced).
    std::string message;
    EntryField focus = EntryField::None;
    bool traced = false;
    // When accepted: the working record with its name, files, run time and dates normalised
    // (cp932) and its four date numbers recomputed. Schedule flags, scheduleText and state are
    // the working record's own.
    TaskRecord record{};
};

// Asks a Yes/No question (UTF-8); true for Yes.
using EntryQuestion = std::function<bool(const std::string& question)>;

// `tasks` are the existing tasks (the first taskCount records); in ModeChange the task at
// `editIndex` is left out of the duplicate-name check. `ask` answers the one question about
// dropping the end date of a once-only task; without it the answer is No.
EntryCheck checkTaskEntry(const EntryTexts& texts, const TaskRecord& working, EntryMode mode,
                          int editIndex, std::span<const TaskRecord> tasks,
                          const EntryQuestion& ask);

// The refusal of a registered file with a character that cp932 cannot hold; the browse button
// gives it too.
extern const char kRegisteredFileUnrepresentable[];

// The YYYYMMDD number of a "yyyy/mm/dd" text: the digits at places 1-4, 6-7 and 9-10 read as a
// decimal number, stopping at the first non-digit; 0 for an empty text.
int32_t dateNumberFromText(std::string_view text);
