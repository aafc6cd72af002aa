// The built Debian package, when there is one: its control fields, its files, and the program
// extracted from it. Building the package takes minutes, so these tests never build it; they
// check the package named by CHORELIN_DEB, else the one scripts/package leaves in
// build-package/, and are skipped when neither exists.

#include "command.h"
#include "installed_files.h"
#include "support/temp_home.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sstream>

using namespace package_test;
using namespace testing_support;

namespace {

std::string findPackage() {
    if (const char* named = std::getenv("CHORELIN_DEB"); named && *named)
        return named;
    std::error_code ec;
    const std::string prefix = "chorelin_" CHORELIN_VERSION "_";
    for (const auto& entry :
         std::filesystem::directory_iterator(CHORELIN_SOURCE_DIR "/build-package", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0 && entry.path().extension() == ".deb")
            return entry.path().string();
    }
    return std::string();
}

std::string field(const std::string& deb, const std::string& name) {
    const CommandResult r = runCommand({"dpkg-deb", "-f", deb, name});
    std::string value = r.exitCode == 0 ? r.output : std::string();
    while (!value.empty() && value.back() == '\n')
        value.pop_back();
    return value;
}

// Package names of a Depends-style field, without versions or alternatives' markup.
std::set<std::string> packageNames(const std::string& relation) {
    std::set<std::string> names;
    std::string token;
    std::istringstream in(relation);
    while (std::getline(in, token, ',')) {
        std::istringstream alternatives(token);
        std::string alt;
        while (std::getline(alternatives, alt, '|')) {
            std::istringstream words(alt);
            std::string name;
            if (words >> name)
                names.insert(name.substr(0, name.find(':')));
        }
    }
    return names;
}

class DebPackage : public ::testing::Test {
protected:
    void SetUp() override {
        deb = findPackage();
        if (deb.empty())
            GTEST_SKIP() << "no package: run scripts/package or set CHORELIN_DEB";
        ASSERT_TRUE(exists(deb)) << deb;
        if (!haveProgram("dpkg-deb"))
            GTEST_SKIP() << "dpkg-deb is not installed";
    }

    void extract() {
        const CommandResult r = runCommand({"dpkg-deb", "-x", deb, root});
        ASSERT_EQ(r.exitCode, 0) << r.output;
    }

    TempHome home;
    std::string deb;
    std::string root = home.scratch() + "/root";
};

TEST_F(DebPackage, ControlFieldsNameThePackage) {
    const struct {
        const char* name;
        const char* expected;
    } rows[] = {
        {"Package", "chorelin"},
        {"Version", CHORELIN_VERSION},
        {"Section", "utils"},
        {"Priority", "optional"},
        {"Maintainer", "Marrowby <chorelin@example.invalid>"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(field(deb, row.name), row.expected) << row.name;
    EXPECT_FALSE(field(deb, "Description").empty());
    EXPECT_FALSE(field(deb, "Architecture").empty());
    for (const char* recommended : {"fonts-ipafont-gothic", "qt6-wayland"})
        EXPECT_EQ(packageNames(field(deb, "Recommends")).count(recommended), 1u) << recommended;
}

TEST_F(DebPackage, DependsOnTheRuntimePackagesOnly) {
    const std::set<std::string> depends = packageNames(field(deb, "Depends"));
    for (const char* needed : {"libqt6widgets6", "libqt6gui6", "libqt6core6", "libglib2.0-0",
                               "qt6-qpa-plugins", "libqt6svg6", "libc6", "libstdc++6",
                               "libqt6dbus6", "libsqlite3-0", "qt6-translations-l10n"})
        EXPECT_EQ(depends.count(needed), 1u) << "Depends lacks " << needed;
    for (const std::string& name : depends) {
        EXPECT_EQ(name.find("-dev"), std::string::npos) << name;
        EXPECT_NE(name, "fonts-ipafont-gothic") << "a font is recommended, not required";
    }
}

// Every library the packaged program is linked with comes from a package it depends on.
TEST_F(DebPackage, EveryLinkedLibraryIsCoveredByDepends) {
    if (!haveProgram("objdump") || !haveProgram("dpkg"))
        GTEST_SKIP() << "objdump or dpkg is not installed";
    extract();
    const std::set<std::string> depends = packageNames(field(deb, "Depends"));
    const std::string program = root + "/usr/bin/chorelin";
    const CommandResult dump = runCommand({"objdump", "-p", program});
    ASSERT_EQ(dump.exitCode, 0) << dump.output;
    std::istringstream lines(dump.output);
    std::string line;
    int libraries = 0;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string tag, library;
        if (!(words >> tag >> library) || tag != "NEEDED")
            continue;
        ++libraries;
        // dpkg knows a library by the path its package installed; with the merged /usr the
        // same file is reachable under /lib too, so ask for its name in either folder.
        const CommandResult owner = runCommand({"dpkg", "-S", "*/" + library});
        ASSERT_EQ(owner.exitCode, 0) << library << ": " << owner.output;
        const std::string package = owner.output.substr(0, owner.output.find_first_of(":,"));
        EXPECT_EQ(depends.count(package), 1u)
            << library << " comes from " << package << ", which Depends lacks";
    }
    EXPECT_GT(libraries, 0);
}

TEST_F(DebPackage, HoldsTheInstalledFilesUnderUsr) {
    extract();
    checkInstalledFiles(root + "/usr");
}

// The packaged program has the hardening Debian's packages have, as hardening-check (devscripts,
// installed by scripts/package) sees it: position independent, stack protected, fortified,
// read-only relocations, immediate binding.
TEST_F(DebPackage, ProgramPassesHardeningCheck) {
    if (!haveProgram("hardening-check"))
        GTEST_SKIP() << "hardening-check is not installed (devscripts): run scripts/package";
    extract();
    // Control-flow protection is asked of the compiler, but the C library's start files of
    // Debian 12 carry no CET note, so no program linked there can show it.
    const CommandResult r =
        runCommand({"hardening-check", "--nocfprotection", root + "/usr/bin/chorelin"});
    EXPECT_EQ(r.exitCode, 0) << r.output;
}

TEST_F(DebPackage, ExtractedProgramRunsOffscreenAndEndsWithZero) {
    extract();
    checkProgramRuns(root + "/usr/bin/chorelin", home.scratch());
}

} // namespace
