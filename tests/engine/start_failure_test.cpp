// The texts of failed starts, from the error of a real start: what is missing is named, the
// program, or the interpreter on a script's first line.

#include "engine/start_failure.h"
#include "platform/process.h"
#include "support/task_builders.h"
#include "support/temp_home.h"

#include <cerrno>
#include <gtest/gtest.h>

using namespace testing_support;

TEST(StartFailure, NamesWhatIsMissingOrWrong) {
    TempHome home;
    const std::string dir = home.scratch();
    writeFile(dir + "/python9.sh", "#!/usr/bin/python9 -u\nprint()\n", 0755);
    writeFile(dir + "/plain.sh", "echo no first line\n", 0755);
    writeFile(dir + "/locked.sh", "#!/bin/sh\n", 0644);
    const struct {
        std::string program;
        const char* code;
        std::string text;
    } cases[] = {
        {dir + "/gone", "ENOENT", "実行ファイルが見つかりません: " + dir + "/gone"},
        {dir + "/python9.sh", "ENOENT",
         "スクリプトの 1 行目にあるプログラムがありません: /usr/bin/python9"},
        {dir + "/plain.sh", "ENOEXEC",
         "実行できる形式のファイルではありません: " + dir + "/plain.sh"},
        {dir + "/locked.sh", "EACCES",
         "実行ファイルを実行する権限がありません: " + dir + "/locked.sh"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program);
        const platform::SpawnResult spawned = platform::spawnProcess(c.program, "");
        ASSERT_FALSE(spawned.started);
        const StartFailure failure = describeStartFailure(spawned.error, c.program);
        EXPECT_EQ(failure.code, c.code);
        EXPECT_EQ(failure.text, c.text);
    }
    // An error without a text of its own still says which.
    EXPECT_EQ(describeStartFailure(EIO, "/x").code, "E" + std::to_string(EIO));
}
