// Getting ready ahead of a start: a program's file is read within the bound asked, a FIFO or a
// missing file costs nothing, and a rehearsed creation leaves no entry, wherever a link leads.

#include "platform/read_ahead.h"
#include "platform/trusted_folder.h"
#include "support/task_builders.h"
#include "support/temp_home.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>

using namespace testing_support;

namespace {

TEST(ReadAhead, ReadsWithinItsBoundAndLeavesFoldersAsTheyWere) {
    TempHome home;
    const std::string folder = home.scratch() + "/タスク";
    const std::string linked = home.scratch() + "/elsewhere";
    std::filesystem::create_directories(linked);
    std::filesystem::create_directory(folder);
    writeFile(folder + "/job.sh", std::string(100000, 'x'), 0755);
    ASSERT_EQ(::mkfifo((folder + "/pipe").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", folder + "/device"); // never opened
    const std::string cp = home.scratch() + "/" + cp932("タスク");
    for (const auto& [name, touch, read] :
         std::vector<std::tuple<std::string, size_t, size_t>>{{"job.sh", 4096, 4096},
                                                              {"job.sh", 1 << 20, 100000},
                                                              {"pipe", 4096, 0},
                                                              {"device", 4096, 0},
                                                              {"missing", 4096, 0}})
        EXPECT_EQ(platform::readAhead(cp + "/" + name, touch), read) << name << " " << touch;

    // The task file's folder, also through a link from another folder; the output folder.
    std::filesystem::create_symlink(folder + "/chorelin.tsk", linked + "/chorelin.tsk");
    platform::FolderOpening output = platform::TrustedFolder::open(home.scratch() + "/output");
    ASSERT_EQ(output.status, platform::FolderOpening::Status::Opened);
    const auto entries = [&] {
        std::set<std::filesystem::path> all;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(home.scratch()))
            all.insert(entry.path());
        return all;
    };
    const auto before = entries();
    platform::rehearseReplace(platform::SystemPath(folder + "/chorelin.tsk"));
    platform::rehearseReplace(platform::SystemPath(linked + "/chorelin.tsk"));
    output.folder->rehearseCreate();
    EXPECT_EQ(entries(), before);
}

} // namespace
