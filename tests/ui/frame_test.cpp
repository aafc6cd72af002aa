// The main frame after the real start-up: menus as shown, accelerators, hiding instead of
// closing, the tray, the start-up entry toggle and the exit.

#include "command_harness.h"
#include "ui_harness.h"

#include "app/desktop_integration.h"
#include "app/main_frame.h"
#include "app/startup.h"
#include "platform/startup_link.h"
#include "resources/command_ids.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTranslator>
#include <gtest/gtest.h>

using namespace testing_support;
using namespace ui_testing;

namespace {

TaskRecord task(const std::string& name) {
    TaskDraft draft;
    draft.name = name;
    return makeTask(draft);
}

class StartedFrame : public ::testing::Test {
protected:
    void start(const std::vector<TaskRecord>& records = {}) {
        application();
        SharedState shared = buildSharedState();
        ctx = &shared.ctx;
        taskFile = fieldString(ctx->taskFilePath);
        if (!records.empty())
            writeTaskFile(taskFile, records);
        frame = std::make_unique<CMainFrame>(*ctx, shared.startupRegistered);
        ASSERT_TRUE(frame->initialUpdate());
        frame->finishStartup();
    }

    void TearDown() override {
        if (frame)
            frame->OnClose();
        frame.reset();
    }

    QMenu* menu(const char* name) { return frame->findChild<QMenu*>(QString::fromLatin1(name)); }

    // What a menu shows right after it opened (check marks and enabling are set then).
    QMenu* opened(QMenu* m) {
        emit m->aboutToShow();
        return m;
    }

    void showActive() {
        frame->show();
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    }

    TempHome home;
    RecordingPrompter prompts;
    AppContext* ctx = nullptr;
    std::string taskFile;
    std::unique_ptr<CMainFrame> frame;
};

} // namespace

TEST_F(StartedFrame, MainMenuAsShown) {
    start();
    EXPECT_EQ(frame->windowTitle().toStdString(), "Chorelin");
    const QList<QAction*> pops = frame->menuBar()->actions();
    ASSERT_EQ(pops.size(), 3);
    EXPECT_EQ(pops[0]->text().toStdString(), "ファイル(&F)");
    EXPECT_EQ(pops[1]->text().toStdString(), "タスク(&T)");
    EXPECT_EQ(pops[2]->text().toStdString(), "ヘルプ(&H)");

    EXPECT_EQ(entriesOf(menu("fileMenu")),
              (std::vector<Entry>{{32778, "環境設定(&C)"},
                                  {32787, "スタートアップに登録"},
                                  {0, ""},
                                  {32810, "祝日データの読み込み(&L)..."},
                                  {32811, "組み込みの祝日表に戻す"},
                                  {32812, "祝日の一覧..."},
                                  {0, ""},
                                  {57665, "アプリケーションの終了(&X)"}}));
    EXPECT_EQ(entriesOf(menu("taskMenu")), (std::vector<Entry>{{32783, "タスクの追加"},
                                                               {0, ""},
                                                               {32780, "タスクの変更"},
                                                               {32772, "タスクの削除"},
                                                               {0, ""},
                                                               {32775, "タスクを無効にする"},
                                                               {32776, "タスクを有効にする"},
                                                               {0, ""},
                                                               {32777, "今すぐタスクを実行"},
                                                               {0, ""},
                                                               {32790, "実行履歴(&H)..."}}));
    EXPECT_EQ(entriesOf(menu("helpMenu")), (std::vector<Entry>{{57664, "バージョン情報(&A)..."}}));
    EXPECT_TRUE(frame->findChildren<QToolBar*>().isEmpty());
    EXPECT_TRUE(frame->findChildren<QStatusBar*>().isEmpty());
}

