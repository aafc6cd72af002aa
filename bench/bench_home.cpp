#include "bench_home.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sys/stat.h>

namespace bench {

BenchHome::BenchHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "chorelin-bench-XXXXXX");
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder");
    root_ = pattern;
    for (const char* sub :
         {"/home/Documents", "/config", "/data", "/cache", "/runtime", "/scratch"})
        std::filesystem::create_directories(root_ + sub);
    ::chmod((root_ + "/runtime").c_str(), 0700);
    ::setenv("HOME", (root_ + "/home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (root_ + "/config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (root_ + "/data").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (root_ + "/cache").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (root_ + "/runtime").c_str(), 1);
}

BenchHome::~BenchHome() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

void writeFile(const std::string& path, const std::string& content, int mode) {
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        if (!out)
            throw std::runtime_error("cannot write " + path);
    }
    ::chmod(path.c_str(), static_cast<mode_t>(mode));
}

} // namespace bench
