// How a path splits into folder, base name and extension, once the system has found where its
// last separator stands (the systems differ only in that).

#include "platform/paths.h"

namespace platform {

PathParts splitPathAt(const std::string& path, size_t lastSeparator) {
    PathParts parts;
    std::string file = path;
    if (lastSeparator != std::string::npos) {
        parts.folder = path.substr(0, lastSeparator + 1);
        file = path.substr(lastSeparator + 1);
    }
    // A leading dot names a hidden file, not an extension. A dot byte never trails a lead byte
    // in cp932 (trail bytes start at 0x40), so rfind is safe on record paths too.
    const size_t dot = file.rfind('.');
    if (dot != std::string::npos && dot > 0) {
        parts.baseName = file.substr(0, dot);
        parts.extension = file.substr(dot);
    } else {
        parts.baseName = file;
    }
    return parts;
}

} // namespace platform