TEST_F(StartedFrame, ContextAndTrayMenusAsShown) {
    start();
    EXPECT_EQ(entriesOf(frame->view()->listContextMenu()),
              (std::vector<Entry>{{32783, "タスクの追加"},
                                  {0, ""},
                                  {32780, "タスクの変更"},
                                  {32772, "タスクの削除"},
                                  {0, ""},
                                  {32775, "タスクを無効にする"},
                                  {32776, "タスクを有効にする"},
                                  {0, ""},
                                  {32777, "今すぐタスクを実行"},
                                  {0, ""},
                                  {32790, "実行履歴(&H)..."}}));
    EXPECT_EQ(entriesOf(frame->view()->trayMenu()),
              (std::vector<Entry>{{32787, "スタートアップに登録"},
                                  {32785, "タスクの表示"},
                                  {0, ""},
                                  {57665, "アプリケーションの終了"}}));
    // The tray menu's show command always works.
    EXPECT_TRUE(actionOf(opened(frame->view()->trayMenu()), cmd::TrayShow)->isEnabled());
}

TEST_F(StartedFrame, ItemsWithoutAHandlerAreGreyedUntilOneIsRegistered) {
    start();
    // Every item of the menu has its command by now; take one away to see it greyed.
    frame->commands().registerCommand(cmd::ListChange, {});
    QAction* change = actionOf(opened(menu("taskMenu")), cmd::ListChange);
    EXPECT_FALSE(change->isEnabled());
    int calls = 0;
    frame->commands().registerCommand(cmd::ListChange, [&] { ++calls; });
    EXPECT_TRUE(actionOf(opened(menu("taskMenu")), cmd::ListChange)->isEnabled());
    actionOf(frame->view()->listContextMenu(), cmd::ListChange)->trigger();
    change->trigger();
    EXPECT_EQ(calls, 2);
}

TEST_F(StartedFrame, DeleteAndF5ReachTheirCommands) {
    start({task("a"), task("b")});
    showActive();
    int deletes = 0, refreshes = 0;
    frame->commands().registerCommand(cmd::ListDelete, [&] { ++deletes; });
    frame->commands().registerCommand(cmd::Refresh, [&] { ++refreshes; });
    frame->view()->setFocus();
    QTest::keyClick(frame->view(), Qt::Key_Delete);
    QTest::keyClick(frame->view(), Qt::Key_F5);
    EXPECT_EQ(deletes, 1);
    EXPECT_EQ(refreshes, 1);
}

TEST_F(StartedFrame, FrameworkAcceleratorsDoNothingHarmful) {
    start({task("a")});
    showActive();
    const std::string before = readFile(taskFile);
    frame->view()->setCurrentCell(0, 0);
    QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
    for (const QKeySequence& keys :
         {QKeySequence("Ctrl+N"), QKeySequence("Ctrl+O"), QKeySequence("Ctrl+S"),
          QKeySequence("Ctrl+C"), QKeySequence("Ctrl+X"), QKeySequence("Ctrl+V"),
          QKeySequence("Ctrl+Z"), QKeySequence("Shift+Del"), QKeySequence("F6"),
          QKeySequence("Shift+F6"), QKeySequence("Ctrl+Ins")}) {
        QTest::keySequence(frame->view(), keys);
    }
    QApplication::processEvents();
    EXPECT_TRUE(frame->isVisible());
    EXPECT_FALSE(frame->hasShutDown());
    EXPECT_EQ(frame->view()->rowCount(), 1);
    EXPECT_EQ(readFile(taskFile), before);
    EXPECT_TRUE(prompts.texts.empty());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("untouched"));
    for (int id : {cmd::FileNew, cmd::FileOpen, cmd::FileSave, cmd::EditCopy, cmd::NextPane})
        EXPECT_FALSE(frame->commands().hasHandler(id));
}

