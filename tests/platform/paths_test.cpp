// Special folders follow the user's XDG settings and are created when missing.

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/startup_link.h"
#include "support/temp_home.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

TEST(Paths, DocumentsFolderFollowsUserDirsAndIsCreated) {
    TempHome home;
    writeFile(home.configHome() + "/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/書類\"\n");
    const std::optional<platform::SystemPath> docs = platform::documentsFolder();
    ASSERT_TRUE(docs);
    EXPECT_EQ(docs->str(), home.home() + "/書類");
    EXPECT_TRUE(std::filesystem::is_directory(home.home() + "/書類"));
}

TEST(Paths, DocumentsFolderDefaultsToHomeDocuments) {
    TempHome home;
    EXPECT_EQ(platform::documentsFolder(), platform::SystemPath(home.documents()));
}

TEST(Paths, StartupFolderIsTheAutostartFolder) {
    TempHome home;
    EXPECT_EQ(platform::startupFolder(), platform::SystemPath(home.autostartDir()));
    EXPECT_TRUE(std::filesystem::is_directory(home.autostartDir()));
    EXPECT_EQ(platform::startupLinkPath().str(), home.autostartDir() + "/Chorelin.desktop");
}

TEST(Paths, ProgramPathIsThisExecutable) {
    const std::optional<platform::SystemPath> program = platform::programPath();
    ASSERT_TRUE(program);
    EXPECT_EQ(program->str(), std::filesystem::canonical("/proc/self/exe").string());
}

TEST(Paths, SplitPath) {
    struct Case {
        const char* path;
        const char* folder;
        const char* base;
        const char* ext;
    } cases[] = {
        {"/usr/bin/chorelin", "/usr/bin/", "chorelin", ""},
        {"/a/b/report.final.TXT", "/a/b/", "report.final", ".TXT"},
        {"/a/.hidden", "/a/", ".hidden", ""},
        {"name.sh", "", "name", ".sh"},
    };
    for (const Case& c : cases) {
        const platform::PathParts parts = platform::splitPath(c.path);
        EXPECT_EQ(parts.folder, c.folder) << c.path;
        EXPECT_EQ(parts.baseName, c.base) << c.path;
        EXPECT_EQ(parts.extension, c.ext) << c.path;
    }
}

TEST(StartupLink, IsAnAutostartEntryThatRunsTheProgram) {
    TempHome home;
    const platform::SystemPath link = platform::startupLinkPath();
    ASSERT_TRUE(platform::createStartupLink(link, platform::SystemPath("/opt/my apps/chorelin")));
    const std::string entry = readFile(link.str());
    EXPECT_NE(entry.find("[Desktop Entry]\n"), std::string::npos);
    EXPECT_NE(entry.find("Type=Application\n"), std::string::npos);
    EXPECT_NE(entry.find("Exec=\"/opt/my apps/chorelin\"\n"), std::string::npos);
    // Creating it again replaces it instead of failing.
    EXPECT_TRUE(platform::createStartupLink(link, platform::SystemPath("/usr/bin/chorelin")));
    EXPECT_NE(readFile(link.str()).find("Exec=\"/usr/bin/chorelin\"\n"), std::string::npos);
}

} // namespace
