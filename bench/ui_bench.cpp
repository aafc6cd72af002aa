// The list window's answer to a scheduler pass: every row of a full table rewritten from its
// record and the list repainted, on Qt's offscreen platform.

#include "bench_home.h"
#include "bench_tasks.h"
#include "engine/calendar.h"
#include "platform/clock.h"
#include "store/app_context.h"
#include "store/fields.h"
#include "store/trace.h"
#include "ui/chorelin_view.h"
#include "ui/command_router.h"
#include "ui/task_message_event.h"

#include <QApplication>
#include <QSettings>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <memory>

namespace {

constexpr int kTasks = kMaxTaskCount;

struct ListFixture {
    explicit ListFixture(bench::BenchHome& home) : ctx(std::make_unique<AppContext>()) {
        const std::string scratch = home.scratch();
        const bench::TaskFiles files{scratch + "/job.sh", scratch + "/notes.txt",
                                     scratch + "/viewer"};
        bench::writeFile(files.program, "#!/bin/sh\nexit 0\n", 0755);
        bench::writeFile(files.document, "notes\n");
        bench::writeFile(files.viewer, "#!/bin/sh\nexit 0\n", 0755);
        const std::string taskFile = home.documents() + "/bench.tsk";
        bench::writeTaskFile(taskFile, bench::mixedTasks(kTasks, files, "09:00"));
        setField(ctx->taskFilePath, taskFile);
        MyCalMake(*ctx);
        view = std::make_unique<CChorelinView>(*ctx, router);
        view->resize(1400, 600);
        view->show();
        ok = view->OnInitialUpdate() && ctx->taskCount == kTasks && view->rowCount() == kTasks;
        QApplication::processEvents();
    }
    ~ListFixture() { ctx->viewWindow = nullptr; }

    // What a scheduler pass's WM_MYTASKUPDATE does, painting included.
    void update() {
        TaskMessageEvent message(WM_MYTASKUPDATE, 0);
        QCoreApplication::sendEvent(view.get(), &message);
        QApplication::processEvents();
    }

    std::unique_ptr<AppContext> ctx;
    CommandRouter router;
    std::unique_ptr<CChorelinView> view;
    bool ok = false;
};

bench::BenchHome* theHome = nullptr;

// Most passes that start a task change one or two records; every row is still rewritten.
void BM_ListRowRewrite_256Rows(benchmark::State& state) {
    ListFixture list(*theHome);
    if (!list.ok) {
        state.SkipWithError("the list did not load its 256 tasks");
        return;
    }
    for (auto _ : state)
        list.update();
    state.SetItemsProcessed(state.iterations() * kTasks);
}
BENCHMARK(BM_ListRowRewrite_256Rows)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The worst case: every record changed since the last rewrite (all 256 started in one pass).
void BM_ListRowRewrite_256RowsAllChanged(benchmark::State& state) {
    ListFixture list(*theHome);
    if (!list.ok) {
        state.SkipWithError("the list did not load its 256 tasks");
        return;
    }
    int flip = 0;
    for (auto _ : state) {
        state.PauseTiming();
        {
            TaskLockGuard lock(list.ctx->taskLock);
            flip ^= 1;
            for (TaskRecord& task : list.ctx->tasks) {
                setField(task.lastRunText, flip ? "2024/05/10" : "2024/05/09");
                task.state = flip ? StateRunning : StateWaiting;
            }
        }
        state.ResumeTiming();
        list.update();
    }
    state.SetItemsProcessed(state.iterations() * kTasks);
}
BENCHMARK(BM_ListRowRewrite_256RowsAllChanged)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The full rebuild of the rows (refresh, delete).
void BM_ListMySetItem_256Rows(benchmark::State& state) {
    ListFixture list(*theHome);
    if (!list.ok) {
        state.SkipWithError("the list did not load its 256 tasks");
        return;
    }
    for (auto _ : state) {
        list.view->MySetItem();
        QApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * kTasks);
}
BENCHMARK(BM_ListMySetItem_256Rows)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The column fitting that ends every rewrite: each column measured over every row.
void BM_ListMyListArrange_256Rows(benchmark::State& state) {
    ListFixture list(*theHome);
    if (!list.ok) {
        state.SkipWithError("the list did not load its 256 tasks");
        return;
    }
    for (auto _ : state)
        list.view->MyListArrange();
    state.SetItemsProcessed(state.iterations() * kTasks);
}
BENCHMARK(BM_ListMyListArrange_256Rows)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    ::unsetenv("CHORELIN_TRACE");
    resetTraceSink();
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // The offscreen platform has no tray; its notice about that is noise here.
    if (std::getenv("QT_LOGGING_RULES") == nullptr)
        ::setenv("QT_LOGGING_RULES", "qt.core.qobject.connect=false", 1);
    bench::BenchHome home;
    theHome = &home;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(home.root() + "/config"));
    platform::setClockOverride(bench::fixedMorning);
    int qtArgc = 1;
    char name[] = "chorelin_ui_bench";
    char* qtArgv[] = {name, nullptr};
    QApplication application(qtArgc, qtArgv);
    QApplication::setQuitOnLastWindowClosed(false);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    platform::setClockOverride({});
    theHome = nullptr;
    return 0;
}