TEST_F(StartedFrame, CloseAndMinimiseOnlyHide) {
    start({task("a")});
    showActive();
    QCloseEvent closing;
    QApplication::sendEvent(frame.get(), &closing);
    EXPECT_FALSE(closing.isAccepted());
    frame->close();
    QApplication::processEvents();
    EXPECT_FALSE(frame->isVisible());
    EXPECT_FALSE(frame->hasShutDown());

    frame->restoreFromTray();
    ASSERT_TRUE(waitFor([&] { return frame->isVisible(); }));
    frame->showMinimized();
    ASSERT_TRUE(waitFor([&] { return !frame->isVisible(); }));
    EXPECT_FALSE(frame->hasShutDown());
    EXPECT_TRUE(ctx->schedulerRunEvent.isSet());
    EXPECT_TRUE(ctx->watcherRunEvent.isSet());
    EXPECT_NE(frame->view()->trayIcon(), nullptr);

    // A single click on an XEmbed tray does nothing; its double click brings the window back,
    // not minimised and active.
    ASSERT_FALSE(frame->view()->statusNotifierTray());
    EXPECT_EQ(frame->view()->trayIcon()->contextMenu(), nullptr); // the view picks the menu
    emit frame->view()->trayIcon()->activated(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(waitFor([&] { return frame->isVisible(); }, 300));
    emit frame->view()->trayIcon()->activated(QSystemTrayIcon::DoubleClick);
    ASSERT_TRUE(waitFor([&] { return frame->isVisible(); }));
    EXPECT_FALSE(frame->isMinimized());
    EXPECT_TRUE(QTest::qWaitForWindowActive(frame.get()));
}

TEST(DesktopIntegration, QtTextsInJapaneseTheDesktopEntryAndTheIcon) {
    QApplication& app = application();
    const QLocale locale;
    joinDesktop(app);
    QTranslator* japanese = app.findChild<QTranslator*>();
    ASSERT_NE(japanese, nullptr) << "qtbase_ja.qm (qt6-translations-l10n) is missing";
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok |
                           QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QStringLiteral("はい(&Y)"));
    EXPECT_EQ(box.button(QMessageBox::No)->text(), QStringLiteral("いいえ(&N)"));
    EXPECT_EQ(box.button(QMessageBox::Ok)->text(), QStringLiteral("OK"));
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("キャンセル"));
    EXPECT_EQ(QFileDialog::tr("File &name:"), QStringLiteral("ファイル名(&N):"));
    EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("chorelin"));
    EXPECT_FALSE(QApplication::windowIcon().isNull());
    QCoreApplication::removeTranslator(japanese);
    delete japanese;
    QLocale::setDefault(locale);
}

TEST_F(StartedFrame, TrayShowRestoresTheWindow) {
    start();
    frame->hide();
    actionOf(frame->view()->trayMenu(), cmd::TrayShow)->trigger();
    ASSERT_TRUE(waitFor([&] { return frame->isVisible(); }));
}

TEST_F(StartedFrame, WindowIsHiddenAfterStartUpOnlyWhenATrayExists) {
    start();
    EXPECT_EQ(frame->isVisible(), !QSystemTrayIcon::isSystemTrayAvailable());
}

TEST_F(StartedFrame, TooltipCountsTheTasksAfterStartUp) {
    start({task("a"), task("b"), task("c")});
    ASSERT_NE(frame->view()->trayIcon(), nullptr);
    EXPECT_EQ(frame->view()->trayIcon()->toolTip().toStdString(),
              "Chorelin\n3 個のタスクが登録されています。");
    {
        TaskLockGuard guard(ctx->taskLock);
        ctx->tasks.pop_back();
        ctx->taskCount = 2;
    }
    frame->view()->updateTrayTip();
    EXPECT_EQ(frame->view()->trayIcon()->toolTip().toStdString(),
              "Chorelin\n2 個のタスクが登録されています。");
}

