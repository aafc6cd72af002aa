// The run history's write path: what a start and an end cost their caller (the engine, under
// taskLock: an id, an output file, a queued state), how long the writer thread takes to put
// runs in the database, and a read of one task's runs as the history dialog does it.

#include "bench_home.h"
#include "history/history_reader.h"
#include "history/history_store.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <unistd.h>

namespace {

bench::BenchHome* theHome = nullptr;

history::RunAttempt attemptOf(int task) {
    history::RunAttempt a;
    a.task = "task " + std::to_string(task);
    a.registeredFile = "/home/user/jobs/job" + std::to_string(task) + ".sh";
    a.program = a.registeredFile;
    a.dueMs = 1715310000000;
    return a;
}

history::RunEnd exitedWith(int code) {
    history::RunEnd end;
    end.exitCode = code;
    return end;
}

// The store as the window instance opens it, in a fresh history folder of its own.
std::unique_ptr<history::HistoryStore> freshStore(const std::string& name) {
    return std::make_unique<history::HistoryStore>(
        history::HistoryPaths{theHome->scratch() + "/" + name});
}

// The three calls of one run as the engine makes them, with the output descriptor closed as
// the engine closes it once the child has it. The writer works meanwhile, as it would.
void BM_HistoryCallsOfOneRun(benchmark::State& state) {
    auto store = freshStore("calls-" + std::to_string(state.thread_index()));
    int i = 0;
    for (auto _ : state) {
        history::RunTicket ticket = store->prepareRun(attemptOf(i++ % 256));
        ::close(ticket.outputFd);
        store->runStarted(ticket.id, 4242);
        benchmark::DoNotOptimize(store->runEnded(ticket.id, exitedWith(0)));
    }
    store->flush(); // outside the timed loop
}
BENCHMARK(BM_HistoryCallsOfOneRun)->Unit(benchmark::kMicrosecond)->Iterations(20000);

// From the first call of `n` runs that start and end at once to all of them in the database.
void BM_HistoryRunsToDisk(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    auto store = freshStore("disk-" + std::to_string(n));
    for (auto _ : state) {
        for (int i = 0; i < n; ++i) {
            history::RunTicket ticket = store->prepareRun(attemptOf(i));
            ::close(ticket.outputFd);
            store->runStarted(ticket.id, 4242);
            store->runEnded(ticket.id, exitedWith(i % 2));
        }
        store->flush();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_HistoryRunsToDisk)->Arg(1)->Arg(256)->Unit(benchmark::kMillisecond);

// One task's newest 100 runs, as the history dialog and `--history NAME` read them.
void BM_HistoryReadRunsOfTask(benchmark::State& state) {
    const history::HistoryPaths paths{theHome->scratch() + "/read"};
    {
        history::HistoryStore store(paths);
        for (int i = 0; i < 100 * 16; ++i) {
            history::RunTicket ticket = store.prepareRun(attemptOf(i % 16));
            ::close(ticket.outputFd);
            store.runEnded(ticket.id, exitedWith(0));
        }
    }
    for (auto _ : state) {
        history::HistoryReader reader(paths);
        benchmark::DoNotOptimize(reader.runsOfTask("task 3", 100));
    }
}
BENCHMARK(BM_HistoryReadRunsOfTask)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    bench::BenchHome home;
    theHome = &home;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    theHome = nullptr;
    return 0;
}
