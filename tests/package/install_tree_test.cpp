// `cmake --install` of the current build tree into a private DESTDIR: the files it lays out, and
// the installed program started from there.

#include "command.h"
#include "installed_files.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

using namespace package_test;
using testing_support::TempHome;

namespace {

class InstallTree : public ::testing::Test {
  protected:
    void SetUp() override {
        const CommandResult installed = runCommand(
            {CHORELIN_CMAKE_COMMAND, "--install", CHORELIN_BINARY_DIR, "--prefix", "/usr"},
            {"DESTDIR=" + root});
        ASSERT_EQ(installed.exitCode, 0) << installed.output;
    }

    TempHome home;
    std::string root = home.scratch() + "/root";
    std::string prefix = root + "/usr";
};

TEST_F(InstallTree, LaysOutProgramMenuEntryIconsAndManual) {
    checkInstalledFiles(prefix);
}

TEST_F(InstallTree, MenuEntryNamesTheProgramInBothLanguages) {
    const std::string entry = prefix + "/share/applications/chorelin.desktop";
    const struct {
        const char* key;
        const char* expected; // nullptr: present and not empty
    } rows[] = {
        {"Type", "Application"}, {"Name", "Chorelin"},       {"Name[ja]", nullptr},
        {"Comment", nullptr},    {"Comment[ja]", nullptr},   {"Exec", "chorelin"},
        {"Icon", "chorelin"},    {"StartupNotify", nullptr}, {"Terminal", "false"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.key);
        const std::string value = desktopValue(entry, row.key);
        if (row.expected)
            EXPECT_EQ(value, row.expected);
        else
            EXPECT_FALSE(value.empty());
    }
    EXPECT_NE(desktopValue(entry, "Comment"), desktopValue(entry, "Comment[ja]"));
    // A main category, so that menus file it somewhere rather than under "Other".
    EXPECT_NE(desktopValue(entry, "Categories").find("Utility;"), std::string::npos);
}

TEST_F(InstallTree, InstalledProgramRunsOffscreenAndEndsWithZero) {
    checkProgramRuns(prefix + "/bin/chorelin", home.scratch());
}

} // namespace
