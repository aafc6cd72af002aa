// File helpers and manual-reset events.

#include "platform/event.h"
#include "platform/files.h"
#include "platform/private_file.h"
#include "support/task_builders.h"
#include "support/temp_home.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

using namespace testing_support;

namespace {

TEST(Files, RecordPathsAreCp932AndSystemPathsNative) {
    TempHome home;
    const platform::SystemPath dir(home.scratch() + "/データ フォルダ");
    const std::string file = dir.str() + "/予定.txt";
    ASSERT_TRUE(platform::createDirectory(dir));
    EXPECT_EQ(std::filesystem::status(dir.str()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
    EXPECT_TRUE(platform::createDirectory(dir)); // existing is fine
    writeFile(file, "12345");
    const std::string dirCp = home.scratch() + "/" + cp932("データ フォルダ");
    const std::string fileCp = dirCp + "/" + cp932("予定.txt");
    EXPECT_TRUE(platform::pathExists(fileCp));
    EXPECT_FALSE(platform::isDirectory(fileCp));
    EXPECT_TRUE(platform::isDirectory(dirCp));
    EXPECT_TRUE(platform::pathExists(platform::SystemPath(file)));
    // The system's own paths are never converted: cp932 bytes name no file there.
    EXPECT_FALSE(platform::pathExists(platform::SystemPath(fileCp)));
    EXPECT_FALSE(platform::pathExists(std::string("/tmp\0x", 6))); // embedded zero
}

TEST(Files, ReplaceNeverCreatesAndKeepsItPrivate) {
    TempHome home;
    const platform::SystemPath path(home.scratch() + "/t.tsk");
    EXPECT_EQ(platform::replaceFileContent(path, "ab", 2), platform::WriteResult::Missing);
    EXPECT_FALSE(exists(path.str()));
    ASSERT_TRUE(platform::createEmptyFile(path));
    EXPECT_EQ(platform::replaceFileContent(path, "ab", 2), platform::WriteResult::Ok);
    EXPECT_EQ(readFile(path.str()), "ab");
    EXPECT_EQ(std::filesystem::status(path.str()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    // A replace not forced to the disk leaves the old content beside it until the next forced
    // one; a crash in between leaves it to the clean-up at start-up.
    const auto besides = [&] {
        size_t n = 0;
        for (const auto& entry : std::filesystem::directory_iterator(home.scratch()))
            n += entry.path().filename() != "t.tsk";
        return n;
    };
    for (const bool crash : {false, true}) {
        SCOPED_TRACE(crash ? "crash" : "forced replace");
        EXPECT_EQ(platform::replaceFileContent(path, "cd", 2, platform::Flush::ToFileSystem),
                  platform::WriteResult::Ok);
        EXPECT_EQ(readFile(path.str()), "cd");
        EXPECT_LE(besides(), 1u);
        if (crash)
            platform::removeStaleReplacements(path);
        else
            EXPECT_EQ(platform::replaceFileContent(path, "ef", 2), platform::WriteResult::Ok);
        EXPECT_EQ(readFile(path.str()), crash ? "cd" : "ef");
        EXPECT_EQ(besides(), 0u);
    }
}

TEST(Files, WriteNewFileNeverOverwrites) {
    TempHome home;
    const platform::SystemPath path(home.scratch() + "/about.txt");
    EXPECT_EQ(platform::writeNewFile(path, "one", 3), platform::CreateResult::Ok);
    EXPECT_EQ(platform::writeNewFile(path, "two", 3), platform::CreateResult::Exists);
    EXPECT_EQ(readFile(path.str()), "one");
    EXPECT_EQ(platform::writeNewFile(platform::SystemPath(home.scratch() + "/none/x"), "a", 1),
              platform::CreateResult::OpenFailed);
}

TEST(Events, FirstSignalledInListOrderWins) {
    platform::ManualResetEvent run, stop;
    EXPECT_EQ(platform::waitForAny({&run, &stop}, 0), -1);
    stop.set();
    EXPECT_EQ(platform::waitForAny({&run, &stop}, 0), 1);
    run.set();
    EXPECT_EQ(platform::waitForAny({&run, &stop}, 0), 0); // run listed first
    run.reset();
    EXPECT_EQ(platform::waitForAny({&run, &stop}, 0), 1);
    EXPECT_TRUE(stop.isSet()); // manual reset: waiting does not clear it
}

TEST(Events, AWaitingThreadWakesWhenSet) {
    platform::ManualResetEvent run, stop;
    std::atomic<int> seen{-2};
    std::thread waiter([&] { seen = platform::waitForAny({&run, &stop}); });
    stop.set();
    waiter.join();
    EXPECT_EQ(seen.load(), 1);
}

} // namespace
