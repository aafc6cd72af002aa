#pragma once
// Whether a file that this program acts on may have been changed by someone else. The task file
// names programs that are started on the user's behalf, so a file or folder that another user
// owns or may write is not to be believed.

#include "platform/system_path.h"

namespace platform {

enum class FileTrust {
    Trusted,                // owned by this user, writable by nobody else (or absent)
    FileForeignOwner,       // the file belongs to another user
    FileWritableByOthers,   // the file's group or everybody may write it
    FolderForeignOwner,     // a folder holding the file (or the link to it) is another user's
    FolderWritableByOthers, // everybody may write such a folder, so may replace the file
    Unexaminable,           // the file or a folder exists but cannot be examined
};

// The verdict on the file at `path` as PrivateFile gives it (see private_file.h): a file that
// does not exist counts as trusted when its folder does; a missing folder counts as trusted too
// (it will be created 0700). A symbolic link is judged by the file it leads to, and by the
// folders of both.
FileTrust checkPrivateFile(const SystemPath& path);

} // namespace platform
