#include "platform/win32/file_write.h"
#include "platform/files.h"
#include "platform/win32/security.h"
#include "platform/win32/win_util.h"

#include <atomic>
#include <random>

namespace platform {
namespace {
std::atomic<long long> writeFaultAfter{-1};
} // namespace

void setWriteFaultAfter(long long bytes) {
    writeFaultAfter.store(bytes);
}

namespace win {

bool writeAll(HANDLE file, const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    size_t allowed = size;
    const long long fault = writeFaultAfter.load();
    if (fault >= 0 && static_cast<unsigned long long>(fault) < size)
        allowed = static_cast<size_t>(fault);
    size_t done = 0;
    while (done < allowed) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(allowed - done, 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(file, bytes + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    if (allowed < size) {
        ::SetLastError(ERROR_DISK_FULL);
        return false;
    }
    return true;
}

ReplaceStep replaceAtomically(const SystemPath& target, const void* data, size_t size) {
    static const wchar_t kChars[] =
        L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    PrivateSecurity security;
    std::wstring temp;
    UniqueHandle file;
    for (int attempt = 0; attempt < 100 && !file.valid(); ++attempt) {
        temp = nativePath(target) + L".tmp-";
        for (size_t i = 0; i < kTempSuffixLength; ++i)
            temp += kChars[random() % (sizeof kChars / sizeof kChars[0] - 1)];
        file.reset(::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, security.attributes(), CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid() && ::GetLastError() != ERROR_FILE_EXISTS)
            return ReplaceStep::TempNotCreated;
    }
    if (!file.valid())
        return ReplaceStep::TempNotCreated;
    if (!writeAll(file.get(), data, size) || !::FlushFileBuffers(file.get())) {
        const DWORD error = ::GetLastError();
        file.reset();
        ::DeleteFileW(temp.c_str());
        ::SetLastError(error);
        return ReplaceStep::ShortWrite;
    }
    file.reset();
    const std::wstring native = nativePath(target);
    // ReplaceFileW keeps the old file's identity where it can; MoveFileExW is the plain rename
    // for file systems (and Wine versions) that do not offer it.
    if (::ReplaceFileW(native.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                       nullptr, nullptr) ||
        ::MoveFileExW(temp.c_str(), native.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return ReplaceStep::Done;
    const DWORD error = ::GetLastError();
    ::DeleteFileW(temp.c_str());
    ::SetLastError(error);
    return ReplaceStep::RenameFailed;
}

} // namespace win
} // namespace platform
