// A document task opens with the program the desktop would choose: in a private XDG set-up, what
// findAssociatedProgram returns is the Exec program of the application that `gio mime` names as
// the default for the document's content type (GIO is also what xdg-open uses on GNOME-like
// desktops; `gio info` tells the content type).

#include "command.h"
#include "installed_files.h"
#include "platform/association.h"
#include "support/temp_home.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <vector>

using namespace package_test;
using namespace testing_support;

namespace {

struct App {
    const char* id;       // desktop file name
    const char* exec;     // Exec line; "{bin}" is the test's own program folder
    const char* mimeType; // MimeType line, may be empty
};

struct AssociationCase {
    const char* name;
    std::vector<App> apps;
    const char* mimeapps; // contents of $XDG_CONFIG_HOME/mimeapps.list, may be empty
    const char* document; // file name; its contents follow
    const char* contents;
    const char* expectedApp; // the application gio must name; empty: none
};

std::string replaceBin(std::string text, const std::string& bin) {
    for (size_t at; (at = text.find("{bin}")) != std::string::npos;)
        text.replace(at, 5, bin);
    return text;
}

// The line "Default application for 'type': id.desktop", or nothing.
std::string defaultAppOf(const std::string& gioMimeOutput) {
    const std::string prefix = "Default application for ";
    const size_t at = gioMimeOutput.find(prefix);
    if (at == std::string::npos)
        return std::string();
    const size_t end = gioMimeOutput.find('\n', at);
    const std::string line = gioMimeOutput.substr(at, end - at);
    const size_t colon = line.rfind(": ");
    return colon == std::string::npos ? std::string() : line.substr(colon + 2);
}

void PrintTo(const AssociationCase& c, std::ostream* os) {
    *os << c.name;
}

class Association : public ::testing::TestWithParam<AssociationCase> {
  protected:
    void SetUp() override {
        if (!haveProgram("gio") || !haveProgram("update-desktop-database"))
            GTEST_SKIP() << "gio (libglib2.0-bin) or desktop-file-utils is not installed";
        // Only the MIME database of the system is visible; its applications and its default
        // lists are not, so the case's own entries alone decide.
        const std::string systemData = home.root() + "/system-data";
        makeDirs(systemData);
        std::filesystem::create_directory_symlink("/usr/share/mime", systemData + "/mime");
        makeDirs(home.root() + "/system-config");
        makeDirs(bin);
        setenv("XDG_DATA_DIRS", systemData.c_str(), 1);
        setenv("XDG_CONFIG_DIRS", (home.root() + "/system-config").c_str(), 1);
        unsetenv("XDG_CURRENT_DESKTOP");
        setenv("PATH", (bin + ":/usr/bin:/bin").c_str(), 1);
    }

