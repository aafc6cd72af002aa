// The real modal dialogs behind the seams: the entry dialog runner and the browse file dialog,
// answered from a timer inside their modal loops.

#include "dialog_test_support.h"
#include "dialogs/entry_dialog_runner.h"
#include "dialogs/path_text_edit.h"
#include "dialogs/task_entry_dialog.h"
#include "store/fields.h"
#include "support/task_builders.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

namespace {

using testing_support::cp932;
using EntryDialogRunnerTest = dialog_test::DialogTest;

// Runs `answer` on the modal widget as soon as the modal loop has shown it.
template <typename Widget, typename Answer> void answerModal(Answer answer) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        if (auto* open = qobject_cast<Widget*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            answer(open);
        }
    });
    timer->start();
}

TEST_F(EntryDialogRunnerTest, ChangeModeRunReportsTheRecordAndFlags) {
    AppContext ctx;
    testing_support::TaskDraft draft;
    draft.name = "old";
    draft.schedule = "火・土";
    draft.registeredFile = batch;
    ctx.tasks = {testing_support::makeTask(draft)};
    ctx.taskCount = 1;
    answerModal<CDialogTaskEntry>([](CDialogTaskEntry* dialog) {
        dialog->findChild<QLineEdit*>("name")->setText("renamed");
        dialog->findChild<QPushButton*>("ok")->click();
    });
    QtEntryDialogRunner runner;
    const EntryDialogResult result =
        runner.run(ctx, EntryDialogRequest{ModeChange, ctx.tasks[0], 0});
    EXPECT_EQ(ctx.editIndex, 0);
    ASSERT_TRUE(result.accepted);
    EXPECT_TRUE(prompts.prompts.empty());
    EXPECT_EQ(fieldString(result.record.name), "renamed");
    EXPECT_EQ(fieldString(result.record.executableFile), cp932(batch));
    const std::array<uint32_t, 12> flags = {0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 1};
    EXPECT_EQ(result.flags, flags);
}

TEST_F(EntryDialogRunnerTest, CancelReportsNothing) {
    AppContext ctx;
    answerModal<CDialogTaskEntry>(
        [](CDialogTaskEntry* dialog) { dialog->findChild<QPushButton*>("cancel")->click(); });
    const EntryDialogResult result =
        QtEntryDialogRunner().run(ctx, EntryDialogRequest{ModeAdd, TaskRecord{}, 3});
    EXPECT_FALSE(result.accepted);
    EXPECT_EQ(ctx.editIndex, 3);
}

TEST_F(EntryDialogRunnerTest, OwnedByTheMainWindowAtItsClientOriginWithItsIcon) {
    AppContext ctx;
    QMainWindow owner;
    owner.menuBar()->addMenu(QStringLiteral("タスク(&T)"));
    owner.setWindowIcon(QIcon(QPixmap(16, 16)));
    owner.setGeometry(120, 80, 600, 300);
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    QWidget* parent = nullptr;
    QPoint at;
    qint64 icon = 0;
    answerModal<CDialogTaskEntry>([&](CDialogTaskEntry* dialog) {
        parent = dialog->parentWidget();
        at = dialog->pos();
        icon = dialog->windowIcon().cacheKey();
        dialog->reject();
    });
    EntryDialogRequest request{ModeAdd, TaskRecord{}, 0};
    request.owner = &owner;
    QtEntryDialogRunner().run(ctx, request);
    EXPECT_EQ(parent, &owner);
    EXPECT_EQ(at, owner.mapToGlobal(QPoint(0, owner.menuBar()->height())));
    EXPECT_EQ(icon, owner.windowIcon().cacheKey());
}

TEST_F(EntryDialogRunnerTest, BrowseOpensTheFileDialogAndItsCancelChangesNothing) {
    AppContext ctx;
    CDialogTaskEntry dialog(ctx);
    dialog.OnInitDialog();
    const QString documents = QString::fromStdString(home->documents());
    const QString scratch = QString::fromStdString(home->scratch());
    testing_support::writeFile(home->documents() + "/2024年度 第3四半期 営業会議の議事録.txt", "x");
    struct Case {
        QString entered, folder; // where the file dialog opens
    };
    const Case cases[] = {
        {"typed", documents},
        {QString::fromStdString(batch), scratch},
        {scratch + "/gone/x.txt", documents},
    };
    for (const Case& c : cases) {
        dialog.findChild<PathTextEdit*>("registeredFile")->setPath(c.entered);
        QString title, folder;
        QStringList filters;
        bool columnsWhole = false;
        answerModal<QFileDialog>([&](QFileDialog* files) {
            title = files->windowTitle();
            filters = files->nameFilters();
            folder = files->directory().absolutePath();
            const QAbstractItemView* details = files->findChild<QTreeView*>("treeView");
            const QHeaderView* header = files->findChild<QTreeView*>("treeView")->header();
            columnsWhole = QTest::qWaitFor([&] {
                for (int i = 0; i < header->count(); ++i) {
                    if (header->sectionSize(i) < details->sizeHintForColumn(i))
                        return false;
                }
                return details->model()->rowCount(details->rootIndex()) > 0 &&
                       header->length() <= details->viewport()->width();
            });
            files->reject();
        });
        dialog.findChild<QPushButton*>("browse")->click();
        EXPECT_EQ(title, QStringLiteral("登録ファイルを指定してください"));
        ASSERT_EQ(filters.size(), 1);
        EXPECT_TRUE(filters[0].startsWith(QStringLiteral("すべてのファイル(*.*)")));
        EXPECT_EQ(folder, c.folder);
        EXPECT_TRUE(columnsWhole) << folder.toStdString();
        EXPECT_EQ(dialog.findChild<PathTextEdit*>("registeredFile")->path(), c.entered);
    }
    EXPECT_TRUE(prompts.prompts.empty());
}

} // namespace
