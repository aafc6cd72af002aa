#pragma once
// CChorelinView: the task list inside the main window. Row i always shows record i of the task
// table (never sorted); the cell texts are written by the operations below, the colours are
// decided at paint time from the records. The view also owns the tray icon and the two pop-ups
// it opens (list context menu and tray menu).
//
// For the commands that work on the list:
//   - selectedRows() gives the selected rows in ascending order; taskIndexOfRow() finds a row's
//     task by its name, as the commands do; rowNameCp932() is the row's column-0 text.
//   - MySetItem() rebuilds every row, MyInsertItem() adds one row, writeRow() rewrites one,
//     MySetStateText() only the state column, MyListArrange() fits the columns. Each takes
//     taskLock itself (it is re-entrant), so a command may call them while holding it.
//   - updateTrayTip() shows the current task count in the tray tooltip.
//   - Handlers of the view's commands are bound in installCommandHandlers() (chorelin_view.cpp),
//     one registerCommand() line per command id.

#include "history/run_record.h"
#include "store/app_context.h"
#include "ui/last_outcome.h"

#include <QIcon>
#include <QStringList>
#include <QSystemTrayIcon>
#include <QTableWidget>
#include <optional>
#include <string>
#include <vector>

class CommandRouter;
class QMenu;
class QMimeData;

class CChorelinView : public QTableWidget {
    Q_OBJECT
public:
    static constexpr int kColumnCount = 10;
    // After the nine columns of the records: how the task's newest run went.
    static constexpr int kLastOutcomeColumn = 9;
    // The role of a "前回の結果" cell that holds whether that run failed.
    static constexpr int kFailedOutcomeRole = Qt::UserRole + 1;

    CChorelinView(AppContext& ctx, CommandRouter& router, QWidget* parent = nullptr);
    // The workers must have stopped before the view goes: they post to it.
    ~CChorelinView() override;

    // Sets up the list, creates and loads the task file, computes every next run, fills the
    // rows, adds the tray icon and lets the workers run, all under taskLock. False only when the
    // task file was missing and could not be created; then nothing after that step happened.
    bool OnInitialUpdate();

    int MySetItem();
    void MyListArrange();
    void MySetStateText(int index);
    // The row writer: the state text, columns 2..8 of row `row` from record `row`, and the
    // last outcome.
    void writeRow(int row);
    // Inserts row `index` showing record `index` (the rows after it move down).
    void MyInsertItem(int index);

    std::vector<int> selectedRows() const;
    std::string rowNameCp932(int row) const;
    // The task whose name equals the row's column-0 text (ASCII case ignored), or -1.
    int taskIndexOfRow(int row) const;

    void OnRefresh();
    void OnTrayShow();

    // The commands on the selected rows (each holds taskLock as long as it says).
    void OnListAdd();
    void OnListUpdate();
    void OnListDelete();
    void OnListEnableFalse();
    void OnListEnableTrue();
    void OnListExec();
    void OnListKill();
    // The run history of the first selected task, in a dialog of its own.
    void OnListHistory();
    // A double click: the change command, then the list's own handling of the click.
    void OnLButtonDblClk(QMouseEvent* event);

    // One dropped file: its UTF-8 path, and its cp932 form when cp932 can hold it.
    struct DroppedFile {
        std::string utf8;
        std::optional<std::string> cp932;
    };
    // The local files of a drag's data, in the order given.
    static std::vector<DroppedFile> droppedFilesOf(const QMimeData* data);
    // Makes tasks of dropped files, one after another, under taskLock.
    void OnDropFiles(const std::vector<DroppedFile>& files);
    // The same for cp932 paths.
    void dropPaths(const std::vector<std::string>& cp932Paths);
    // Opens the list context menu, or the tray menu when a tray right click asked for it.
    void OnContextMenu(const QPoint& globalPos);
    // A right click on the tray icon with the cursor at `cursor` (screen coordinates).
    void onTrayRightClick(const QPoint& cursor);

    // A run that ended or failed to start: its task's "前回の結果" follows.
    void noteRunOver(const history::RunRecord& run);

    void updateTrayTip();
    QString trayToolTip() const;
    QSystemTrayIcon* trayIcon() const { return tray_; }
    // Whether the tray icon is a StatusNotifierItem (see ui/status_notifier.h).
    bool statusNotifierTray() const { return statusNotifierTray_; }
    // Takes the icon out of the tray (the view is going away).
    void removeTrayIcon();

    QMenu* listContextMenu() const { return listMenu_; }
    QMenu* trayMenu() const { return trayMenu_; }
    AppContext& context() const { return ctx_; }
    CommandRouter& commands() const { return router_; }
    static QStringList columnHeaders();

signals:
    // Bring the main window back (the tray's double click and "タスクの表示").
    void restoreRequested();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void customEvent(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Takes a drag or drop of local files as a copy, whatever the source proposes; false (and
    // the event ignored) when it carries no local file or cannot be copied.
    static bool acceptAsCopy(QDropEvent* event);
    void installCommandHandlers();
    void rebuildRows();
    void setCellText(int row, int column, const QString& text);
    void writeLastOutcome(int row);
    int headerWidth(int column) const;
    void onTaskEnd(int row);
    // The rows of the ends that came since the last redraw, redrawn together.
    void redrawEndedRows();
    void onTaskUpdate();
    void addTrayIcon();
    void onTrayActivated(QSystemTrayIcon::ActivationReason reason);
    // The task a selected row shows: found by name as taskIndexOfRow() does, or, for a name that
    // has no cp932 round trip (an untrusted record), the row's own record when it shows it.
    int taskOfRow(int row) const;
    // Column 0 and the row writer.
    void rewriteRow(int row);
    void changeSelectedStates(int32_t newState);
    void killTaskOfRow(int row);
    // One dropped file; false when the drop is to end here.
    bool dropOneFile(const DroppedFile& file, int ordinal, int count);

    AppContext& ctx_;
    CommandRouter& router_;
    int trayMenuFlag_ = 0;
    QStringList headers_;
    QIcon appIcon_;
    QSystemTrayIcon* tray_ = nullptr;
    bool statusNotifierTray_ = false;
    QMenu* listMenu_ = nullptr;
    QMenu* trayMenu_ = nullptr;
    // Rows of process ends not yet redrawn, and whether their redraw is already queued.
    std::vector<int> endedRows_;
    bool endRedrawQueued_ = false;
    LastOutcomes lastOutcomes_;
};