    TempHome home;
    std::string bin = home.scratch() + "/bin";
};

TEST_P(Association, FindsTheProgramGioNamesAsDefault) {
    const AssociationCase& c = GetParam();
    for (const char* viewer : {"viewer-a", "viewer-b", "viewer-c"})
        writeFile(bin + "/" + viewer, "#!/bin/sh\nexit 0\n", 0755);
    writeFile(bin + "/not-executable", "#!/bin/sh\nexit 0\n", 0644);
    const std::string applications = home.dataHome() + "/applications";
    makeDirs(applications);
    for (const App& app : c.apps) {
        std::string entry = "[Desktop Entry]\nType=Application\nName=" + std::string(app.id) +
                            "\nExec=" + replaceBin(app.exec, bin) + "\n";
        if (*app.mimeType)
            entry += "MimeType=" + std::string(app.mimeType) + "\n";
        writeFile(applications + "/" + app.id, entry);
    }
    // Desktops learn an entry's MimeType from this cache, which packages refresh on install.
    const CommandResult cache = runCommand({"update-desktop-database", applications});
    ASSERT_EQ(cache.exitCode, 0) << cache.output;
    if (*c.mimeapps)
        writeFile(home.configHome() + "/mimeapps.list", c.mimeapps);
    const std::string document = home.scratch() + "/" + c.document;
    writeFile(document, c.contents);

    const CommandResult info =
        runCommand({"gio", "info", "-a", "standard::content-type", document}, {"LC_ALL=C"});
    ASSERT_EQ(info.exitCode, 0) << info.output;
    const std::string marker = "standard::content-type: ";
    const size_t at = info.output.find(marker);
    ASSERT_NE(at, std::string::npos) << info.output;
    const std::string type =
        info.output.substr(at + marker.size(), info.output.find('\n', at) - at - marker.size());
    const CommandResult mime = runCommand({"gio", "mime", type}, {"LC_ALL=C"});
    const std::string gioDefault = defaultAppOf(mime.output);
    // The set-up itself must be what the case means, or the comparison proves nothing.
    ASSERT_EQ(gioDefault, c.expectedApp) << type << "\n" << mime.output;

    std::string program;
    const int rc = platform::findAssociatedProgram(document, program);
    if (gioDefault.empty()) {
        EXPECT_EQ(rc, platform::AssocNoAssociation);
        return;
    }
    ASSERT_EQ(rc, platform::AssocFound) << mime.output;
    // Paths here are ASCII, so their cp932 and UTF-8 forms are the same.
    EXPECT_EQ(program, execProgram(applications + "/" + gioDefault, bin + ":/usr/bin:/bin"));
}

const char* const kText = "plain words\n";
const char* const kPng = "\x89PNG\r\n\x1a\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, Association,
    ::testing::Values(AssociationCase{"ChosenDefaultWins",
                                      {{"a.desktop", "{bin}/viewer-a %f", "text/plain;"},
                                       {"b.desktop", "{bin}/viewer-b %f", "text/plain;"}},
                                      "[Default Applications]\ntext/plain=b.desktop;\n",
                                      "notes.txt",
                                      kText,
                                      "b.desktop"},
                      AssociationCase{"OnlyApplicationForTheType",
                                      {{"a.desktop", "{bin}/viewer-a %U", "text/plain;"},
                                       {"c.desktop", "{bin}/viewer-c %f", "image/png;"}},
                                      "",
                                      "notes.txt",
                                      kText,
                                      "a.desktop"},
                      AssociationCase{"AddedAssociation",
                                      {{"c.desktop", "{bin}/viewer-c %f", ""}},
                                      "[Added Associations]\nimage/png=c.desktop;\n",
                                      "picture.png",
                                      kPng,
                                      "c.desktop"},
                      AssociationCase{"ProgramFoundInPath",
                                      {{"b.desktop", "viewer-b %f", "text/plain;"}},
                                      "[Default Applications]\ntext/plain=b.desktop;\n",
                                      "notes.txt",
                                      kText,
                                      "b.desktop"},
                      AssociationCase{"DefaultOfAnotherTypeOnly",
                                      {{"c.desktop", "{bin}/viewer-c %f", "image/png;"}},
                                      "[Default Applications]\nimage/png=c.desktop;\n",
                                      "notes.txt",
                                      kText,
                                      ""},
                      AssociationCase{"RemovedAssociation",
                                      {{"a.desktop", "{bin}/viewer-a %f", "text/plain;"}},
                                      "[Removed Associations]\ntext/plain=a.desktop;\n",
                                      "notes.txt",
                                      kText,
                                      ""},
                      AssociationCase{"ProgramNotExecutable",
                                      {{"a.desktop", "{bin}/not-executable %f", "text/plain;"}},
                                      "[Default Applications]\ntext/plain=a.desktop;\n",
                                      "notes.txt",
                                      kText,
                                      ""},
                      AssociationCase{"NoApplicationAtAll", {}, "", "notes.txt", kText, ""}),
    [](const ::testing::TestParamInfo<AssociationCase>& info) {
        return std::string(info.param.name);
    });

} // namespace
