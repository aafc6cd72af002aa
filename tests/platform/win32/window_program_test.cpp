// The seam's pieces of the window program on Windows: the system's messages it acts on, the
// console's requests to end, and text for a file (a pipe: the command-line suite).

#include "platform/console_control.h"
#include "platform/console_text.h"
#include "platform/system_message.h"
#include "support/temp_home.h"
#include "support/win32_test_paths.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>

using platform::SystemMessage;

namespace {

TEST(SystemMessages, OnlyTheWakeAndACertainEndOfTheSessionToOurWindowCount) {
    const struct {
        UINT message;
        WPARAM wParam;
        uintptr_t window;
        SystemMessage expected;
    } cases[] = {
        {WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 1, SystemMessage::Resumed},
        {WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 2, SystemMessage::Other}, // another window
        {WM_POWERBROADCAST, PBT_APMSUSPEND, 1, SystemMessage::Other},
        {WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 1, SystemMessage::Other}, // after the first
        {WM_ENDSESSION, TRUE, 1, SystemMessage::SessionEnding},
        {WM_ENDSESSION, TRUE, 2, SystemMessage::Other},
        {WM_ENDSESSION, FALSE, 1, SystemMessage::Other},  // called off
        {WM_QUERYENDSESSION, 0, 1, SystemMessage::Other}, // may still be called off
    };
    for (const auto& c : cases) {
        MSG msg{};
        msg.hwnd = reinterpret_cast<HWND>(c.window);
        msg.message = c.message;
        msg.wParam = c.wParam;
        EXPECT_EQ(platform::classifySystemMessage(&msg, 1), c.expected)
            << c.message << " " << c.wParam << " " << c.window;
    }
}

TEST(ConsoleText, AFileGetsTheUtf8BytesUnchanged) {
    const std::string japanese = "週報～まとめ ①\tｶﾅ\n";
    testing_support::TempHome home;
    const std::string path = home.scratch() + "/out.txt";
    HANDLE file =
        ::CreateFileW(testing_support::wide(testing_support::windowsPath(path)).c_str(),
                      GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const HANDLE saved = ::GetStdHandle(STD_OUTPUT_HANDLE);
    ::SetStdHandle(STD_OUTPUT_HANDLE, file);
    platform::writeText(platform::TextStream::Out, japanese + std::string(100000, 'x'));
    ::SetStdHandle(STD_OUTPUT_HANDLE, saved);
    ::CloseHandle(file);
    EXPECT_EQ(testing_support::readFile(path), japanese + std::string(100000, 'x'));
}

TEST(ConsoleControl, CtrlCIsARequestToTheLatestListenerAndNotTheEnd) {
    // A console of its own, so that Ctrl+C goes to this process alone.
    ::FreeConsole();
    ASSERT_TRUE(::AllocConsole());
    std::atomic<int> first{0};
    std::atomic<int> second{0};
    platform::onConsoleTermination([&first] { ++first; });
    ASSERT_TRUE(::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
    EXPECT_TRUE(testing_support::eventually([&first] { return first == 1; }));
    platform::onConsoleTermination([&second] { ++second; });
    ASSERT_TRUE(::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
    EXPECT_TRUE(testing_support::eventually([&second] { return second == 1; }));
    EXPECT_EQ(first, 1);
    platform::onConsoleTermination({});
}

} // namespace
