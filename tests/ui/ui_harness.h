#pragma once
// Helpers shared by the UI tests: the application object, a recording prompter, a view over a
// private task file, and a bounded wait on the event loop.

#include "dialogs/prompter.h"
#include "engine/calendar.h"
#include "store/app_context.h"
#include "store/fields.h"
#include "support/task_builders.h"
#include "support/temp_home.h"
#include "ui/chorelin_view.h"
#include "ui/command_router.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QThread>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ui_testing {

inline QApplication& application() {
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* app = [] {
        auto* a = new QApplication(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        return a;
    }();
    return *app;
}

// Runs the event loop until `done` holds, for at most `timeoutMs`.
inline bool waitFor(const std::function<bool()>& done, int timeoutMs = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(10);
    }
    return true;
}

class RecordingPrompter : public Prompter {
public:
    RecordingPrompter() { setPrompter(this); }
    ~RecordingPrompter() override { setPrompter(nullptr); }
    bool ask(Kind, const std::string& text, QWidget*) override {
        texts.push_back(text);
        return true;
    }
    std::vector<std::string> texts;
};

// One menu entry as the user sees it: id 0 for a separator.
struct Entry {
    int id;
    std::string caption;
    bool operator==(const Entry&) const = default;
};

inline std::vector<Entry> entriesOf(const QMenu* menu) {
    std::vector<Entry> entries;
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator())
            entries.push_back({0, ""});
        else
            entries.push_back({CommandRouter::commandId(action), action->text().toStdString()});
    }
    return entries;
}

inline QAction* actionOf(const QMenu* menu, int id) {
    for (QAction* action : menu->actions()) {
        if (CommandRouter::commandId(action) == id)
            return action;
    }
    return nullptr;
}

inline std::string utf8Cell(const QTableWidget& view, int row, int column) {
    const QTableWidgetItem* cell = view.item(row, column);
    return cell ? cell->text().toStdString() : std::string("<none>");
}

// A list view over a private task file, without the rest of the program.
class ViewHarness {
public:
    explicit ViewHarness(const std::vector<TaskRecord>& records = {}) : ctx(new AppContext()) {
        application();
        taskFile = home.documents() + "/tasks.tsk";
        testing_support::writeTaskFile(taskFile, records);
        setField(ctx->taskFilePath, taskFile);
        MyCalMake(*ctx);
        view = std::make_unique<CChorelinView>(*ctx, router);
        view->resize(1400, 400);
    }

    bool initialUpdate() { return view->OnInitialUpdate(); }

    TaskRecord& record(int i) { return ctx->tasks[static_cast<size_t>(i)]; }

    testing_support::TempHome home;
    std::string taskFile;
    std::unique_ptr<AppContext> ctx;
    CommandRouter router;
    std::unique_ptr<CChorelinView> view;
};

} // namespace ui_testing
