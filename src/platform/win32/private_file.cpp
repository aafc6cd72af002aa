#include "platform/private_file.h"

#include "platform/win32/file_write.h"
#include "platform/win32/security.h"
#include "platform/win32/win_util.h"

#include <mutex>

namespace platform {
namespace {

std::mutex& hookMutex() {
    static std::mutex m;
    return m;
}
std::function<void()>& readHook() {
    static std::function<void()> hook;
    return hook;
}

// Opened for its security and contents; others may go on reading and writing it, and a link
// put in its place after the links were resolved is opened as itself, never followed.
HANDLE openEntry(const std::wstring& path, DWORD access,
                 DWORD shareFlags = FILE_SHARE_READ | FILE_SHARE_WRITE) {
    return ::CreateFileW(path.c_str(), access, shareFlags, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

} // namespace

SystemPath resolveLinks(const SystemPath& path) {
    const std::wstring native = win::nativePath(path);
    const DWORD attributes = ::GetFileAttributesW(native.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return path;
    // Opening follows every link; the handle then tells where the file really lies.
    win::UniqueHandle file(
        ::CreateFileW(native.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.valid())
        return path;
    std::wstring buffer(32768, L'\0');
    const DWORD n = ::GetFinalPathNameByHandleW(file.get(), buffer.data(),
                                                static_cast<DWORD>(buffer.size()), VOLUME_NAME_DOS);
    if (n == 0 || n >= buffer.size())
        return path;
    buffer.resize(n);
    if (buffer.rfind(L"\\\\?\\UNC\\", 0) == 0)
        buffer = L"\\\\" + buffer.substr(8);
    else if (buffer.rfind(L"\\\\?\\", 0) == 0)
        buffer = buffer.substr(4);
    return win::systemPath(buffer);
}

PrivateFile::PrivateFile(const SystemPath& path) : target_(resolveLinks(path)) {
    const SystemPath folderPath = target_.folder();
    // Whoever may write the folder that holds a link may point it somewhere else.
    const SystemPath linkFolder = path.folder();
    if (linkFolder != folderPath) {
        win::UniqueHandle other(openEntry(win::nativePath(linkFolder), READ_CONTROL));
        if (other.valid()) {
            judgeFolder(linkFolder, win::handleToInt(other.get()));
        } else {
            trust_ = FileTrust::Unexaminable;
            culprit_ = linkFolder;
        }
    }
    // The folder stays open (and so cannot be renamed or removed) until the file is open.
    win::UniqueHandle folder(openEntry(win::nativePath(folderPath), READ_CONTROL));
    if (!folder.valid()) {
        const DWORD error = ::GetLastError();
        error_ = win::errnoOf(error);
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            status_ = Status::Missing; // a missing folder will be created private
            return;
        }
        status_ = Status::OpenFailed;
        if (trust_ == FileTrust::Trusted) {
            trust_ = FileTrust::Unexaminable;
            culprit_ = folderPath;
        }
        return;
    }
    judgeFolder(folderPath, win::handleToInt(folder.get()));
    // Others may rename or replace the file meanwhile, as on Linux; this handle keeps the file
    // that was judged.
    win::UniqueHandle file(openEntry(win::nativePath(target_), GENERIC_READ | READ_CONTROL,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE));
    if (file.valid()) {
        fd_ = win::handleToInt(file.release());
        judgeFile();
        return;
    }
    const DWORD error = ::GetLastError();
    error_ = win::errnoOf(error);
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        status_ = Status::Missing;
        return;
    }
    status_ = Status::OpenFailed;
    // Unreadable, but its owner and DACL may still be told, so the message names the real fault.
    win::UniqueHandle meta(openEntry(win::nativePath(target_), READ_CONTROL,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE));
    if (meta.valid()) {
        const FileTrust verdict = win::fileVerdict(meta.get());
        if (verdict != FileTrust::Trusted) {
            trust_ = verdict;
            culprit_ = target_;
        }
    }
}

PrivateFile::~PrivateFile() {
    if (fd_ != -1)
        ::CloseHandle(win::intToHandle(fd_));
}

void PrivateFile::judgeFolder(const SystemPath& folder, int folderFd) {
    const FileTrust verdict = win::folderVerdict(win::intToHandle(folderFd));
    if (verdict != FileTrust::Trusted && trust_ == FileTrust::Trusted) {
        trust_ = verdict;
        culprit_ = folder;
    }
}

void PrivateFile::judgeFile() {
    HANDLE file = win::intToHandle(fd_);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file, &info)) {
        error_ = win::errnoOf(::GetLastError());
        status_ = Status::OpenFailed;
        trust_ = FileTrust::Unexaminable;
        culprit_ = target_;
        return;
    }
    // The file's own owner and DACL come first: they are what the message must name.
    const FileTrust verdict = win::fileVerdict(file);
    if (verdict != FileTrust::Trusted) {
        trust_ = verdict;
        culprit_ = target_;
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // A link appeared where the file was after the links were followed.
        status_ = Status::OpenFailed;
        trust_ = FileTrust::Unexaminable;
        culprit_ = target_;
        return;
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        ::GetFileType(file) != FILE_TYPE_DISK) {
        status_ = Status::NotRegular;
        return;
    }
    status_ = Status::Opened;
    size_ = (static_cast<int64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    ownerWritable_ = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) == 0;
}

ReadResult PrivateFile::read(void* buffer, size_t size) const {
    if (status_ != Status::Opened)
        return ReadResult::Failed;
    {
        std::lock_guard<std::mutex> guard(hookMutex());
        if (readHook())
            readHook()();
    }
    HANDLE file = win::intToHandle(fd_);
    LARGE_INTEGER start{};
    if (!::SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
        return ReadResult::Failed;
    char* bytes = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < size) {
        DWORD n = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size - done, 1u << 20));
        if (!::ReadFile(file, bytes + done, chunk, &n, nullptr))
            return ReadResult::Failed;
        if (n == 0)
            return ReadResult::ShortRead;
        done += n;
    }
    return ReadResult::Ok;
}

void setPrivateFileReadHook(std::function<void()> hook) {
    std::lock_guard<std::mutex> guard(hookMutex());
    readHook() = std::move(hook);
}

FileTrust checkPrivateFile(const SystemPath& path) {
    return PrivateFile(path).trust();
}

} // namespace platform
