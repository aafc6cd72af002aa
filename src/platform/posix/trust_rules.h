#pragma once
// The ownership and mode rules for a private file and the folders that hold it, applied to what
// fstat says about an open descriptor.

#include "platform/file_trust.h"

#include <sys/stat.h>

namespace platform {

// A file of this user that nobody else may write.
FileTrust fileVerdict(const struct stat& file);
// A folder of this user that not everybody may write. A group folder is accepted: the file's
// own owner and mode, checked on the open file, decide then.
FileTrust folderVerdict(const struct stat& folder);
// A folder above one of ours: this user's or root's, and one that everybody may write only with
// the sticky bit, so that nobody can rename or remove what this user keeps in it.
FileTrust parentFolderVerdict(const struct stat& folder);

} // namespace platform
