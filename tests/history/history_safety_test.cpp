// The history's folder and files against what another user or bad luck puts there: foreign
// entries under the names it uses, state folders it must not trust, a file at the largest id,
// and a second connection that holds the write lock longer than the busy time-out.

#include "history/bounded_output.h"
#include "history/history_reader.h"
#include "history_test_support.h"
#include "store/trace.h"
#include "support/temp_home.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>

using namespace history;
using namespace history_test;
using testing_support::makeDirs;
using testing_support::readFile;
using testing_support::writeFile;

namespace {

constexpr uid_t kNobody = 65534;

class HistorySafety : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("CHORELIN_TRACE", trace().c_str(), 1);
        resetTraceSink();
    }
    void TearDown() override {
        unsetenv("CHORELIN_TRACE");
        resetTraceSink();
    }
    std::string trace() const { return home.scratch() + "/trace.log"; }
    std::string victim() const { return home.scratch() + "/victim"; }
    // The entries of a folder whose names start with `prefix`.
    static int entriesStartingWith(const std::string& folder, const std::string& prefix) {
        int n = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            n += entry.path().filename().string().rfind(prefix, 0) == 0;
        return n;
    }

    testing_support::TempHome home;
};

void plant(const std::string& kind, const std::string& path, const std::string& victim) {
    if (kind == "link") {
        ::symlink(victim.c_str(), path.c_str());
    } else if (kind == "fifo") {
        ::mkfifo(path.c_str(), 0600);
    } else if (kind == "socket") {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::close(fd);
    } else if (kind == "folder") {
        makeDirs(path);
    } else if (kind == "device") {
        ::symlink("/dev/zero", path.c_str()); // a link to a device; mknod needs privileges
    } else if (kind == "other user's 0666 file") {
        writeFile(path, "injected", 0666);
        ::chown(path.c_str(), kNobody, kNobody);
    }
}

TEST_F(HistorySafety, ForeignEntriesAreMovedAsideNeverOpened) {
    const HistoryPaths paths = homePaths();
    for (const char* name :
         {"history.sqlite3", "history.sqlite3-wal", "history.sqlite3-shm", "output/1.log"}) {
        for (const char* kind :
             {"link", "fifo", "socket", "device", "folder", "other user's 0666 file"}) {
            SCOPED_TRACE(std::string(name) + " as " + kind);
            std::filesystem::remove_all(paths.folder);
            std::filesystem::remove(trace());
            resetTraceSink();
            writeFile(victim(), "victim", 0600);
            makeDirs(paths.outputFolder());
            const bool output = std::string(name).starts_with("output/");
            // A fresh database gives the first run id 1, so output/1.log is planted once the
            // start-up pass (which removes output files no row names) is over.
            if (!output)
                plant(kind, paths.folder + "/" + name, victim());
            HistoryStore store(paths);
            if (output)
                plant(kind, paths.folder + "/" + name, victim());
            ASSERT_TRUE(store.available());
            const RunRecord run = runScript(store, "job", "echo out");
            store.flush();

            EXPECT_EQ(readFile(victim()), "victim");
            const std::string folder = output ? paths.outputFolder() : paths.folder;
            const std::string base = std::filesystem::path(name).filename().string();
            EXPECT_EQ(entriesStartingWith(folder, base + ".foreign-"), 1);
            EXPECT_EQ(count(readFile(trace()), "に移しました"), 1);
            EXPECT_EQ(readFile(run.outputPath), "out\n");
            EXPECT_EQ(HistoryReader(paths).run(run.id)->ending, RunEnding::Exited);
        }
    }
}

