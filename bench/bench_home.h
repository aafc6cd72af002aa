#pragma once
// A private home for a benchmark run: HOME, the XDG folders and the runtime folder point into a
// fresh temporary folder that is removed afterwards, so no benchmark touches the user's files.

#include <string>

namespace bench {

class BenchHome {
public:
    BenchHome();
    ~BenchHome();
    BenchHome(const BenchHome&) = delete;
    BenchHome& operator=(const BenchHome&) = delete;

    const std::string& root() const { return root_; }
    std::string documents() const { return root_ + "/home/Documents"; }
    std::string scratch() const { return root_ + "/scratch"; }

private:
    std::string root_;
};

// Writes a file whole with the given mode; throws on failure.
void writeFile(const std::string& path, const std::string& content, int mode = 0644);

} // namespace bench
