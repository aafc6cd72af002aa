#include "platform/script_head.h"

#include "platform/posix/native_path.h"
#include "platform/posix/unique_fd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// Whether the bytes are well-formed UTF-8 (overlong forms and surrogates not excluded: only
// shown, never used as a path).
bool wellFormedUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const size_t length = c < 0x80         ? 1
                              : (c >> 5) == 6  ? 2
                              : (c >> 4) == 14 ? 3
                              : (c >> 3) == 30 ? 4
                                               : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += length;
    }
    return true;
}

} // namespace

std::optional<std::string> scriptInterpreter(const std::string& cp932Path) {
    const std::optional<std::string> native = nativePath(cp932Path);
    if (!native)
        return std::nullopt;
    // Never waits in the open: a FIFO named as a program would wait for a writer for ever.
    UniqueFd fd(::open(native->c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    // The kernel reads no more of the line than this either.
    char head[256];
    ssize_t n;
    do {
        n = ::read(fd.get(), head, sizeof head);
    } while (n < 0 && errno == EINTR);
    if (n < 2 || head[0] != '#' || head[1] != '!')
        return std::nullopt;
    const std::string line(head + 2, static_cast<size_t>(n) - 2);
    const size_t begin = line.find_first_not_of(" \t");
    if (begin == std::string::npos || line[begin] == '\n')
        return std::nullopt;
    const size_t end = line.find_first_of(" \t\n", begin);
    std::string interpreter =
        line.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
    // A name in another encoding is shown with its odd bytes as '?'.
    if (!wellFormedUtf8(interpreter)) {
        for (char& c : interpreter) {
            if (static_cast<unsigned char>(c) >= 0x80)
                c = '?';
        }
    }
    return interpreter;
}

} // namespace platform
