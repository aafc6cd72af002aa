#pragma once
// A path the system found for itself: the documents and data folders, the task file, the
// program's own folder, the start-up entry. It holds the file system's own bytes and is never
// converted, so a user named josé or a folder named 書類〜2024 works. Paths that come from a task
// record are cp932 text and travel as plain strings; the two kinds do not convert into each
// other, so a function says by its parameter type which one it takes.

#include <string>
#include <string_view>
#include <utility>

namespace platform {

class SystemPath {
public:
    SystemPath() = default;
    explicit SystemPath(std::string bytes) : bytes_(std::move(bytes)) {}

    const std::string& str() const { return bytes_; }
    const char* c_str() const { return bytes_.c_str(); }
    bool empty() const { return bytes_.empty(); }

    // "<this>/<name>".
    SystemPath child(std::string_view name) const {
        std::string joined = bytes_;
        if (joined.empty() || joined.back() != '/')
            joined += '/';
        joined += name;
        return SystemPath(std::move(joined));
    }
    // The folder that holds this entry ("/" for an entry of the root, "." for a bare name).
    SystemPath folder() const {
        const size_t slash = bytes_.rfind('/');
        if (slash == std::string::npos)
            return SystemPath(".");
        return SystemPath(slash == 0 ? std::string("/") : bytes_.substr(0, slash));
    }
    // The last component.
    std::string name() const {
        const size_t slash = bytes_.rfind('/');
        return slash == std::string::npos ? bytes_ : bytes_.substr(slash + 1);
    }
    // The same path with `suffix` appended to its last component.
    SystemPath withSuffix(std::string_view suffix) const {
        return SystemPath(bytes_ + std::string(suffix));
    }

    friend bool operator==(const SystemPath&, const SystemPath&) = default;

private:
    std::string bytes_;
};

} // namespace platform