TEST_F(HistorySafety, StateFoldersThatCannotBeTrustedAreRefusedUntouched) {
    const HistoryPaths paths = homePaths();
    const std::string state = std::filesystem::path(paths.folder).parent_path();
    struct Case {
        const char* what;
        std::function<void()> spoil;
        bool refused;
        int keptMode; // the folder's mode afterwards, 0: not checked
    } cases[] = {
        {"parent writable by others", [&] { ::chmod(state.c_str(), 0777); }, true, 0},
        {"parent writable by others, sticky", [&] { ::chmod(state.c_str(), 01777); }, false, 0},
        {"folder of another user",
         [&] {
             makeDirs(paths.folder);
             ::chown(paths.folder.c_str(), kNobody, kNobody);
         },
         true, 0},
        {"folder writable by others",
         [&] {
             makeDirs(paths.folder);
             ::chmod(paths.folder.c_str(), 0777);
         },
         true, 0777},
        {"link to a folder of the user",
         [&] {
             makeDirs(victim());
             ::symlink(victim().c_str(), paths.folder.c_str());
         },
         true, 0},
        {"a 0500 folder", [&] { makeDirs(paths.folder), ::chmod(paths.folder.c_str(), 0500); },
         false, 0500},
        {"a 0750 folder", [&] { makeDirs(paths.folder), ::chmod(paths.folder.c_str(), 0750); },
         false, 0750},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(state);
        std::filesystem::remove_all(victim());
        std::filesystem::remove(trace());
        resetTraceSink();
        makeDirs(state);
        c.spoil();
        {
            HistoryStore store(paths);
            EXPECT_EQ(store.available(), !c.refused);
            const RunRecord run = runScript(store, "job", "exit 0"); // runs all the same
            EXPECT_EQ(run.exitCode, 0);
        }
        if (c.refused) {
            EXPECT_EQ(count(readFile(trace()), "実行履歴を記録しません"), 1);
            EXPECT_FALSE(std::filesystem::exists(victim() + "/history.sqlite3"));
        }
        if (c.keptMode != 0) {
            EXPECT_EQ(modeOf(paths.folder), c.keptMode);
        }
    }
}

TEST_F(HistorySafety, RunIdsComeFromTheDatabaseAndAreNeverReused) {
    const HistoryPaths paths = homePaths();
    makeDirs(paths.outputFolder());
    writeFile(paths.outputFile(INT64_MAX), "planted", 0600);
    int64_t last = 0;
    {
        HistoryStore store(paths);
        for (int i = 0; i < 3; ++i) {
            const RunRecord run = runScript(store, "job", "echo " + std::to_string(i));
            store.flush();
            EXPECT_GT(run.id, last);
            EXPECT_EQ(readFile(run.outputPath), std::to_string(i) + "\n");
            last = run.id;
        }
    }
    EXPECT_LT(last, 10);
    // Rows that are gone leave their ids used.
    sqlite3* db = nullptr;
    sqlite3_open(paths.database().c_str(), &db);
    sqlite3_exec(db, "DELETE FROM runs", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    HistoryStore store(paths);
    EXPECT_EQ(runScript(store, "job", "exit 0").id, last + 1);
    // Across the blocks the database hands out ahead, every id is a new one of its own.
    int64_t previous = last + 1;
    for (int i = 0; i < 600; ++i) {
        if (i % 100 == 0)
            store.flush(); // the writer has had its turn to take the next block
        const RunTicket ticket = store.prepareRun(attempt("burst"));
        ::close(ticket.outputFd);
        store.runFailed(ticket.id, "none");
        ASSERT_EQ(ticket.id, previous + 1) << i;
        previous = ticket.id;
    }
}

TEST_F(HistorySafety, ABusyDatabaseKeepsTheRunsAndSaysSoOnce) {
    const HistoryPaths paths = homePaths();
    HistoryOptions options;
    options.retryPause = std::chrono::milliseconds(50);
    HistoryStore store(paths, options);
    store.flush();

    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(paths.database().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    std::thread holder([other] {
        std::this_thread::sleep_for(std::chrono::seconds(3));
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    });
    const RunRecord run = runScript(store, "job", "echo kept");
    store.flush(); // returns once the lock is given up and the runs are in
    holder.join();
    sqlite3_close(other);

    const std::optional<RunRecord> row = HistoryReader(paths).run(run.id);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->ending, RunEnding::Exited);
    EXPECT_TRUE(store.available());
    const std::string said = readFile(trace());
    EXPECT_EQ(count(said, "繰り返し試みます"), 1);
    EXPECT_EQ(count(said, "database is locked"), 1) << said;
    EXPECT_EQ(count(said, "再び記録できるようになりました"), 1);
    EXPECT_EQ(count(said, "rollback"), 0);
}

} // namespace

