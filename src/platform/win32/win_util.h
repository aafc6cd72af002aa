#pragma once
// Small helpers every Windows file of the seam shares: an owning handle, the conversions between
// the seam's byte strings and the wide strings Windows takes, and the handle <-> int mapping of
// the seam's process handles.

#include "platform/system_path.h"

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace platform::win {

// Closes a kernel handle once. INVALID_HANDLE_VALUE and nullptr both mean "none".
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : h_(h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }
    HANDLE release() {
        HANDLE h = h_;
        h_ = nullptr;
        return h;
    }
    void reset(HANDLE h = nullptr) {
        if (valid())
            ::CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_ = nullptr;
};

// Kernel handles hold 32 significant bits (they are shared with 32-bit processes), so the seam's
// int handles carry them unchanged.
inline int handleToInt(HANDLE h) {
    return static_cast<int>(::HandleToLong(h));
}
inline HANDLE intToHandle(int h) {
    return ::LongToHandle(h);
}

// UTF-8 <-> UTF-16; nothing when the bytes are not valid UTF-8 (or the text not valid UTF-16).
std::optional<std::wstring> widen(std::string_view utf8);
std::string narrow(std::wstring_view wide);

// A system path as Windows takes it: UTF-8 to UTF-16, '/' to '\'.
std::wstring nativePath(const SystemPath& path);
// A path Windows gave, as the seam's SystemPath: UTF-8 with '/' between the parts, so that the
// layers above compose it the same way on both systems.
SystemPath systemPath(std::wstring_view native);
// A path from a task record (cp932) as Windows takes it; nothing when it is not valid cp932.
std::optional<std::wstring> recordPath(std::string_view cp932Path);

// errno-style code of the last Windows error, for messages the layers above make with strerror.
int errnoOf(DWORD error);

} // namespace platform::win
