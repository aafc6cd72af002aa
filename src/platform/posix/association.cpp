#include "platform/association.h"

#include "platform/posix/native_path.h"
#include "platform/posix/unique_fd.h"
#include "platform/text_codec.h"

#include <cstring>
#include <fcntl.h>
#include <gio/gio.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

struct GObjectUnref {
    void operator()(gpointer p) const {
        if (p)
            g_object_unref(p);
    }
};
template <typename T> using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

struct GFree {
    void operator()(gpointer p) const { g_free(p); }
};
using GString_ = std::unique_ptr<char, GFree>;

bool isExecutableRegularFile(const std::string& utf8) {
    struct stat st;
    return ::stat(utf8.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(utf8.c_str(), X_OK) == 0;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The program an application starts: the first word of its command line, unquoted as the
// launcher itself does it. The executable that GIO reports is cut at the first blank, which
// breaks a program whose path holds one ("/opt/My Apps/viewer").
std::string programOf(GAppInfo* app) {
    const char* commandLine = g_app_info_get_commandline(app);
    if (commandLine && *commandLine) {
        gint argc = 0;
        gchar** argv = nullptr;
        if (g_shell_parse_argv(commandLine, &argc, &argv, nullptr)) {
            std::string first = argc > 0 && argv[0] ? argv[0] : "";
            g_strfreev(argv);
            return first;
        }
    }
    const char* executable = g_app_info_get_executable(app);
    return executable ? executable : "";
}

// Opens a file named by the user for reading only when it is a regular file, and never waits
// in the open: a FIFO, a socket or a device named as a program or a document is no file to
// read, and opening a FIFO for reading would wait for a writer for ever.
UniqueFd openRegularFile(const std::string& native, struct stat& st) {
    if (::stat(native.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return UniqueFd();
    UniqueFd fd(::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    // Checked again on what was opened: the name may have been given to another file since.
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return UniqueFd();
    return fd;
}

ssize_t readHead(int fd, void* buffer, size_t size) {
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

// The content type of a regular file as GIO's own file query gives it: an empty file is plain
// text (and is not read: files in /proc look empty and are not), otherwise the name decides, and
// the first bytes when the name leaves it open. Those bytes are read here, from a descriptor
// that cannot block, rather than by GIO from the path.
std::string contentTypeOf(const std::string& native, const struct stat& st) {
    if (st.st_size == 0)
        return "text/plain";
    const size_t slash = native.rfind('/');
    const std::string name = slash == std::string::npos ? native : native.substr(slash + 1);
    gboolean uncertain = FALSE;
    GString_ type(g_content_type_guess(name.c_str(), nullptr, 0, &uncertain));
    if (uncertain) {
        struct stat opened;
        UniqueFd fd = openRegularFile(native, opened);
        unsigned char head[4096];
        const ssize_t n = fd.valid() ? readHead(fd.get(), head, sizeof head) : -1;
        if (n > 0)
            type.reset(g_content_type_guess(name.c_str(), head, static_cast<gsize>(n), nullptr));
    }
    return type ? std::string(type.get()) : std::string();
}

} // namespace

bool isExecutableImage(const std::string& path) {
    const std::optional<std::string> native = nativePath(path);
    if (!native)
        return false;
    struct stat st;
    UniqueFd fd = openRegularFile(*native, st);
    if (!fd.valid())
        return false;
    unsigned char head[4] = {};
    const ssize_t n = readHead(fd.get(), head, sizeof head);
    if (n >= 4 && std::memcmp(head,
                              "\x7F"
                              "ELF",
                              4) == 0)
        return true;
    return n >= 2 && head[0] == '#' && head[1] == '!';
}

bool hasUserExecuteBit(const std::string& path) {
    const std::optional<std::string> native = nativePath(path);
    struct stat st;
    return native && ::stat(native->c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           (st.st_mode & S_IXUSR) != 0;
}

int findAssociatedProgram(const std::string& path, std::string& program) {
    const std::optional<std::string> native = nativePath(path);
    if (!native)
        return AssocOutOfResources;
    struct stat st;
    if (::stat(folderOf(*native).c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return AssocPathNotFound;
    if (::stat(native->c_str(), &st) != 0)
        return AssocFileNotFound;

    std::string contentType;
    if (S_ISDIR(st.st_mode)) {
        contentType = "inode/directory";
    } else if (!S_ISREG(st.st_mode)) {
        // A FIFO, a socket or a device: no program opens one as a document.
        return AssocNoAssociation;
    } else {
        contentType = contentTypeOf(*native, st);
        if (contentType.empty())
            return AssocOutOfResources;
    }
    GObjectPtr<GAppInfo> app(g_app_info_get_default_for_type(contentType.c_str(), FALSE));
    if (!app)
        return AssocNoAssociation;
    const std::string executable = programOf(app.get());
    if (executable.empty())
        return AssocNoAssociation;
    std::string resolved;
    if (executable[0] == '/') {
        resolved = executable;
    } else {
        GString_ found(g_find_program_in_path(executable.c_str()));
        if (!found)
            return AssocNoAssociation;
        resolved = found.get();
    }
    if (!isExecutableRegularFile(resolved))
        return AssocNoAssociation;
    const std::optional<std::string> cp932 = utf8ToCp932(resolved);
    if (!cp932)
        return AssocOutOfResources;
    program = *cp932;
    return AssocFound;
}

} // namespace platform