TEST_F(StartedFrame, RightClickOnTheListOpensItsMenuAtTheCursor) {
    start({task("a")});
    showActive();
    QWidget* viewport = frame->view()->viewport();
    const QPoint local(20, 8);
    QContextMenuEvent event(QContextMenuEvent::Mouse, local, viewport->mapToGlobal(local));
    QApplication::sendEvent(viewport, &event);
    QMenu* list = frame->view()->listContextMenu();
    ASSERT_TRUE(waitFor([&] { return list->isVisible(); }));
    EXPECT_FALSE(frame->view()->trayMenu()->isVisible());
    EXPECT_EQ(actionOf(list, cmd::ListKill), nullptr);
    list->hide();

    // The keyboard's context-menu key (which the window system turns into a context-menu
    // event of the focused widget) opens the same menu.
    QContextMenuEvent key(QContextMenuEvent::Keyboard, local, viewport->mapToGlobal(local));
    QApplication::sendEvent(frame->view(), &key);
    ASSERT_TRUE(waitFor([&] { return list->isVisible(); }));
    list->hide();
}

TEST_F(StartedFrame, TrayRightClickChoosesTheMenuByTheListRectangle) {
    start({task("a")});
    showActive();
    CChorelinView* view = frame->view();
    const QPoint topLeft = view->mapToGlobal(QPoint(0, 0));
    const QPoint bottomRight = topLeft + QPoint(view->width(), view->height());
    struct Case {
        QPoint cursor;
        bool listMenu;
    };
    const std::vector<Case> cases = {
        {topLeft + QPoint(5, 5), true},
        {topLeft, true}, // edges belong to the rectangle
        {bottomRight, true},
        {bottomRight + QPoint(1, 0), false},
        {topLeft - QPoint(0, 1), false},
    };
    for (const Case& c : cases) {
        view->onTrayRightClick(c.cursor);
        QMenu* expected = c.listMenu ? view->listContextMenu() : view->trayMenu();
        QMenu* other = c.listMenu ? view->trayMenu() : view->listContextMenu();
        EXPECT_TRUE(waitFor([&] { return expected->isVisible(); }))
            << c.cursor.x() << "," << c.cursor.y();
        EXPECT_FALSE(other->isVisible());
        expected->hide();
    }
    // While the window is hidden its list cannot be the target: the tray menu, wherever.
    frame->hide();
    view->onTrayRightClick(topLeft + QPoint(5, 5));
    EXPECT_TRUE(waitFor([&] { return view->trayMenu()->isVisible(); }));
    view->trayMenu()->hide();
}

TEST_F(StartedFrame, StartupEntryToggleCreatesAndDeletesTheEntry) {
    start();
    const std::string link = platform::startupLinkPath().str();
    ASSERT_FALSE(link.empty());
    ASSERT_FALSE(exists(link));
    auto checkedIn = [&](QMenu* m) { return actionOf(opened(m), cmd::Startup)->isChecked(); };
    EXPECT_FALSE(checkedIn(menu("fileMenu")));
    EXPECT_FALSE(checkedIn(frame->view()->trayMenu()));

    actionOf(menu("fileMenu"), cmd::Startup)->trigger();
    ASSERT_TRUE(exists(link));
    EXPECT_NE(readFile(link).find("Exec="), std::string::npos);
    EXPECT_TRUE(checkedIn(menu("fileMenu")));
    EXPECT_TRUE(checkedIn(frame->view()->trayMenu()));

    actionOf(frame->view()->trayMenu(), cmd::Startup)->trigger();
    EXPECT_FALSE(exists(link));
    EXPECT_FALSE(checkedIn(menu("fileMenu")));
    EXPECT_FALSE(checkedIn(frame->view()->trayMenu()));

    // Deleted by hand: the mark stays until the command is chosen, which then clears it.
    frame->commands().dispatch(cmd::Startup);
    ASSERT_TRUE(exists(link));
    ASSERT_EQ(::unlink(link.c_str()), 0);
    EXPECT_TRUE(checkedIn(menu("fileMenu")));
    frame->commands().dispatch(cmd::Startup);
    EXPECT_FALSE(exists(link));
    EXPECT_FALSE(checkedIn(menu("fileMenu")));
}

