// The seam's pieces of the window program on Windows: which messages of the system it acts on,
// the console's requests to end, and text for the console or for whatever stands in its place.

#include "platform/console_control.h"
#include "platform/console_text.h"
#include "platform/system_message.h"
#include "support/temp_home.h"
#include "support/win32_test_paths.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>

using platform::SystemMessage;

namespace {

struct MessageCase {
    const char* what;
    UINT message;
    WPARAM wParam;
    bool toOurWindow;
    SystemMessage expected;
};

const MessageCase kMessages[] = {
    {"wake from sleep", WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, true, SystemMessage::Resumed},
    {"wake, to another window", WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, false,
     SystemMessage::Other},
    {"going to sleep", WM_POWERBROADCAST, PBT_APMSUSPEND, true, SystemMessage::Other},
    {"the user's own resume", WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, true, SystemMessage::Other},
    {"the session ends", WM_ENDSESSION, TRUE, true, SystemMessage::SessionEnding},
    {"the session ends, to another window", WM_ENDSESSION, TRUE, false, SystemMessage::Other},
    {"the end was called off", WM_ENDSESSION, FALSE, true, SystemMessage::Other},
    {"only asked whether it may end", WM_QUERYENDSESSION, 0, true, SystemMessage::Other},
    {"anything else", WM_TIMER, 1, true, SystemMessage::Other},
};

TEST(SystemMessages, OnlyTheWakeAndACertainEndOfTheSessionCount) {
    const HWND ours = reinterpret_cast<HWND>(uintptr_t{0x1234});
    const HWND other = reinterpret_cast<HWND>(uintptr_t{0x5678});
    for (const MessageCase& c : kMessages) {
        MSG msg{};
        msg.hwnd = c.toOurWindow ? ours : other;
        msg.message = c.message;
        msg.wParam = c.wParam;
        EXPECT_EQ(platform::classifySystemMessage(&msg, reinterpret_cast<uintptr_t>(ours)),
                  c.expected)
            << c.what;
    }
    EXPECT_EQ(platform::classifySystemMessage(nullptr, 0), SystemMessage::Other);
}

// Standard output pointed at `handle` while the case runs.
class StdOutAt {
public:
    explicit StdOutAt(HANDLE handle) : saved_(::GetStdHandle(STD_OUTPUT_HANDLE)) {
        ::SetStdHandle(STD_OUTPUT_HANDLE, handle);
    }
    ~StdOutAt() { ::SetStdHandle(STD_OUTPUT_HANDLE, saved_); }

private:
    HANDLE saved_;
};

const std::string kJapanese = "週報～まとめ ①\tｶﾅ\n";

TEST(ConsoleText, AFileAndAPipeGetTheUtf8BytesUnchanged) {
    testing_support::TempHome home;
    const std::wstring path =
        testing_support::wide(testing_support::windowsPath(home.scratch() + "/out.txt"));
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    {
        StdOutAt redirected(file);
        platform::writeText(platform::TextStream::Out, kJapanese);
        platform::writeText(platform::TextStream::Out, std::string(100000, 'x'));
    }
    ::CloseHandle(file);
    EXPECT_EQ(testing_support::readFile(home.scratch() + "/out.txt"),
              kJapanese + std::string(100000, 'x'));

    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    ASSERT_TRUE(::CreatePipe(&readEnd, &writeEnd, nullptr, 1 << 16));
    {
        StdOutAt redirected(writeEnd);
        platform::writeText(platform::TextStream::Out, kJapanese);
    }
    ::CloseHandle(writeEnd);
    std::string got(256, '\0');
    DWORD n = 0;
    ASSERT_TRUE(::ReadFile(readEnd, got.data(), static_cast<DWORD>(got.size()), &n, nullptr));
    ::CloseHandle(readEnd);
    got.resize(n);
    EXPECT_EQ(got, kJapanese);
}

TEST(ConsoleControl, CtrlCIsARequestToEndAndNotTheEnd) {
    // Its own console, so that Ctrl+C goes to this process alone.
    ::FreeConsole();
    ASSERT_TRUE(::AllocConsole());
    std::atomic<int> requests{0};
    platform::onConsoleTermination([&requests] { ++requests; });
    ASSERT_TRUE(::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
    EXPECT_TRUE(testing_support::eventually([&requests] { return requests.load() == 1; }));
    // A new listener replaces the old one.
    std::atomic<int> later{0};
    platform::onConsoleTermination([&later] { ++later; });
    ASSERT_TRUE(::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
    EXPECT_TRUE(testing_support::eventually([&later] { return later.load() == 1; }));
    EXPECT_EQ(requests.load(), 1);
    platform::onConsoleTermination({});
}

} // namespace
