// The autostart entry that the start-up command writes is a valid desktop entry whose Exec line
// starts exactly the program it was made for, whatever characters that program's path holds.

#include "command.h"
#include "installed_files.h"
#include "platform/startup_link.h"
#include "support/task_builders.h"
#include "support/temp_home.h"

#include <gio/gdesktopappinfo.h>
#include <gtest/gtest.h>

using namespace package_test;
using namespace testing_support;

namespace {

struct PathCase {
    const char* name;
    const char* folder; // UTF-8, under the scratch folder
};

void PrintTo(const PathCase& c, std::ostream* os) {
    *os << c.name;
}

class StartupEntry : public ::testing::TestWithParam<PathCase> {
protected:
    TempHome home;
};

TEST_P(StartupEntry, IsValidAndStartsTheProgram) {
    const std::string folder = home.scratch() + "/" + GetParam().folder;
    makeDirs(folder);
    const std::string program = folder + "/chorelin";
    // The stand-in program records how it was called, so the test sees what a session starts.
    writeFile(program, "#!/bin/sh\nprintf '%s' \"$0\" > \"$CHORELIN_STARTED\"\n", 0755);
    makeDirs(home.autostartDir());
    const std::string link = home.autostartDir() + "/Chorelin.desktop";

    ASSERT_TRUE(
        platform::createStartupLink(platform::SystemPath(link), platform::SystemPath(program)));

    const CommandResult validated = runCommand({"desktop-file-validate", link});
    EXPECT_EQ(validated.exitCode, 0) << validated.output << readFile(link);
    EXPECT_EQ(validated.output, "") << readFile(link);
    EXPECT_EQ(desktopValue(link, "Icon"), "chorelin");
    EXPECT_EQ(execProgram(link, ""), program) << readFile(link);

    // GLib 2.74 looks the program up before it expands "%%", so it cannot load an entry for a
    // path with "%" at all; readers that follow the desktop entry rules expand it as checked
    // above.
    if (program.find('%') != std::string::npos)
        return;
    // Start the entry the way a GNOME session does, through GIO's desktop entry launcher, which
    // expands field codes and unquotes the Exec line.
    const std::string marker = home.scratch() + "/started";
    setenv("CHORELIN_STARTED", marker.c_str(), 1);
    GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(link.c_str());
    ASSERT_NE(info, nullptr) << readFile(link);
    GError* error = nullptr;
    const bool launched = g_app_info_launch(G_APP_INFO(info), nullptr, nullptr, &error);
    EXPECT_TRUE(launched) << (error ? error->message : "");
    g_clear_error(&error);
    g_object_unref(info);
    if (launched) {
        EXPECT_TRUE(waitFor([&] { return !readFile(marker).empty(); }, std::chrono::seconds(10)));
        EXPECT_EQ(readFile(marker), program);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, StartupEntry,
    ::testing::Values(PathCase{"Plain", "usr/bin"}, PathCase{"Blank", "my programs"},
                      PathCase{"ShellCharacters", "a$b`c\\d\"e'f"}, PathCase{"Japanese", "予定表"},
                      PathCase{"Percent", "100%done"}),
    [](const ::testing::TestParamInfo<PathCase>& info) { return std::string(info.param.name); });

} // namespace
