#include "dialogs/history_dialog.h"

#include "dialogs/dialog_font.h"
#include "history/history_reader.h"
#include "history/output_tail.h"
#include "history/run_text.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTableWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// As many runs as a task keeps by default and then some; a larger setting still shows these.
constexpr int kMostRunsShown = 1000;
const QColor kFailedBackground(255, 147, 147);

CDialogHistory::FileOpener& fileOpener() {
    static CDialogHistory::FileOpener opener = [](const QString& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };
    return opener;
}

QString utf8(const std::string& text) {
    return QString::fromStdString(text);
}

// Whether two readings show the same rows: the same runs, each as far as it was.
bool sameRows(const std::vector<history::RunRecord>& a, const std::vector<history::RunRecord>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const history::RunRecord& x, const history::RunRecord& y) {
                          return x.id == y.id && x.ending == y.ending && x.endMs == y.endMs &&
                                 x.exitCode == y.exitCode && x.signal == y.signal &&
                                 x.outputPath == y.outputPath && x.outputNote == y.outputNote;
                      });
}

QString kib(int64_t bytes) {
    return QLocale(QLocale::English).toString((bytes + 1023) / 1024);
}

} // namespace

void CDialogHistory::setFileOpener(FileOpener opener) {
    fileOpener() = opener ? std::move(opener) : FileOpener([](const QString& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    });
}

CDialogHistory::CDialogHistory(std::string task, std::optional<int64_t> selectRun, QWidget* parent)
    : QDialog(parent), task_(std::move(task)) {
    setObjectName(QStringLiteral("history"));
    setFont(dialogFont());
    setWindowTitle(QStringLiteral("実行履歴"));
    const QFont f = font();

    auto* name = new QLabel(QStringLiteral("タスク：") + utf8(task_), this);
    name->setObjectName(QStringLiteral("taskName"));
    name->setTextFormat(Qt::PlainText);

    table_ = new QTableWidget(0, 5, this);
    table_->setObjectName(QStringLiteral("runs"));
    table_->setHorizontalHeaderLabels({QStringLiteral("開始"), QStringLiteral("終了"),
                                       QStringLiteral("所要時間"), QStringLiteral("起動"),
                                       QStringLiteral("結果")});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setWordWrap(false);

    output_ = new QPlainTextEdit(this);
    output_->setObjectName(QStringLiteral("output"));
    output_->setReadOnly(true);
    output_->setLineWrapMode(QPlainTextEdit::NoWrap);
    output_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    note_ = new QLabel(this);
    note_->setObjectName(QStringLiteral("outputNote"));
    note_->setTextFormat(Qt::PlainText);
    note_->setWordWrap(true);

    open_ = new QPushButton(QStringLiteral("出力ファイルを開く"), this);
    open_->setObjectName(QStringLiteral("openOutput"));
    open_->setAutoDefault(false);
    auto* close = new QPushButton(QStringLiteral("閉じる"), this);
    close->setObjectName(QStringLiteral("close"));
    close->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(open_);
    buttons->addStretch();
    buttons->addWidget(close);

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(dluX(f, 7), dluY(f, 7), dluX(f, 7), dluY(f, 7));
    page->addWidget(name);
    page->addWidget(table_, 3);
    page->addWidget(note_);
    page->addWidget(output_, 2);
    page->addLayout(buttons);
    resize(dluX(f, 440), dluY(f, 320));

    connect(table_, &QTableWidget::itemSelectionChanged, this, &CDialogHistory::showSelectedOutput);
    connect(open_, &QPushButton::clicked, this, &CDialogHistory::openOutputFile);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* refresh = new QShortcut(QKeySequence(Qt::Key_F5), this);
    connect(refresh, &QShortcut::activated, this, [this] { reload(selectedRunId()); });
    auto* follower = new QTimer(this);
    follower->setObjectName(QStringLiteral("follow"));
    connect(follower, &QTimer::timeout, this, &CDialogHistory::follow);
    follower->start(kFollowMs);
    reload(selectRun);
}

std::vector<history::RunRecord> CDialogHistory::readRuns(QString& problem) const {
    std::vector<history::RunRecord> runs;
    if (const std::optional<history::HistoryPaths> paths = history::userHistoryPaths()) {
        history::HistoryReader reader(*paths);
        runs = reader.runsOfTask(task_, kMostRunsShown);
        problem = utf8(reader.problem());
    }
    return runs;
}

void CDialogHistory::reload(std::optional<int64_t> selectRun) {
    QString problem;
    runs_ = readRuns(problem);
    shownOutputBytes_ = -1; // the output is read again too
    showRuns(selectRun, problem);
}

