// The parts of reading Chorelin's own settings-side files that rest on the seam alone, the same
// on every system.

#include "platform/bounded_read.h"
#include "platform/private_file.h"
#include "platform/settings_files.h"

namespace platform {

void readToEnd(FileRead& result, size_t maxBytes,
               const std::function<long(char* buffer, size_t size)>& readSome) {
    char buffer[65536];
    for (;;) {
        const long n = readSome(buffer, sizeof buffer);
        if (n < 0)
            return;
        if (n == 0)
            break;
        result.bytes.append(buffer, static_cast<size_t>(n));
        if (result.bytes.size() > maxBytes) {
            result.bytes.clear();
            result.status = ReadStatus::TooLarge;
            return;
        }
    }
    result.status = ReadStatus::Ok;
}

FileStamp folderStamp(const std::string& folder) {
    FileStamp stamp = fileStamp(folder);
    stamp.size = 0;
    stamp.modifiedNs = 0;
    return stamp;
}

TrustedRead readTrustedFile(const std::string& path, size_t maxBytes) {
    TrustedRead result;
    // Taken before the open: a change between the two shows as a new stamp on the next look.
    result.read.stamp = fileStamp(path);
    const PrivateFile file{SystemPath(path)};
    switch (file.status()) {
    case PrivateFile::Status::Missing:
        result.read.status = ReadStatus::Missing;
        break;
    case PrivateFile::Status::NotRegular:
        result.read.status = ReadStatus::NotAFile;
        break;
    case PrivateFile::Status::OpenFailed:
        result.read.status = ReadStatus::Failed;
        break;
    case PrivateFile::Status::Opened:
        result.read.status = ReadStatus::Ok;
        break;
    }
    // No file is nothing to believe or doubt; an untrusted folder is told once a file is there.
    if (result.read.status != ReadStatus::Missing && file.trust() != FileTrust::Trusted) {
        result.trust = file.trust();
        result.culprit = file.culprit().str();
        result.read.status = ReadStatus::Untrusted;
        result.read.sharedWithOthers = true;
        return result;
    }
    if (result.read.status != ReadStatus::Ok)
        return result;
    if (file.size() < 0 || static_cast<uint64_t>(file.size()) > maxBytes) {
        result.read.status = ReadStatus::TooLarge;
        return result;
    }
    result.read.bytes.resize(static_cast<size_t>(file.size()));
    if (file.read(result.read.bytes.data(), result.read.bytes.size()) != ReadResult::Ok) {
        result.read.bytes.clear();
        result.read.status = ReadStatus::Failed;
    }
    return result;
}

} // namespace platform
