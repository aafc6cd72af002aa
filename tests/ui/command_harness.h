#pragma once
// Helpers of the command tests: a prompter that answers from a script and records every box, an
// entry dialog that answers from a script and records every request, row selection, a trace
// file to count task-file writes, and whether another thread could take taskLock now.

#include "ui_harness.h"

#include "dialogs/entry_dialog_runner.h"
#include "store/trace.h"

#include <deque>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <thread>

namespace ui_testing {

struct Shown {
    Prompter::Kind kind;
    std::string text;
    bool operator==(const Shown&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Shown& shown) {
    return out << static_cast<int>(shown.kind) << ":" << shown.text;
}

// Refusals are acknowledged; every question takes the next scripted answer (a question beyond
// the script fails the test and is answered No).
class ScriptedPrompter : public Prompter {
public:
    ScriptedPrompter() { setPrompter(this); }
    ~ScriptedPrompter() override { setPrompter(nullptr); }
    bool ask(Kind kind, const std::string& text, QWidget*) override {
        shown.push_back({kind, text});
        if (kind == Kind::Refusal || kind == Kind::Fatal || kind == Kind::Information)
            return true;
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected question: " << text;
            return false;
        }
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::deque<bool> answers;
    std::vector<Shown> shown;
};

// Whether a thread other than the caller could take taskLock at this moment.
inline bool lockFreeForOthers(AppContext& ctx) {
    bool free = false;
    std::thread other([&] {
        if (ctx.taskLock.try_lock()) {
            free = true;
            ctx.taskLock.unlock();
        }
    });
    other.join();
    return free;
}

// The flags a dialog reports for a record's schedule.
inline std::array<uint32_t, 12> flagsOf(const TaskRecord& record) {
    std::array<uint32_t, 12> flags{};
    flags[0] = record.once != 0;
    flags[1] = record.daily != 0;
    flags[2] = record.weekdays != 0;
    flags[3] = record.holidays != 0;
    flags[4] = record.chosenDays != 0;
    for (size_t day = 0; day < 7; ++day)
        flags[5 + day] = record.dayFlags[day] != 0;
    return flags;
}

inline EntryDialogResult accepted(const TaskRecord& record) {
    EntryDialogResult result;
    result.accepted = true;
    result.record = record;
    result.flags = flagsOf(record);
    return result;
}

inline EntryDialogResult cancelled() {
    return EntryDialogResult{};
}

// Answers each opening with the next scripted step; records the requests, editIndex as the
// context held it, and whether taskLock was held for other threads during the dialog.
class ScriptedEntryDialog : public EntryDialogRunner {
public:
    using Step = std::function<EntryDialogResult(const EntryDialogRequest&)>;
    ScriptedEntryDialog() { setEntryDialogRunner(this); }
    ~ScriptedEntryDialog() override { setEntryDialogRunner(nullptr); }

    EntryDialogResult run(AppContext& ctx, const EntryDialogRequest& request) override {
        ctx.editIndex = request.editIndex;
        requests.push_back(request);
        lockHeld.push_back(!lockFreeForOthers(ctx));
        if (steps.empty()) {
            ADD_FAILURE() << "unexpected entry dialog";
            return cancelled();
        }
        Step step = std::move(steps.front());
        steps.pop_front();
        return step(request);
    }

    // Confirms the record as the command prepared it.
    void acceptAsGiven() {
        steps.push_back([](const EntryDialogRequest& r) { return accepted(r.record); });
    }
    void cancel() {
        steps.push_back([](const EntryDialogRequest&) { return cancelled(); });
    }

    std::deque<Step> steps;
    std::vector<EntryDialogRequest> requests;
    std::vector<bool> lockHeld;
};

inline void selectRows(CChorelinView& view, const std::vector<int>& rows) {
    view.clearSelection();
    for (int row : rows)
        view.selectionModel()->select(view.model()->index(row, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

// A trace file for the test; its lines tell how often the task file was written.
class TraceCapture {
public:
    explicit TraceCapture(const std::string& path) : path_(path) {
        testing_support::writeFile(path_, "");
        setenv("CHORELIN_TRACE", path_.c_str(), 1);
        resetTraceSink();
    }
    ~TraceCapture() {
        unsetenv("CHORELIN_TRACE");
        resetTraceSink();
    }
    std::vector<std::string> lines() const {
        std::vector<std::string> result;
        std::istringstream in(testing_support::readFile(path_));
        for (std::string line; std::getline(in, line);)
            result.push_back(line);
        return result;
    }
    int count(const std::string& line) const {
        int n = 0;
        for (const std::string& l : lines())
            n += l == line;
        return n;
    }
    int writes() const { return count("MyTaskWrite() Start"); }
    void clear() const { testing_support::writeFile(path_, ""); }

private:
    std::string path_;
};

// What a task file write would change: its inode (it is replaced whole), time and content.
struct FileStamp {
    ino_t inode = 0;
    long long mtimeNs = 0;
    std::string content;
    bool operator==(const FileStamp&) const = default;
};

inline FileStamp stampOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return {st.st_ino,
            static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec,
            testing_support::readFile(path)};
}

// Test tasks by name; states and process handles are set after the start-up load.
inline TaskRecord namedTask(const std::string& name, const std::string& schedule = "毎日") {
    testing_support::TaskDraft draft;
    draft.name = name;
    draft.schedule = schedule;
    return testing_support::makeTask(draft);
}

inline std::string cellOf(const CChorelinView& view, int row, int column) {
    return utf8Cell(view, row, column);
}

} // namespace ui_testing
