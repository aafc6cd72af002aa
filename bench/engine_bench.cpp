// The engine's and the task file's hot paths: the calendar, the next runs of a full table, one
// scheduler pass over it with nothing due, and a whole rewrite and read of the task file; and a
// holiday file put in force over a full table (start-up budget: under 300 ms).

#include "bench_home.h"
#include "bench_tasks.h"
#include "engine/calendar.h"
#include "engine/holiday_install.h"
#include "engine/holiday_rules.h"
#include "engine/next_exec.h"
#include "engine/workers.h"
#include "platform/clock.h"
#include "platform/text_codec.h"
#include "store/app_context.h"
#include "store/task_file.h"
#include "store/trace.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr int kTasks = kMaxTaskCount; // 256, the most a table holds

bench::BenchHome* theHome = nullptr;

// A context with a full table whose files exist and whose next runs are computed.
std::unique_ptr<AppContext> fullContext() {
    auto ctx = std::make_unique<AppContext>();
    MyCalMake(*ctx);
    ctx->maxTaskCount = kMaxTaskCount;
    const std::string scratch = theHome->scratch();
    const bench::TaskFiles files{scratch + "/job.sh", scratch + "/notes.txt", scratch + "/viewer"};
    bench::writeFile(files.program, "#!/bin/sh\nexit 0\n", 0755);
    bench::writeFile(files.document, "notes\n");
    bench::writeFile(files.viewer, "#!/bin/sh\nexit 0\n", 0755);
    ctx->tasks = bench::mixedTasks(kTasks, files, "09:00");
    ctx->taskCount = kTasks;
    for (int i = 0; i < kTasks; ++i)
        MySetNextExec(*ctx, i);
    const std::string path = theHome->documents() + "/bench.tsk";
    bench::writeFile(path, "", 0600);
    std::snprintf(ctx->taskFilePath, sizeof ctx->taskFilePath, "%s", path.c_str());
    return ctx;
}

void BM_MyCalMake(benchmark::State& state) {
    AppContext ctx;
    for (auto _ : state) {
        ctx.calendar.clear();
        ctx.calendar.shrink_to_fit();
        MyCalMake(ctx);
        benchmark::DoNotOptimize(ctx.calendar.data());
    }
}
BENCHMARK(BM_MyCalMake)->Unit(benchmark::kMicrosecond);

void BM_MySetNextExec_256MixedTasks(benchmark::State& state) {
    std::unique_ptr<AppContext> ctx = fullContext();
    for (auto _ : state) {
        TaskLockGuard lock(ctx->taskLock);
        for (int i = 0; i < kTasks; ++i)
            MySetNextExec(*ctx, i);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kTasks);
}
BENCHMARK(BM_MySetNextExec_256MixedTasks)->Unit(benchmark::kMicrosecond);

void BM_SchedulerPass_256TasksNothingDue(benchmark::State& state) {
    std::unique_ptr<AppContext> ctx = fullContext();
    for (auto _ : state) {
        if (MySchedulerPass(*ctx)) {
            state.SkipWithError("a pass changed something; the table is not at rest");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kTasks);
}
BENCHMARK(BM_SchedulerPass_256TasksNothingDue)->Unit(benchmark::kMicrosecond);

// The whole file rewritten atomically: a temporary file written, flushed to disk, renamed over
// the old one and the folder flushed. The scheduler does this after each start.
void BM_MyTaskWrite_256Records(benchmark::State& state) {
    std::unique_ptr<AppContext> ctx = fullContext();
    for (auto _ : state) {
        if (MyTaskWrite(*ctx, ctx->taskFilePath) != 0) {
            state.SkipWithError("MyTaskWrite failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * kTasks * static_cast<int64_t>(sizeof(TaskRecord)));
}
BENCHMARK(BM_MyTaskWrite_256Records)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_MyTaskRead_256Records(benchmark::State& state) {
    std::unique_ptr<AppContext> written = fullContext();
    MyTaskWrite(*written, written->taskFilePath);
    AppContext ctx;
    ctx.maxTaskCount = kMaxTaskCount;
    for (auto _ : state) {
        if (MyTaskRead(ctx, written->taskFilePath) != 0 || ctx.taskCount != kTasks) {
            state.SkipWithError("MyTaskRead failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * kTasks * static_cast<int64_t>(sizeof(TaskRecord)));
}
BENCHMARK(BM_MyTaskRead_256Records)->Unit(benchmark::kMicrosecond);

// A holiday file of the official file's size: every holiday of 1955 to 2027, as Shift_JIS.
std::string officialSizedFile() {
    std::string text = std::string(kHolidayCsvHeader) + "\r\n";
    for (int year = 1955; year <= 2027; ++year) {
        for (const HolidayRow& row : MyHolidaysByRules(year)) {
            text += std::to_string(row.date / 10000) + "/" + std::to_string(row.date / 100 % 100) +
                    "/" + std::to_string(row.date % 100) + "," + row.name + "\r\n";
        }
    }
    return platform::utf8ToCp932(text).value();
}

// What an import or a copy installed by another program costs: the file read and checked, the
// calendar rebuilt, 256 next runs recomputed and the task file written once.
void BM_HolidayReload_OfficialSizedFile_256Tasks(benchmark::State& state) {
    std::unique_ptr<AppContext> ctx = fullContext();
    ctx->holidays.path = theHome->scratch() + "/holidays.csv";
    bench::writeFile(ctx->holidays.path, officialSizedFile(), 0600);
    for (auto _ : state) {
        MyHolidayReload(*ctx);
        if (ctx->holidays.rows.empty()) {
            state.SkipWithError(ctx->holidays.refusal.c_str());
            break;
        }
    }
}
BENCHMARK(BM_HolidayReload_OfficialSizedFile_256Tasks)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The most computing the rules can be asked for: a file of 1970 alone, every later year from the
// rules.
void BM_HolidayApply_RulesFor99Years_256Tasks(benchmark::State& state) {
    std::unique_ptr<AppContext> ctx = fullContext();
    HolidayFileState file;
    file.rows = MyHolidaysByRules(1970);
    for (auto _ : state)
        MyHolidayApply(*ctx, file);
}
BENCHMARK(BM_HolidayApply_RulesFor99Years_256Tasks)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    // Measured without a trace sink, as the program normally runs.
    ::unsetenv("CHORELIN_TRACE");
    resetTraceSink();
    bench::BenchHome home;
    theHome = &home;
    platform::setClockOverride(bench::fixedMorning);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    platform::setClockOverride({});
    theHome = nullptr;
    return 0;
}
