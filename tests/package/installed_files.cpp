#include "installed_files.h"

#include "command.h"
#include "support/temp_home.h"

#include <array>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <glib.h>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;
using testing_support::exists;
using testing_support::readFile;

namespace package_test {
namespace {

struct GKeyFileFree {
    void operator()(GKeyFile* k) const { g_key_file_free(k); }
};
struct GStrvFree {
    void operator()(gchar** v) const { g_strfreev(v); }
};

bool isExecutableFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

const std::array<unsigned, 7> kIconSizes = {16, 24, 32, 48, 64, 128, 256};

} // namespace

std::string desktopValue(const std::string& desktopFile, const std::string& key) {
    std::unique_ptr<GKeyFile, GKeyFileFree> keys(g_key_file_new());
    // Without KEEP_TRANSLATIONS only the current locale's "Name[..]" keys would be kept.
    if (!g_key_file_load_from_file(keys.get(), desktopFile.c_str(), G_KEY_FILE_KEEP_TRANSLATIONS,
                                   nullptr))
        return std::string();
    // Strings are unescaped here the same way desktops read them.
    gchar* value = g_key_file_get_string(keys.get(), "Desktop Entry", key.c_str(), nullptr);
    const std::string out = value ? value : "";
    g_free(value);
    return out;
}

std::string execProgram(const std::string& desktopFile, const std::string& searchPath) {
    const std::string exec = desktopValue(desktopFile, "Exec");
    gchar** argv = nullptr;
    if (exec.empty() || !g_shell_parse_argv(exec.c_str(), nullptr, &argv, nullptr))
        return std::string();
    std::unique_ptr<gchar*, GStrvFree> owned(argv);
    // Field codes come after unquoting; in the program word only "%%" (a literal "%") may occur.
    std::string first;
    for (const char* c = argv[0]; *c; ++c) {
        if (*c == '%' && *++c != '%')
            return std::string();
        first += *c;
    }
    if (first.find('/') != std::string::npos)
        return first;
    std::string dirs = searchPath;
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t colon = std::min(dirs.find(':', start), dirs.size());
        const std::string candidate = dirs.substr(start, colon - start) + "/" + first;
        if (isExecutableFile(candidate))
            return candidate;
        start = colon + 1;
    }
    return std::string();
}

PngSize pngSize(const std::string& path) {
    const std::string head = readFile(path).substr(0, 24);
    if (head.size() < 24 || head.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 ||
        head.compare(12, 4, "IHDR") != 0)
        return {};
    auto be32 = [&](size_t at) {
        unsigned v = 0;
        for (size_t i = 0; i < 4; ++i)
            v = (v << 8) | static_cast<unsigned char>(head[at + i]);
        return v;
    };
    return {be32(16), be32(20)};
}

void checkInstalledFiles(const std::string& prefix) {
    const std::string program = prefix + "/bin/chorelin";
    EXPECT_TRUE(isExecutableFile(program)) << program;
    EXPECT_EQ(readFile(program).substr(0, 4), "\x7F"
                                              "ELF");

    const std::string entry = prefix + "/share/applications/chorelin.desktop";
    ASSERT_TRUE(exists(entry)) << entry;
    const CommandResult validated = runCommand({"desktop-file-validate", entry});
    EXPECT_EQ(validated.exitCode, 0) << validated.output;
    EXPECT_EQ(validated.output, "") << "warnings or hints about " << entry;
    // The menu entry runs the very program that was installed beside it.
    EXPECT_EQ(execProgram(entry, prefix + "/bin"), program);

    const std::string svg = prefix + "/share/icons/hicolor/scalable/apps/chorelin.svg";
    EXPECT_EQ(readFile(svg), readFile(CHORELIN_SOURCE_DIR "/src/resources/chorelin.svg"));
    for (unsigned size : kIconSizes) {
        const std::string n = std::to_string(size);
        const std::string png =
            prefix + "/share/icons/hicolor/" + n + "x" + n + "/apps/chorelin.png";
        const PngSize got = pngSize(png);
        EXPECT_EQ(got.width, size) << png;
        EXPECT_EQ(got.height, size) << png;
    }

    EXPECT_EQ(readFile(prefix + "/share/chorelin/syukujitsu.csv"),
              readFile(CHORELIN_SOURCE_DIR "/data/syukujitsu.csv"));

    const std::string man = prefix + "/share/man/man1/chorelin.1.gz";
    const CommandResult page = runCommand({"gzip", "-dc", man});
    ASSERT_EQ(page.exitCode, 0) << page.output;
    for (const char* text :
         {".TH CHORELIN 1", ".SH FILES", ".SH ENVIRONMENT", ".SH EXIT STATUS", "chorelin.tsk",
          "Marrowby/Chorelin.conf", "autostart/Chorelin.desktop", "Chorelin.Mutex",
          "Chorelinについて.txt", "CHORELIN_TRACE", "QT_QPA_PLATFORM", "SIGHUP"})
        EXPECT_NE(page.output.find(text), std::string::npos) << "manual page lacks " << text;
    if (haveProgram("man")) {
        // Formatting problems (unknown requests, bad escapes) show up as warnings here.
        const CommandResult shown =
            runCommand({"man", "--warnings", "-E", "UTF-8", "-l", man},
                       {"MANWIDTH=80", "MANPAGER=cat", "PAGER=cat", "LC_ALL=C.UTF-8"});
        EXPECT_EQ(shown.exitCode, 0) << shown.output;
        EXPECT_EQ(shown.output.find("warning"), std::string::npos) << shown.output;
        EXPECT_NE(shown.output.find("EXIT STATUS"), std::string::npos) << shown.output;
    }
}

void checkProgramRuns(const std::string& program, const std::string& scratch) {
    const char* home = std::getenv("HOME");
    ASSERT_NE(home, nullptr);
    // The private home has no user-dirs.dirs, so the documents folder is ~/Documents.
    const std::string taskFile = std::string(home) + "/Documents/chorelin/chorelin.tsk";
    const std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen",
                                          "CHORELIN_TRACE=" + scratch + "/trace.log"};
    ASSERT_FALSE(exists(taskFile));

    Program first(program, env, scratch + "/first.err");
    ASSERT_TRUE(waitFor([&] { return exists(taskFile) && first.catches(SIGTERM); }, 20s))
        << readFile(scratch + "/first.err");
    EXPECT_EQ(readFile(taskFile).size(), 0u);
    // What runs is the installed file itself, not a copy found elsewhere.
    std::error_code ec;
    EXPECT_EQ(std::filesystem::read_symlink("/proc/" + std::to_string(first.pid()) + "/exe", ec),
              std::filesystem::path(program));

    Program second(program, env, scratch + "/second.err");
    EXPECT_EQ(second.waitForExit(20s), 0);
    EXPECT_NE(readFile(scratch + "/second.err").find("Chorelinは既に起動されています。"),
              std::string::npos);

    EXPECT_EQ(first.waitForExit(200ms), -1) << "the first instance ended too";
    first.signal(SIGTERM);
    EXPECT_EQ(first.waitForExit(20s), 0) << readFile(scratch + "/first.err");
    EXPECT_TRUE(exists(taskFile));
}

} // namespace package_test