TEST_F(StartedFrame, StartupEntryThatCannotBeSavedIsNotShownAsRegistered) {
    start();
    // The start-up folder cannot exist beneath a plain file, whoever runs the test.
    const std::string blocker = home.scratch() + "/not-a-folder";
    writeFile(blocker, "x");
    setenv("XDG_CONFIG_HOME", blocker.c_str(), 1);
    frame->commands().dispatch(cmd::Startup);
    EXPECT_EQ(frame->startupRegistered(), 0);
    EXPECT_FALSE(actionOf(opened(menu("fileMenu")), cmd::Startup)->isChecked());
}

TEST_F(StartedFrame, AnExistingEntryIsCheckedFromTheStart) {
    makeDirs(home.autostartDir());
    writeFile(home.autostartDir() + "/Chorelin.desktop", "[Desktop Entry]\n");
    start();
    EXPECT_EQ(frame->startupRegistered(), 1);
    EXPECT_TRUE(actionOf(opened(menu("fileMenu")), cmd::Startup)->isChecked());
}

TEST_F(StartedFrame, ExitSavesTheTasksAndRemovesTheTrayIcon) {
    start({task("a"), task("b")});
    {
        TaskLockGuard guard(ctx->taskLock);
        ctx->tasks[1].state = StateDisabled;
    }
    actionOf(menu("fileMenu"), cmd::AppExit)->trigger();
    EXPECT_TRUE(frame->hasShutDown());
    EXPECT_EQ(frame->view()->trayIcon(), nullptr);
    EXPECT_FALSE(static_cast<bool>(ctx->viewWindow));
    const std::vector<TaskRecord> saved = readTaskFile(taskFile);
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[1].state, StateDisabled);
    EXPECT_FALSE(frame->isVisible());

    // A second exit (the tray's, or a signal) does nothing more.
    frame->commands().dispatch(cmd::AppExit);
    EXPECT_TRUE(frame->hasShutDown());
}

namespace {

// Asks nothing of a user: requests the exit while the command's question is open, then answers.
class ExitingPrompter : public Prompter {
public:
    explicit ExitingPrompter(std::function<void()> onAsk) : onAsk_(std::move(onAsk)) {
        setPrompter(this);
    }
    ~ExitingPrompter() override { setPrompter(nullptr); }
    bool ask(Kind, const std::string& text, QWidget*) override {
        texts.push_back(text);
        onAsk_();
        return false; // No
    }
    std::vector<std::string> texts;

private:
    std::function<void()> onAsk_;
};

} // namespace

TEST_F(StartedFrame, ExitDuringACommandWaitsForTheCommandToFinish) {
    start({task("a"), task("b")});
    ExitingPrompter exiting([this] { frame->commands().dispatch(cmd::AppExit); });
    selectRows(*frame->view(), {0});
    // The question of the delete is where the exit arrives; the workers are running and take
    // the lock every half second, so a shutdown started here could never join them.
    frame->commands().dispatch(cmd::ListDelete);
    ASSERT_EQ(exiting.texts.size(), 1u);
    EXPECT_FALSE(frame->hasShutDown());
    ASSERT_TRUE(waitFor([&] { return frame->hasShutDown(); }));
    EXPECT_EQ(readTaskFile(taskFile).size(), 2u); // No: nothing deleted, and the table saved
}

TEST_F(StartedFrame, ExitWhileAMessageBoxIsOpenAnswersItNo) {
    start({task("a")});
    setPrompter(nullptr); // the real message boxes
    selectRows(*frame->view(), {0});
    bool sawBox = false;
    QTimer::singleShot(100, [&] {
        sawBox = QApplication::activeModalWidget() != nullptr;
        frame->commands().dispatch(cmd::AppExit);
    });
    frame->commands().dispatch(cmd::ListDelete); // "a を削除します。" waits in its box
    EXPECT_TRUE(sawBox);
    ASSERT_TRUE(waitFor([&] { return frame->hasShutDown(); }));
    EXPECT_EQ(readTaskFile(taskFile).size(), 1u);
}
