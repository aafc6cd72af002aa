#pragma once
// Whether a file that this program acts on may have been changed by someone else. The task file
// names programs that are started on the user's behalf, so a file or folder that another user
// owns or may write is not to be believed.

#include <string_view>

namespace platform {

enum class FileTrust {
    Trusted,                // owned by this user, writable by nobody else (or absent)
    FileForeignOwner,       // the file belongs to another user
    FileWritableByOthers,   // the file's group or everybody may write it
    FolderForeignOwner,     // the folder holding the file belongs to another user
    FolderWritableByOthers, // everybody may write the folder, so may replace the file
    Unexaminable,           // the file or its folder exists but cannot be examined
};

// Examines the file at `path` (cp932) and the folder that holds it. A file that does not exist
// counts as trusted when its folder does; a missing folder counts as trusted too (it will be
// created 0700). A symbolic link is judged by the file it leads to.
FileTrust checkPrivateFile(std::string_view path);

} // namespace platform