namespace {

TEST_F(HistorySafety, OutputIsBoundedWhileItIsWritten) {
    constexpr int64_t kLimit = int64_t{1} << 20;
    struct Case {
        const char* what;
        const char* script;
        rlim_t fileLimit;     // RLIM_INFINITY: none
        const char* note;     // part of the row's note
        const char* lastLine; // what the file ends with
    } cases[] = {
        {"40 MB in one run", "echo first; head -c 40000000 /dev/zero | tr '\\0' a; echo; echo last",
         RLIM_INFINITY, "バイトを省略しました", "last\n"},
        {"a background child writes on after the end",
         "echo first; (sleep 0.3; head -c 3000000 /dev/zero | tr '\\0' b; echo; echo late) & exit "
         "0",
         RLIM_INFINITY, "バイトを省略しました", "late\n"},
        {"the file cannot grow", "echo first; head -c 3000000 /dev/zero || exit 9", 200000,
         "書き込めなくなった", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HistoryOptions options;
        options.limits.outputBytes = kLimit;
        HistoryStore store(homePaths(), options);
        rlimit before{};
        ::getrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = before;
        limit.rlim_cur = c.fileLimit;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const RunRecord run = runScript(store, "job", c.script);
        EXPECT_EQ(run.exitCode, 0); // the program never saw a failed write
        store.flush();
        ::setrlimit(RLIMIT_FSIZE, &before);

        const std::string output = readFile(run.outputPath);
        EXPECT_LE(static_cast<int64_t>(output.size()), kLimit);
        EXPECT_EQ(output.rfind("first\n", 0), 0u);
        if (c.lastLine) {
            EXPECT_TRUE(output.ends_with(c.lastLine));
        }
        const std::optional<RunRecord> row = HistoryReader(homePaths()).run(run.id);
        ASSERT_TRUE(row);
        EXPECT_NE(row->outputNote.find(c.note), std::string::npos) << row->outputNote;
        EXPECT_EQ(row->outputBytes, static_cast<int64_t>(output.size()));
    }
}

} // namespace

namespace {

TEST_F(HistorySafety, OutputStillComingWhenTheStoreClosesReachesItsFile) {
    std::string file;
    {
        HistoryStore store(homePaths());
        file = runScript(store, "job", "echo now; (sleep 0.5; echo later) & exit 0").outputPath;
    } // closed at once, as at Chorelin's end: the child still holds the pipe
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (readFile(file) != "now\nlater\n" && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(readFile(file), "now\nlater\n");
}

} // namespace

namespace {

// The bound itself, over limits from none at all to roomy and over how the bytes arrive.
TEST_F(HistorySafety, BoundedOutputKeepsTheFirstAndLastPartWithinItsLimit) {
    std::string input;
    for (int i = 0; input.size() < 10000; ++i)
        input += "line " + std::to_string(i) + "\n";
    for (const int64_t limit :
         {int64_t{0}, int64_t{100}, int64_t{300}, int64_t{4096}, int64_t{20000}}) {
        for (const size_t chunk : {size_t{1}, size_t{7}, size_t{4096}, input.size()}) {
            SCOPED_TRACE("limit " + std::to_string(limit) + ", chunk " + std::to_string(chunk));
            const std::string path = home.scratch() + "/out.log";
            makeDirs(home.scratch());
            {
                BoundedOutput output(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600),
                                     limit);
                for (size_t at = 0; at < input.size(); at += chunk)
                    output.append(input.data() + at, std::min(chunk, input.size() - at));
                output.finish();
                EXPECT_EQ(output.cut(), limit < static_cast<int64_t>(input.size()));
            }
            const std::string kept = readFile(path);
            EXPECT_LE(static_cast<int64_t>(kept.size()), limit);
            if (limit >= static_cast<int64_t>(input.size())) {
                EXPECT_EQ(kept, input);
            } else if (limit >= 300) {
                const size_t gap = kept.find("バイトを省略しました");
                ASSERT_NE(gap, std::string::npos);
                const size_t tailStart = kept.find('\n', gap) + 1;
                const std::string head = kept.substr(0, kept.rfind("\n…（", gap));
                const std::string tail = kept.substr(tailStart);
                EXPECT_EQ(input.substr(0, head.size()), head);
                EXPECT_TRUE(input.ends_with(tail));
                const size_t left = std::stoul(kept.substr(kept.rfind("（", gap) + 3));
                EXPECT_EQ(head.size() + left + tail.size(), input.size());
            }
        }
    }
}

} // namespace
