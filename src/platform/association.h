#pragma once
// What the desktop would start for a file: the executable-image check of a program file and the
// program associated with a document's type.

#include <string>

namespace platform {

// True when the file is a program this system can run: an ELF image or a script with "#!".
bool isExecutableImage(const std::string& path);

// True when the path names a regular file whose owner may execute it (the user-execute bit),
// that is, a file the desktop would treat as a program rather than as a document.
bool hasUserExecuteBit(const std::string& path);

// Outcome codes follow the classic association lookup: above 32 success (the program's absolute
// path in `program`), 31 no association or the associated program is not an executable file,
// 2 file not found, 3 path not found, 11 bad format, anything else a failure of the lookup.
enum : int {
    AssocNoAssociation = 31,
    AssocFileNotFound = 2,
    AssocPathNotFound = 3,
    AssocBadFormat = 11,
    AssocOutOfResources = 0,
    AssocFound = 42,
};
int findAssociatedProgram(const std::string& path, std::string& program);

} // namespace platform
