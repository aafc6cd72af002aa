// The Windows side of the run history's seam: its trusted folder (links, foreign DACLs, files
// only ever made new), output pipes read without waiting, and the state folder's lock.

#include "platform/instance_lock.h"
#include "platform/output_pipe.h"
#include "platform/trusted_folder.h"
#include "support/temp_home.h"
#include "support/win32_test_paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <functional>

using platform::FolderOpening;
using platform::TrustedFolder;
using testing_support::readFile;
using testing_support::setDacl;
using testing_support::TempHome;
using testing_support::wide;
using testing_support::writeFile;

namespace {

class HistorySeam : public ::testing::Test {
protected:
    TempHome home;
    std::string state() const { return home.scratch() + "/state"; }
};

} // namespace

TEST_F(HistorySeam, TheFolderIsRefusedWhenSomethingElseStandsThere) {
    using Status = FolderOpening::Status;
    const std::string elsewhere = home.scratch() + "/elsewhere";
    testing_support::makeDirs(elsewhere);
    struct Case {
        const char* what;
        std::function<bool(const std::string&)> arrange; // false: cannot be set up here
        Status expected;
    };
    const Case cases[] = {
        {"a file", [](const std::string& p) { return writeFile(p, "x"), true; }, Status::NotFolder},
        {"a link to a folder",
         [&](const std::string& p) { return testing_support::makeLink(p, elsewhere, true); },
         Status::NotFolder},
        {"everyone may add files",
         [](const std::string& p) {
             testing_support::makeDirs(p);
             return setDacl(p, L"D:P(A;OICI;FA;;;OW)(A;;0x100002;;;WD)") &&
                    testing_support::daclOf(p).find(L";WD)") != std::wstring::npos;
         },
         Status::Refused},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string path = state() + std::to_string(n++) + "/chorelin";
        testing_support::makeDirs(state() + std::to_string(n - 1));
        if (!c.arrange(path)) {
            std::printf("cannot be set up under this file system: %s\n", c.what);
            continue;
        }
        const FolderOpening opening = TrustedFolder::open(path);
        EXPECT_EQ(opening.status, c.expected) << c.what;
    }
}

TEST_F(HistorySeam, FilesAreMadeNewJudgedAndMovedAsideNeverReplaced) {
    FolderOpening opening = TrustedFolder::open(state() + "/chorelin");
    ASSERT_EQ(opening.status, FolderOpening::Status::Opened);
    const TrustedFolder& folder = *opening.folder;
    using Entry = TrustedFolder::Entry;
    EXPECT_EQ(folder.examine("history.sqlite3"), Entry::Missing);

    const int fd = folder.createFile("history.sqlite3");
    ASSERT_GT(fd, 2);
    EXPECT_TRUE(platform::appendAll(fd, "first", 5));
    platform::closeDescriptor(fd);
    EXPECT_EQ(folder.createFile("history.sqlite3"), -1);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(readFile(folder.path() + "/history.sqlite3"), "first");
    EXPECT_EQ(folder.examine("history.sqlite3"), Entry::Private);
    EXPECT_EQ(folder.fileSize("history.sqlite3"), 5);

    writeFile(folder.path() + "/open.log", "");
    ASSERT_TRUE(setDacl(folder.path() + "/open.log", L"D:P(A;;FA;;;OW)(A;;FA;;;WD)"));
    testing_support::makeDirs(folder.path() + "/sub.log");
    EXPECT_EQ(folder.examine("open.log"), Entry::Foreign);
    EXPECT_EQ(folder.examine("sub.log"), Entry::Foreign);
    EXPECT_EQ(folder.fileSize("sub.log"), -1);
    if (testing_support::makeLink(folder.path() + "/link.log", folder.path() + "/history.sqlite3",
                                  false)) {
        EXPECT_EQ(folder.examine("link.log"), Entry::Foreign);
    }

    // The second copy goes beside the first, which stays as it was.
    writeFile(folder.path() + "/again", "second");
    EXPECT_EQ(folder.moveAside("history.sqlite3", ".old"), "history.sqlite3.old");
    ASSERT_EQ(folder.moveAside("again", ".old"), "again.old");
    writeFile(folder.path() + "/again", "third");
    EXPECT_EQ(folder.moveAside("again", ".old"), "again.old-1");
    EXPECT_EQ(readFile(folder.path() + "/again.old"), "second");
    EXPECT_TRUE(folder.removeFile("again.old-1"));
    EXPECT_FALSE(folder.removeFile("sub.log"));
    const std::vector<std::string> names = folder.names();
    EXPECT_EQ(std::count(names.begin(), names.end(), "history.sqlite3.old"), 1);
}

