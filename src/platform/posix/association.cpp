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

} // namespace

bool isExecutableImage(const std::string& path) {
    const std::optional<std::string> native = nativePath(path);
    if (!native)
        return false;
    UniqueFd fd(::open(native->c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid())
        return false;
    struct stat st;
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    unsigned char head[4] = {};
    const ssize_t n = ::read(fd.get(), head, sizeof head);
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

    GObjectPtr<GFile> file(g_file_new_for_path(native->c_str()));
    GError* error = nullptr;
    GObjectPtr<GFileInfo> info(g_file_query_info(file.get(), G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE,
                                                 G_FILE_QUERY_INFO_NONE, nullptr, &error));
    if (!info) {
        g_clear_error(&error);
        return AssocOutOfResources;
    }
    const char* contentType = g_file_info_get_content_type(info.get());
    if (!contentType)
        return AssocNoAssociation;
    GObjectPtr<GAppInfo> app(g_app_info_get_default_for_type(contentType, FALSE));
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
