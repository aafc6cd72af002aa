#pragma once
// How the commands open the task entry dialog. They go through one EntryDialogRunner so that
// their tests can script the dialog's answers without a modal loop; the installed runner is
// the real dialog unless a test installed another.
//
// run() stores request.editIndex in ctx.editIndex (the duplicate-name check skips that task in
// ModeChange), opens the dialog on a working copy of request.record in request.mode and reports
// the outcome. In ModeAdd the dialog starts from an empty record with the default schedule,
// whatever request.record holds. The caller holds or takes taskLock as its command requires.

#include "dialogs/entry_mode.h"
#include "store/app_context.h"

#include <array>
#include <cstdint>

class QWidget;

struct EntryDialogRequest {
    EntryMode mode = ModeAdd;
    TaskRecord record{};
    int editIndex = 0;
    // The dialog's owner (the main window): it opens at the owner's client origin and carries
    // its icon. Without one, the runner's own owner.
    QWidget* owner = nullptr;
};

struct EntryDialogResult {
    bool accepted = false;
    // After OK: the working record, and the schedule flags the dialog reported (once, daily,
    // weekdays, holidays, chosen days, then Sunday to Saturday; each 0 or 1).
    TaskRecord record{};
    std::array<uint32_t, 12> flags{};
};

class EntryDialogRunner {
public:
    virtual ~EntryDialogRunner() = default;
    virtual EntryDialogResult run(AppContext& ctx, const EntryDialogRequest& request) = 0;
};

// The installed runner and its replacement (nullptr restores the dialog). Not owned.
EntryDialogRunner& entryDialogRunner();
void setEntryDialogRunner(EntryDialogRunner* replacement);

// The real one: a modal CDialogTaskEntry owned by `owner`.
class QtEntryDialogRunner : public EntryDialogRunner {
public:
    explicit QtEntryDialogRunner(QWidget* owner = nullptr) : owner_(owner) {}
    EntryDialogResult run(AppContext& ctx, const EntryDialogRequest& request) override;

private:
    QWidget* owner_;
};