TEST_F(HistorySeam, PipesAreReadWithoutWaitingAndTheWaiterWakes) {
    int readEnd = -1, writeEnd = -1;
    ASSERT_TRUE(platform::makeOutputPipe(readEnd, writeEnd));
    EXPECT_GT(readEnd, 2);
    platform::ReadWaiter waiter;
    ASSERT_TRUE(waiter.valid());
    ASSERT_TRUE(waiter.add(readEnd));
    char buffer[64];
    EXPECT_EQ(platform::readAvailable(readEnd, buffer, sizeof buffer), -1);
    EXPECT_EQ(errno, EAGAIN);

    // What was written is seen and read; once the writer is gone the pipe reads as 0.
    ASSERT_TRUE(platform::appendAll(writeEnd, "hello\n", 6));
    platform::closeDescriptor(writeEnd);
    EXPECT_EQ(waiter.wait(20000), std::vector<int>{readEnd});
    EXPECT_EQ(platform::readAvailable(readEnd, buffer, sizeof buffer), 6);
    EXPECT_EQ(waiter.wait(20000), std::vector<int>{readEnd});
    EXPECT_EQ(platform::readAvailable(readEnd, buffer, sizeof buffer), 0);
    waiter.remove(readEnd);
    platform::closeDescriptor(readEnd);

    // A wake ends the wait at once, pipes or not.
    const auto start = std::chrono::steady_clock::now();
    waiter.wake();
    EXPECT_TRUE(waiter.wait(60000).empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST_F(HistorySeam, WhatIsLeftInAPipeAtTheEndGoesToItsFileAndNoWriterBlocks) {
    FolderOpening opening = TrustedFolder::open(state() + "/chorelin");
    ASSERT_EQ(opening.status, FolderOpening::Status::Opened);
    int readEnd = -1, writeEnd = -1;
    ASSERT_TRUE(platform::makeOutputPipe(readEnd, writeEnd));
    ASSERT_TRUE(platform::appendAll(writeEnd, "tail of the output", 18));
    platform::drainAfterExit({readEnd}, {opening.folder->createFile("1.log")}, {7});
    EXPECT_EQ(readFile(opening.folder->path() + "/1.log"), "tail of");
    EXPECT_FALSE(platform::appendAll(writeEnd, "more", 4));
    platform::closeDescriptor(writeEnd);
}

TEST_F(HistorySeam, TheStateFolderLockRefusesASecondHolder) {
    FolderOpening opening = TrustedFolder::open(state() + "/chorelin");
    ASSERT_EQ(opening.status, FolderOpening::Status::Opened);
    using Status = platform::InstanceLock::Status;
    Status status = Status::Failed;
    // The task file's named mutex of the same name is held beside it.
    auto taskFileLock = platform::InstanceLock::acquire(platform::SystemPath(home.documents()),
                                                        "Chorelin.Mutex", status);
    ASSERT_TRUE(taskFileLock);
    // Another user's file under the name is replaced by a private one.
    writeFile(opening.folder->path() + "/Chorelin.Mutex", "");
    ASSERT_TRUE(setDacl(opening.folder->path() + "/Chorelin.Mutex", L"D:P(A;;FA;;;WD)"));
    auto first = platform::InstanceLock::acquire(*opening.folder, "Chorelin.Mutex", status);
    ASSERT_TRUE(first);
    EXPECT_EQ(status, Status::Acquired);
    EXPECT_EQ(opening.folder->examine("Chorelin.Mutex"), TrustedFolder::Entry::Private);
    EXPECT_FALSE(platform::InstanceLock::acquire(*opening.folder, "Chorelin.Mutex", status));
    EXPECT_EQ(status, Status::HeldElsewhere);
    first.reset();
    EXPECT_TRUE(platform::InstanceLock::acquire(*opening.folder, "Chorelin.Mutex", status));
}
