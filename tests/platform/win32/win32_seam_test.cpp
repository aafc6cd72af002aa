// The Windows side of the platform seam against the real services (under Wine when
// cross-built): known folders, the registry, the named mutex, trust by owner and DACL, and
// processes in their job objects.

#include "platform/association.h"
#include "platform/file_trust.h"
#include "platform/files.h"
#include "platform/instance_lock.h"
#include "platform/paths.h"
#include "platform/private_file.h"
#include "platform/process.h"
#include "platform/settings_files.h"
#include "platform/settings_values.h"
#include "platform/startup_link.h"
#include "platform/state_files.h"
#include "platform/text_codec.h"
#include "support/temp_home.h"
#include "support/win32_test_paths.h"

#include <aclapi.h>
#include <sddl.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <io.h>
#include <sys/stat.h>
#include <thread>

using platform::FileTrust;
using platform::SystemPath;
using testing_support::daclOf;
using testing_support::eventually;
using testing_support::setDacl;
using testing_support::TempHome;
using testing_support::wide;
using testing_support::windowsPath;

namespace {

class Win32Seam : public ::testing::Test {
protected:
    TempHome home;
};

TEST_F(Win32Seam, SpecialFoldersAreTheKnownFoldersOfTheUser) {
    struct Case {
        const char* what;
        std::string actual;
        std::string expected;
    };
    const Case cases[] = {
        {"documents", platform::documentsFolder().value_or(SystemPath()).str(), home.documents()},
        {"start-up entry", platform::startupLinkPath().str(),
         home.autostartDir() + "/Chorelin.lnk"},
        {"state folder", platform::stateFolder("chorelin").value_or(""),
         home.root() + "/state/chorelin"},
        {"settings folder", platform::settingsFolder(), home.configHome() + "/Marrowby"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.actual, c.expected) << c.what;
    const std::string program = platform::programPath().value_or(SystemPath()).str();
    EXPECT_EQ(program.substr(program.size() - 4), ".exe");
    EXPECT_EQ(program.find('\\'), std::string::npos) << "system paths use '/' between parts";
}

TEST_F(Win32Seam, SplitPathNeverCutsADoubleByteCharacter) {
    // "表" is 0x95 0x5C in cp932: its trail byte is the backslash.
    const std::string hyou = platform::utf8ToCp932("表").value();
    ASSERT_EQ(hyou, "\x95\x5C");
    struct Case {
        std::string path, folder, base, extension;
    };
    const Case cases[] = {
        {"C:\\tools\\run.bat", "C:\\tools\\", "run", ".bat"},
        {"C:\\" + hyou + "\\a.txt", "C:\\" + hyou + "\\", "a", ".txt"},
        {"C:\\dir\\" + hyou, "C:\\dir\\", hyou, ""},
        {"C:\\dir\\" + hyou + ".csv", "C:\\dir\\", hyou, ".csv"},
        {"C:/mixed/name.tar.gz", "C:/mixed/", "name.tar", ".gz"},
        {"plain", "", "plain", ""},
    };
    for (const Case& c : cases) {
        const platform::PathParts parts = platform::splitPath(c.path);
        EXPECT_EQ(parts.folder, c.folder) << c.path;
        EXPECT_EQ(parts.baseName, c.base) << c.path;
        EXPECT_EQ(parts.extension, c.extension) << c.path;
    }
}

TEST_F(Win32Seam, SettingsLiveInTheRegistryKeyOfTheOrganisation) {
    platform::SettingsValues& values = platform::userSettings();
    EXPECT_FALSE(values.open()) << "a store never written has no key";
    const std::string schedule = platform::utf8ToCp932("毎週～月曜日").value();
    ASSERT_TRUE(values.writeInt("DefaultInterval", 15));
    ASSERT_TRUE(values.writeText("DefaultSchedule", schedule));
    ASSERT_TRUE(values.flush());

    EXPECT_TRUE(values.open());
    EXPECT_EQ(values.readInt("DefaultInterval"), 15);
    EXPECT_EQ(values.readText("DefaultSchedule"), schedule);
    EXPECT_FALSE(values.readInt("Missing").has_value());

    DWORD number = 0, size = sizeof number;
    EXPECT_EQ(::RegGetValueW(HKEY_CURRENT_USER, L"Software\\Marrowby\\Chorelin", L"DefaultInterval",
                             RRF_RT_ANY, nullptr, &number, &size),
              ERROR_SUCCESS);
    wchar_t text[64] = {};
    size = sizeof text;
    ASSERT_EQ(::RegGetValueW(HKEY_CURRENT_USER, L"Software\\Marrowby\\Chorelin", L"DefaultSchedule",
                             RRF_RT_REG_SZ, nullptr, text, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(text), L"毎週～月曜日");
}

TEST_F(Win32Seam, OneInstanceHoldsTheNamedMutex) {
    const SystemPath folder(home.documents());
    using Status = platform::InstanceLock::Status;
    Status status = Status::Failed;
    auto first = platform::InstanceLock::acquire(folder, "Chorelin.Mutex", status);
    ASSERT_TRUE(first);
    EXPECT_EQ(status, Status::Acquired);

    HANDLE seen = ::OpenMutexW(SYNCHRONIZE, FALSE, L"Chorelin.Mutex");
    EXPECT_NE(seen, nullptr) << "the mutex carries the name other programs look for";
    if (seen)
        ::CloseHandle(seen);

    EXPECT_FALSE(platform::InstanceLock::acquire(folder, "Chorelin.Mutex", status));
    EXPECT_EQ(status, Status::HeldElsewhere);
    first.reset();
    EXPECT_TRUE(platform::InstanceLock::acquire(folder, "Chorelin.Mutex", status));
    EXPECT_EQ(status, Status::Acquired);

    EXPECT_FALSE(platform::InstanceLock::acquire(folder.child("gone"), "Chorelin.Mutex", status));
    EXPECT_EQ(status, Status::FolderMissing);
}

TEST_F(Win32Seam, TrustFollowsTheOwnerAndTheDacl) {
    // Full access for this user (OW: the owner) and the system; the cases add writers.
    struct Case {
        const char* what;
        const wchar_t* fileDacl;   // nullptr: as created
        const wchar_t* folderDacl; // nullptr: as created
        FileTrust expected;
        const wchar_t* kept; // what the DACL must hold once set, else the row is moot
    };
    const Case cases[] = {
        {"private file", nullptr, nullptr, FileTrust::Trusted, nullptr},
        {"everyone may write the file", L"D:P(A;;FA;;;OW)(A;;FA;;;WD)", nullptr,
         FileTrust::FileWritableByOthers, L";WD)"},
        {"users may write the file", L"D:P(A;;FA;;;OW)(A;;FW;;;BU)", nullptr,
         FileTrust::FileWritableByOthers, L";BU)"},
        {"everyone may only read the file", L"D:P(A;;FA;;;OW)(A;;FR;;;WD)", nullptr,
         FileTrust::Trusted, nullptr},
        {"administrators may write the file", L"D:P(A;;FA;;;OW)(A;;FA;;;BA)(A;;FA;;;SY)", nullptr,
         FileTrust::Trusted, nullptr},
        {"everyone may add files to the folder", nullptr, L"D:P(A;OICI;FA;;;OW)(A;;0x100002;;;WD)",
         FileTrust::FolderWritableByOthers, L";WD)"},
    };
    // Wine keeps a DACL only as far as the Unix mode bits can hold it: a grant to a group other
    // than everybody does not survive there, and such a row proves nothing.
    int n = 0, judged = 0;
    for (const Case& c : cases) {
        const std::string folder = home.scratch() + "/case" + std::to_string(n++);
        testing_support::makeDirs(folder);
        const std::string file = folder + "/Chorelin.tsk";
        ASSERT_TRUE(platform::createEmptyFile(SystemPath(file))) << c.what;
        if (c.fileDacl) {
            ASSERT_TRUE(setDacl(file, c.fileDacl)) << c.what;
        }
        if (c.folderDacl) {
            ASSERT_TRUE(setDacl(folder, c.folderDacl)) << c.what;
        }
        const std::wstring kept = daclOf(c.folderDacl ? folder : file);
        if (c.kept && kept.find(c.kept) == std::wstring::npos) {
            std::printf("not kept by this file system: %s\n", c.what);
            continue;
        }
        ++judged;
        EXPECT_EQ(platform::checkPrivateFile(SystemPath(file)), c.expected) << c.what;
    }
    EXPECT_GE(judged, 4) << "too few rows could be set up to judge anything";
}

TEST_F(Win32Seam, ProgramsAndBatchFilesStartFromRecordPaths) {
    // Record paths are cp932: a folder named with "～" (0x81 0x60) and "表" (trail byte '\').
    const std::string folder = home.scratch() + "/書類～表";
    testing_support::makeDirs(folder);
    std::filesystem::copy_file(std::filesystem::path(wide(windowsPath(CHORELIN_TEST_SLEEPER))),
                               std::filesystem::path(wide(windowsPath(folder + "/sleeper.exe"))));
    testing_support::writeFile(folder + "/job.bat", "@echo off\r\nexit /b 5\r\n");
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE stray = ::CreateEventW(&inheritable, TRUE, FALSE, nullptr);
    struct Case {
        std::string program, argument;
        int exitCode;
        std::string output; // what the program wrote to its standard output
    };
    const Case cases[] = {
        {folder + "/sleeper.exe", "exit:4", 4, "sleeper says hello\n"},
        {folder + "/job.bat", "", 5, ""},
        {CHORELIN_TEST_SLEEPER, "exit:0", 0, "sleeper says hello\n"},
        // An inheritable handle of this process that is not the program's own stays here.
        {CHORELIN_TEST_SLEEPER, "inherits:" + std::to_string(::HandleToLong(stray)), 0, ""},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string out = home.scratch() + "/out" + std::to_string(n++) + ".txt";
        const int fd =
            ::_open(out.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT,
                    _S_IREAD | _S_IWRITE);
        ASSERT_GE(fd, 0);
        const std::string record = platform::utf8ToCp932(windowsPath(c.program)).value();
        const platform::SpawnResult spawned = platform::spawnProcess(record, c.argument, fd);
        ::_close(fd);
        ASSERT_TRUE(spawned.started) << c.program << " " << spawned.error;
        EXPECT_GT(spawned.pid, 0);
        EXPECT_EQ(platform::waitForAnyProcess({spawned.handle}, 20000), 0) << c.program;
        platform::ProcessEnd end;
        EXPECT_EQ(platform::collectProcess(spawned.handle, end), platform::ProcessState::Ended);
        EXPECT_EQ(end.how, platform::ProcessEnd::How::Exited);
        EXPECT_EQ(end.value, c.exitCode) << c.program;
        platform::closeHandle(spawned.handle);
        EXPECT_EQ(testing_support::readFile(out), c.output) << c.program;
    }
    ::CloseHandle(stray);
}

TEST_F(Win32Seam, DocumentsWithoutAProgramSayWhy) {
    testing_support::writeFile(home.scratch() + "/data.unknownext", "?");
    struct Case {
        std::string path;
        int expected;
    };
    const Case cases[] = {
        {home.scratch() + "/data.unknownext", platform::AssocNoAssociation},
        {home.scratch() + "/absent.txt", platform::AssocFileNotFound},
        {home.scratch() + "/absent/memo.txt", platform::AssocPathNotFound},
    };
    for (const Case& c : cases) {
        std::string program;
        EXPECT_EQ(platform::findAssociatedProgram(windowsPath(c.path), program), c.expected)
            << c.path;
        EXPECT_TRUE(program.empty()) << c.path;
    }
    EXPECT_TRUE(platform::isExecutableImage(windowsPath(CHORELIN_TEST_SLEEPER)));
    EXPECT_FALSE(platform::isExecutableImage(windowsPath(home.scratch() + "/data.unknownext")));
}

TEST_F(Win32Seam, AMissingProgramIsNotStarted) {
    const platform::SpawnResult spawned =
        platform::spawnProcess(windowsPath(home.scratch() + "/none.exe"), "");
    EXPECT_FALSE(spawned.started);
    EXPECT_NE(spawned.error, 0);
}

TEST_F(Win32Seam, EndingATaskEndsWhatItStartedInItsJob) {
    const std::string marker = home.scratch() + "/grandchild";
    const platform::SpawnResult spawned =
        platform::spawnProcess(windowsPath(CHORELIN_TEST_SLEEPER), windowsPath(marker));
    ASSERT_TRUE(spawned.started) << spawned.error;
    // The grandchild tells its id once it runs.
    ASSERT_TRUE(eventually([&] { return !testing_support::readFile(marker + ".child").empty(); }));
    const DWORD grandchildId = std::stoul(testing_support::readFile(marker + ".child"));
    HANDLE grandchild = ::OpenProcess(SYNCHRONIZE, FALSE, grandchildId);
    ASSERT_NE(grandchild, nullptr);

    EXPECT_EQ(platform::waitForAnyProcess({spawned.handle}, 100), -1) << "still running";
    bool endedBefore = true;
    platform::terminateProcess(spawned.handle, spawned.pid, &endedBefore);
    EXPECT_FALSE(endedBefore);
    platform::ProcessEnd end;
    EXPECT_EQ(platform::collectProcess(spawned.handle, end), platform::ProcessState::Ended);
    EXPECT_EQ(::WaitForSingleObject(grandchild, 10000), WAIT_OBJECT_0)
        << "the program's own child ends with it";
    ::CloseHandle(grandchild);
    platform::closeHandle(spawned.handle);
}

TEST_F(Win32Seam, WaitingFindsTheFirstEndedOfMoreThanSixtyFourProcesses) {
    // 70 handles: the ended one lies in the second group of 64.
    std::vector<HANDLE> events;
    std::vector<int> handles;
    for (int i = 0; i < 70; ++i) {
        events.push_back(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        handles.push_back(static_cast<int>(::HandleToLong(events.back())));
    }
    EXPECT_EQ(platform::waitForAnyProcess(handles, 50), -1);
    std::thread later([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ::SetEvent(events[66]);
    });
    EXPECT_EQ(platform::waitForAnyProcess(handles, 10000), 66);
    later.join();
    ::SetEvent(events[3]);
    EXPECT_EQ(platform::waitForAnyProcess(handles, 0), 3) << "list order decides";
    for (HANDLE e : events)
        ::CloseHandle(e);
}

TEST_F(Win32Seam, TheTaskFileIsReplacedAtomicallyAndReadOnlyStaysAsItIs) {
    const SystemPath file(home.documents() + "/Chorelin.tsk");
    testing_support::writeFile(file.str(), "old");
    EXPECT_EQ(platform::replaceFileContent(file, "new content", 11), platform::WriteResult::Ok);
    EXPECT_EQ(testing_support::readFile(file.str()), "new content");

    platform::setWriteFaultAfter(3);
    EXPECT_EQ(platform::replaceFileContent(file, "doomed write", 12),
              platform::WriteResult::ShortWrite);
    platform::setWriteFaultAfter(-1);
    EXPECT_EQ(testing_support::readFile(file.str()), "new content")
        << "the old content stays whole";
    EXPECT_EQ(platform::removeStaleReplacements(file), 0) << "a failed replace leaves nothing";

    testing_support::writeFile(file.str(), "frozen", 0444);
    EXPECT_EQ(platform::replaceFileContent(file, "x", 1), platform::WriteResult::ReadOnly);
    EXPECT_EQ(platform::replaceFileContent(SystemPath(home.documents() + "/none.tsk"), "x", 1),
              platform::WriteResult::Missing);
}

TEST_F(Win32Seam, AStartUpLinkIsAShellLinkToTheProgram) {
    const SystemPath link = platform::startupLinkPath();
    const SystemPath program = platform::programPath().value();
    ASSERT_TRUE(platform::createStartupLink(link, program));
    const std::string bytes = testing_support::readFile(link.str());
    // A shell link starts with its header size 0x4C and the link class id.
    ASSERT_GE(bytes.size(), 20u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x4C\0\0\0", 4));
}

} // namespace
