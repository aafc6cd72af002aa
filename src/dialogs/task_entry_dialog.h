#pragma once
// The modal dialog in which a task is entered or changed. It edits a working copy of a record;
// it never touches the task table, the task file or the list. After OK the caller copies the
// working record back and reads entry 0 of the result lists.

#include "dialogs/entry_mode.h"
#include "dialogs/entry_validation.h"
#include "store/app_context.h"

#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QLineEdit;
class QPushButton;
class PathTextEdit;
class ScheduleGroup;

class CDialogTaskEntry : public QDialog {
    Q_OBJECT
  public:
    enum TextResult {
        ResultName,
        ResultRegisteredFile,
        ResultExecutableFile,
        ResultRunTime,
        ResultStartDate,
        ResultEndDate,
    };
    enum FlagResult {
        ResultOnce,
        ResultDaily,
        ResultWeekdays,
        ResultHolidays,
        ResultChosenDays,
        ResultSunday, // then Monday to Saturday
    };

    // One entry per accepted OK: the record's texts (cp932) and its twelve schedule flags.
    std::array<std::vector<std::string>, 6> textResults;
    std::array<std::vector<uint32_t>, 12> flagResults;
    EntryMode mode = ModeAdd;
    TaskRecord record{};

    // Where the dialog asks the user for a file or a value. Each yields the UTF-8 text chosen,
    // or nothing when the user cancelled. Tests replace them; by default they open the file
    // dialog and the two pickers.
    std::function<std::optional<QString>()> chooseRegisteredFile;
    std::function<std::optional<QString>()> pickTime;
    std::function<std::optional<QString>()> pickDate;

    // `ctx` supplies the default schedule, the task table, editIndex and taskLock.
    explicit CDialogTaskEntry(AppContext& ctx, QWidget* parent = nullptr);

    void clearResults();

    // Prepares the form from the mode and the working record; exec() does it itself.
    void OnInitDialog();
    int exec() override;

  public slots:
    void OnOK();
    void OnBrowse();
    void OnPickTime();
    void OnPickStartDate();
    void OnPickEndDate();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void buildForm();
    void focusField(EntryField field);
    void storeScratchTexts(const EntryTexts& texts);
    void appendResults();

    AppContext& ctx_;
    QLineEdit* name_ = nullptr;
    PathTextEdit* registeredFile_ = nullptr;
    PathTextEdit* executableFile_ = nullptr;
    QLineEdit* runTime_ = nullptr;
    QLineEdit* startDate_ = nullptr;
    QLineEdit* endDate_ = nullptr;
    QPushButton* browse_ = nullptr;
    ScheduleGroup* schedule_ = nullptr;
};
