#pragma once
// The dialog "実行履歴": the runs of one task, newest first, and the output of the selected run.
// It reads the history database only (never the task table), so it needs no taskLock and may
// stay open while tasks start and end: every second it looks again, and its rows and the
// selected run's output follow the runs as they start, write and end. F5 reads all again.

#include "history/run_record.h"

#include <QDialog>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

class CDialogHistory : public QDialog {
    Q_OBJECT
public:
    // The task by its name (UTF-8); `selectRun` is selected when it is among the runs shown,
    // else the newest run.
    CDialogHistory(std::string task, std::optional<int64_t> selectRun = std::nullopt,
                   QWidget* parent = nullptr);

    // Reads the runs again and selects `selectRun` (or the newest).
    void reload(std::optional<int64_t> selectRun = std::nullopt);
    // Reads the runs again; the rows are rewritten when a run started or ended since, the output
    // when the selected run's file has grown. The selection stays.
    void follow();
    // How often follow() runs while the dialog is open.
    static constexpr int kFollowMs = 1000;
    const std::vector<history::RunRecord>& runs() const { return runs_; }

    // Most output shown below the list; the file's start is left out beyond it.
    static constexpr int64_t kShownOutputBytes = 256 * 1024;
    // How the output file is opened with the desktop's default application; tests replace it.
    using FileOpener = std::function<bool(const QString& path)>;
    static void setFileOpener(FileOpener opener);

private:
    void showSelectedOutput();
    void openOutputFile();
    const history::RunRecord* selectedRun() const;
    std::optional<int64_t> selectedRunId() const;
    std::vector<history::RunRecord> readRuns(QString& problem) const;
    void showRuns(std::optional<int64_t> selectRun, const QString& problem);

    std::string task_;
    std::vector<history::RunRecord> runs_;
    QTableWidget* table_ = nullptr;
    QPlainTextEdit* output_ = nullptr;
    QLabel* note_ = nullptr;
    QPushButton* open_ = nullptr;
    // The output shown: of which run, and how long its file was.
    int64_t shownRunId_ = 0;
    int64_t shownOutputBytes_ = -1;
};

// Opens the dialog without blocking (it deletes itself when closed) and brings it to the front.
CDialogHistory* openHistoryDialog(const std::string& task, std::optional<int64_t> runId,
                                  QWidget* parent);