void CDialogHistory::follow() {
    QString problem;
    std::vector<history::RunRecord> runs = readRuns(problem);
    if (!sameRows(runs, runs_)) {
        const std::optional<int64_t> selected = selectedRunId();
        runs_ = std::move(runs);
        showRuns(selected, problem);
        return;
    }
    const history::RunRecord* run = selectedRun();
    if (run && !run->outputPath.empty() &&
        QFileInfo(utf8(run->outputPath)).size() != shownOutputBytes_)
        showSelectedOutput();
}

void CDialogHistory::showRuns(std::optional<int64_t> selectRun, const QString& problem) {
    const QSignalBlocker block(table_);
    table_->clearContents();
    table_->setRowCount(static_cast<int>(runs_.size()));
    int selectRow = runs_.empty() ? -1 : 0;
    for (size_t i = 0; i < runs_.size(); ++i) {
        const history::RunRecord& run = runs_[i];
        const int row = static_cast<int>(i);
        const QString texts[] = {
            utf8(history::localTimeText(run.startMs)),
            run.endMs ? utf8(history::localTimeText(*run.endMs)) : QString(),
            utf8(history::durationText(run.startMs, run.endMs)),
            utf8(history::triggerText(run.trigger)),
            utf8(history::outcomeText(run)),
        };
        for (int column = 0; column < 5; ++column) {
            auto* item = new QTableWidgetItem(texts[column]);
            item->setToolTip(texts[column]); // a long failure reason may not fit its column
            if (run.isFailure())
                item->setBackground(kFailedBackground);
            table_->setItem(row, column, item);
        }
        if (selectRun && run.id == *selectRun)
            selectRow = row;
    }
    table_->resizeColumnsToContents();
    if (selectRow >= 0)
        table_->selectRow(selectRow);
    showSelectedOutput();
    if (runs_.empty())
        note_->setText(problem.isEmpty() ? QStringLiteral("このタスクの実行履歴はありません。")
                                         : QStringLiteral("実行履歴を読めません。（") + problem +
                                               QStringLiteral("）"));
}

std::optional<int64_t> CDialogHistory::selectedRunId() const {
    const history::RunRecord* run = selectedRun();
    return run ? std::optional<int64_t>(run->id) : std::nullopt;
}

const history::RunRecord* CDialogHistory::selectedRun() const {
    const QList<QTableWidgetItem*> items = table_->selectedItems();
    if (items.isEmpty())
        return nullptr;
    const int row = items.front()->row();
    return row >= 0 && row < static_cast<int>(runs_.size()) ? &runs_[static_cast<size_t>(row)]
                                                            : nullptr;
}

void CDialogHistory::showSelectedOutput() {
    const history::RunRecord* run = selectedRun();
    // Growing output of the same run keeps the reader's place unless it was at the end.
    const QScrollBar* scroll = output_->verticalScrollBar();
    const bool sameRun = run && run->id == shownRunId_;
    const bool atEnd = !sameRun || scroll->value() == scroll->maximum();
    const int place = scroll->value();
    shownRunId_ = run ? run->id : 0;
    shownOutputBytes_ = -1;
    output_->clear();
    open_->setEnabled(false);
    if (!run) {
        note_->clear();
        return;
    }
    if (run->outputPath.empty()) {
        note_->setText(run->outputNote.empty() ? QStringLiteral("出力は保存されていません。")
                                               : utf8(run->outputNote));
        return;
    }
    const history::OutputTail tail = history::readOutputTail(run->outputPath, kShownOutputBytes);
    if (!tail.readable) {
        note_->setText(QStringLiteral("出力ファイル（") + utf8(run->outputPath) +
                       QStringLiteral("）を読めません。"));
        return;
    }
    open_->setEnabled(true);
    shownOutputBytes_ = tail.fileBytes;
    output_->setPlainText(QString::fromUtf8(tail.text.data(), static_cast<int>(tail.text.size())));
    if (atEnd)
        output_->moveCursor(QTextCursor::End);
    else
        output_->verticalScrollBar()->setValue(place);
    QString text;
    if (tail.cut)
        text = QStringLiteral("出力が長いため、最後の 256 KiB だけを表示しています（全体 ") +
               kib(tail.fileBytes) + QStringLiteral(" KiB）。");
    else if (tail.fileBytes == 0)
        text = QStringLiteral("出力はありません。");
    // What the history says of the output itself (cut to its bound, or dropped) comes first.
    if (!run->outputNote.empty())
        text = utf8(run->outputNote) + (text.isEmpty() ? QString() : QStringLiteral("\n") + text);
    note_->setText(text);
}

void CDialogHistory::openOutputFile() {
    if (const history::RunRecord* run = selectedRun(); run && !run->outputPath.empty())
        fileOpener()(utf8(run->outputPath));
}

CDialogHistory* openHistoryDialog(const std::string& task, std::optional<int64_t> runId,
                                  QWidget* parent) {
    auto* dialog = new CDialogHistory(task, runId, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}
