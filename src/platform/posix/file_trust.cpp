#include "platform/file_trust.h"

#include "platform/posix/trust_rules.h"
#include "platform/private_file.h"

#include <unistd.h>

namespace platform {

FileTrust fileVerdict(const struct stat& file) {
    if (file.st_uid != ::geteuid())
        return FileTrust::FileForeignOwner;
    if ((file.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return FileTrust::FileWritableByOthers;
    return FileTrust::Trusted;
}

FileTrust folderVerdict(const struct stat& folder) {
    if (folder.st_uid != ::geteuid())
        return FileTrust::FolderForeignOwner;
    if ((folder.st_mode & S_IWOTH) != 0)
        return FileTrust::FolderWritableByOthers;
    return FileTrust::Trusted;
}

FileTrust parentFolderVerdict(const struct stat& folder) {
    if (folder.st_uid != ::geteuid() && folder.st_uid != 0)
        return FileTrust::FolderForeignOwner;
    if ((folder.st_mode & S_IWOTH) != 0 && (folder.st_mode & S_ISVTX) == 0)
        return FileTrust::FolderWritableByOthers;
    return FileTrust::Trusted;
}

FileTrust checkPrivateFile(const SystemPath& path) {
    return PrivateFile(path).trust();
}

} // namespace platform
