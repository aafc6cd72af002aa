#include "ui/chorelin_view.h"

#include "dialogs/config_dialog.h"
#include "engine/catch_up.h"
#include "engine/next_exec.h"
#include "platform/text_codec.h"
#include "resources/command_ids.h"
#include "store/fields.h"
#include "store/task_file.h"
#include "store/trace.h"
#include "ui/app_icon.h"
#include "ui/command_router.h"
#include "ui/days_off_commands.h"
#include "ui/holiday_commands.h"
#include "ui/list_font.h"
#include "ui/state_text.h"
#include "ui/task_message_event.h"
#include "ui/task_row_delegate.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <algorithm>
#include <utility>

namespace {

// The view's own message: redraw the rows of the ends received so far.
constexpr int kRedrawEndedRows = WM_MYTASKUPDATE + 100;

template <size_t N> QString cellText(const char (&field)[N]) {
    return QString::fromStdString(platform::cp932ToUtf8Lossy(fieldView(field)));
}

// Widths are decided on the byte length the texts have in the records' code page.
size_t cp932Length(const QString& text) {
    const std::string utf8 = text.toStdString();
    if (const std::optional<std::string> bytes = platform::utf8ToCp932(utf8))
        return bytes->size();
    return utf8.size();
}

} // namespace

CChorelinView::CChorelinView(AppContext& ctx, CommandRouter& router, QWidget* parent)
    : QTableWidget(parent), ctx_(ctx), router_(router), appIcon_(applicationIcon()) {
    setObjectName(QStringLiteral("taskList"));
    setItemDelegate(new TaskRowDelegate(ctx_, this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSortingEnabled(false);
    setWordWrap(false);
    verticalHeader()->hide();
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setSortIndicatorShown(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    // Files dragged from a file manager are dropped on the list (they become tasks).
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    // The empty list's hint fills the area where rows go: it comes and goes as a whole.
    for (auto rowsChanged : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(model(), rowsChanged, viewport(), qOverload<>(&QWidget::update));

    listMenu_ = router_.buildMenu(menus::kListContextMenu, QString(), this);
    listMenu_->setObjectName(QStringLiteral("listContextMenu"));
    trayMenu_ = router_.buildMenu(menus::kTrayMenu, QString(), this);
    trayMenu_->setObjectName(QStringLiteral("trayMenu"));
    installCommandHandlers();
}

CChorelinView::~CChorelinView() {
    ctx_.viewWindow = nullptr;
    removeTrayIcon();
}

void CChorelinView::installCommandHandlers() {
    router_.registerCommand(cmd::Refresh, [this] { OnRefresh(); });
    router_.registerCommand(cmd::TrayShow, [this] { OnTrayShow(); });
    router_.registerCommand(cmd::ListAdd, [this] { OnListAdd(); });
    router_.registerCommand(cmd::ListChange, [this] { OnListUpdate(); });
    router_.registerCommand(cmd::ListDelete, [this] { OnListDelete(); });
    router_.registerCommand(cmd::ListEnableFalse, [this] { OnListEnableFalse(); });
    router_.registerCommand(cmd::ListEnableTrue, [this] { OnListEnableTrue(); });
    router_.registerCommand(cmd::ListRun, [this] { OnListExec(); });
    router_.registerCommand(cmd::ListKill, [this] { OnListKill(); });
    router_.registerCommand(cmd::ListHistory, [this] { OnListHistory(); });
    router_.registerCommand(cmd::Config, [this] { runConfigCommand(ctx_, window()); });
    router_.registerCommand(cmd::HolidayImport, [this] { runHolidayImportCommand(*this); });
    router_.registerCommand(cmd::HolidayRevert, [this] { runHolidayRevertCommand(*this); });
    router_.setEnabledState(cmd::HolidayRevert, [this] { return holidayFileInstalled(*this); });
    router_.registerCommand(cmd::HolidayList, [this] { runHolidayListCommand(*this); });
}

QStringList CChorelinView::columnHeaders() {
    return {QStringLiteral("名前"),         QStringLiteral("状態"),
            QStringLiteral("実行時刻"),     QStringLiteral("スケジュール"),
            QStringLiteral("開始日"),       QStringLiteral("終了日"),
            QStringLiteral("前回実行日"),   QStringLiteral("次回実行日"),
            QStringLiteral("登録ファイル"), QStringLiteral("前回の結果")};
}

bool CChorelinView::OnInitialUpdate() {
    traceLine("CChorelinView::OnInitialUpdate() Start");
    // Read before the lock is taken: the history is no part of the task table.
    lastOutcomes_.loadFromHistory();
    {
        TaskLockGuard guard(ctx_.taskLock);
        setWindowIcon(appIcon_);
        trayMenuFlag_ = 0;

        headers_ = columnHeaders();
        setFont(listFont());
        setColumnCount(kColumnCount);
        setHorizontalHeaderLabels(headers_);
        for (int k = 0; k < kColumnCount; ++k) {
            if (QTableWidgetItem* header = horizontalHeaderItem(k))
                header->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            setColumnWidth(k, headerWidth(k));
        }
        setShowGrid(true);
        verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
        window()->setWindowTitle(QStringLiteral("Chorelin"));

        if (!MyTaskLoadAtStartup(ctx_))
            return false;
        // Looked at on the stored next runs, which the computation below moves on.
        MyCatchUpAtStartup(ctx_);
        for (int i = 0; i < ctx_.taskCount; ++i)
            MySetNextExec(ctx_, i);
        MySetItem();
        MyListArrange();

        ctx_.viewWindow = [this](int message, int row) {
            // postEvent is safe from any thread; the event is handled on the window thread.
            QCoreApplication::postEvent(this, new TaskMessageEvent(message, row));
        };
        addTrayIcon();
        ctx_.schedulerRunEvent.set();
        ctx_.watcherRunEvent.set();
    }
    traceLine("CChorelinView::OnInitialUpdate() End");
    return true;
}

void CChorelinView::setCellText(int row, int column, const QString& text) {
    if (QTableWidgetItem* cell = item(row, column)) {
        cell->setText(text);
        return;
    }
    auto* cell = new QTableWidgetItem(text);
    cell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    cell->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setItem(row, column, cell);
}

void CChorelinView::rebuildRows() {
    TaskLockGuard guard(ctx_.taskLock);
    // Updates stay off while the rows are replaced, so the list repaints once.
    setUpdatesEnabled(false);
    clearContents();
    setRowCount(0);
    const int count = std::min<int>(ctx_.taskCount, static_cast<int>(ctx_.tasks.size()));
    setRowCount(count);
    for (int i = 0; i < count; ++i) {
        setCellText(i, 0, cellText(ctx_.tasks[static_cast<size_t>(i)].name));
        writeRow(i);
    }
    setUpdatesEnabled(true);
}

int CChorelinView::MySetItem() {
    traceLine("CChorelinView::MySetItem() Start");
    rebuildRows();
    traceLine("CChorelinView::MySetItem() End");
    return 0;
}

void CChorelinView::MyInsertItem(int index) {
    TaskLockGuard guard(ctx_.taskLock);
    if (index < 0 || index > rowCount() || index >= ctx_.taskCount ||
        static_cast<size_t>(index) >= ctx_.tasks.size())
        return;
    insertRow(index);
    setCellText(index, 0, cellText(ctx_.tasks[static_cast<size_t>(index)].name));
    writeRow(index);
}

void CChorelinView::MySetStateText(int index) {
    TaskLockGuard guard(ctx_.taskLock);
    if (index < 0 || index >= rowCount() || index >= ctx_.taskCount ||
        static_cast<size_t>(index) >= ctx_.tasks.size())
        return;
    setCellText(index, 1,
                QString::fromUtf8(stateText(ctx_.tasks[static_cast<size_t>(index)].state)));
}

void CChorelinView::writeRow(int row) {
    TaskLockGuard guard(ctx_.taskLock);
    if (row < 0 || row >= rowCount() || row >= ctx_.taskCount ||
        static_cast<size_t>(row) >= ctx_.tasks.size())
        return;
    MySetStateText(row);
    const TaskRecord& task = ctx_.tasks[static_cast<size_t>(row)];
    setCellText(row, 2, cellText(task.runTime));
    setCellText(row, 3, cellText(task.scheduleText));
    setCellText(row, 4, cellText(task.startDateText));
    setCellText(row, 5, cellText(task.endDateText));
    setCellText(row, 6, cellText(task.lastRunText));
    setCellText(row, 7, cellText(task.nextRunText));
    setCellText(row, 8, cellText(task.registeredFile));
    writeLastOutcome(row);
}

void CChorelinView::writeLastOutcome(int row) {
    TaskLockGuard guard(ctx_.taskLock);
    if (row < 0 || row >= rowCount() || row >= ctx_.taskCount ||
        static_cast<size_t>(row) >= ctx_.tasks.size())
        return;
    const TaskRecord& task = ctx_.tasks[static_cast<size_t>(row)];
    const LastOutcomeCell outcome = lastOutcomes_.cellOf(
        platform::cp932ToUtf8Lossy(fieldView(task.name)), task.processInfo.processHandle != 0);
    setCellText(row, kLastOutcomeColumn, outcome.text);
    item(row, kLastOutcomeColumn)->setData(kFailedOutcomeRole, outcome.failed);
}

void CChorelinView::noteRunOver(const history::RunRecord& run) {
    lastOutcomes_.note(run);
    int row = -1;
    {
        TaskLockGuard guard(ctx_.taskLock);
        const int count =
            std::min({ctx_.taskCount, static_cast<int>(ctx_.tasks.size()), rowCount()});
        for (int i = 0; i < count && row < 0; ++i) {
            if (platform::cp932ToUtf8Lossy(fieldView(ctx_.tasks[static_cast<size_t>(i)].name)) ==
                run.task)
                row = i;
        }
    }
    // Redrawn together with the ends that came meanwhile, with one column fit for them all.
    if (row >= 0)
        onTaskEnd(row);
}

int CChorelinView::headerWidth(int column) const {
    // Wide enough for the header and for a cell of the header's length in bytes: the list's
    // font gives a full-width character the width of two half-width ones, and cells have
    // margins of their own that the header does not.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.text = headers_.value(column);
    option.features |= QStyleOptionViewItem::HasDisplay;
    const int asCell =
        style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).width() +
        (showGrid() ? 1 : 0);
    return std::max(horizontalHeader()->sectionSizeHint(column), asCell);
}

void CChorelinView::MyListArrange() {
    traceLine("CChorelinView::MyListArrange() Start");
    const int columns = std::min<int>(columnCount(), static_cast<int>(headers_.size()));
    for (int k = 0; k < columns; ++k) {
        const size_t headerLength = cp932Length(headers_[k]);
        bool fitContents = false;
        for (int j = 0; j < rowCount() && !fitContents; ++j) {
            if (const QTableWidgetItem* cell = item(j, k))
                fitContents = headerLength < cp932Length(cell->text());
        }
        setColumnWidth(k, fitContents ? sizeHintForColumn(k) : headerWidth(k));
    }
    traceLine("CChorelinView::MyListArrange() End");
}

std::vector<int> CChorelinView::selectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::string CChorelinView::rowNameCp932(int row) const {
    const QTableWidgetItem* cell = item(row, 0);
    if (!cell)
        return std::string();
    return platform::utf8ToCp932(cell->text().toStdString()).value_or(std::string());
}

int CChorelinView::taskIndexOfRow(int row) const {
    const std::string name = rowNameCp932(row);
    if (name.empty())
        return -1;
    TaskLockGuard guard(ctx_.taskLock);
    const int count = std::min<int>(ctx_.taskCount, static_cast<int>(ctx_.tasks.size()));
    for (int i = 0; i < count; ++i) {
        if (equalsIgnoringAsciiCase(fieldView(ctx_.tasks[static_cast<size_t>(i)].name), name))
            return i;
    }
    return -1;
}

void CChorelinView::OnRefresh() {
    traceLine("CChorelinView::OnRefresh() Start");
    {
        TaskLockGuard guard(ctx_.taskLock);
        rebuildRows();
        MyTaskWrite(ctx_, ctx_.taskFilePath);
        MyListArrange();
    }
    traceLine("CChorelinView::OnRefresh() End");
}

void CChorelinView::customEvent(QEvent* event) {
    if (event->type() != TaskMessageEvent::eventType()) {
        QTableWidget::customEvent(event);
        return;
    }
    const auto* message = static_cast<TaskMessageEvent*>(event);
    if (message->message() == WM_MYTASKEND)
        onTaskEnd(message->row());
    else if (message->message() == WM_MYTASKUPDATE)
        onTaskUpdate();
    else if (message->message() == kRedrawEndedRows)
        redrawEndedRows();
}

void CChorelinView::onTaskEnd(int row) {
    // Many processes may end within moments; the rows of all the ends already waiting are
    // redrawn together, and the columns fitted once, after them (a redraw of its own after
    // each end took the table from the watcher for a whole column fit each time). The row
    // travels with the message, so every ended row is redrawn.
    endedRows_.push_back(row);
    if (endRedrawQueued_)
        return;
    endRedrawQueued_ = true;
    QCoreApplication::postEvent(this, new TaskMessageEvent(kRedrawEndedRows, 0),
                                Qt::LowEventPriority);
}

void CChorelinView::redrawEndedRows() {
    endRedrawQueued_ = false;
    const std::vector<int> rows = std::exchange(endedRows_, {});
    {
        TaskLockGuard guard(ctx_.taskLock);
        for (const int row : rows) {
            MySetStateText(row);
            writeLastOutcome(row);
            if (row >= 0 && row < rowCount()) {
                for (int k = 0; k < columnCount(); ++k)
                    update(model()->index(row, k));
            }
        }
        ctx_.refreshRow = 0;
    }
    // The fit reads the list's own texts, not the records, so the workers need not wait for it.
    MyListArrange();
}

void CChorelinView::onTaskUpdate() {
    TaskLockGuard guard(ctx_.taskLock);
    // Rows are neither added nor removed here; a record without a row is left out.
    const int count = std::min({ctx_.taskCount, static_cast<int>(ctx_.tasks.size()), rowCount()});
    for (int i = 0; i < count; ++i) {
        setCellText(i, 0, cellText(ctx_.tasks[static_cast<size_t>(i)].name));
        writeRow(i);
    }
    viewport()->update();
    MyListArrange();
    // The scheduler noticed a holiday file refused, removed or changed: the user hears of it.
    showHolidayNews(*this);
}
