#pragma once
// A run's output written into its file within a bound: the first part as it comes, the last
// part kept in memory until the output ends, and one line between them saying how many bytes
// were left out. A file that cannot take more (a full disk, a size limit) only loses output:
// from then on it is read and dropped, and the program never notices.

#include <cstdint>
#include <string>

namespace history {

class BoundedOutput {
public:
    // `file` is owned (closed with the object); `limit` is the most the file may hold.
    BoundedOutput(int file, int64_t limit);
    ~BoundedOutput();
    BoundedOutput(const BoundedOutput&) = delete;
    BoundedOutput& operator=(const BoundedOutput&) = delete;

    void append(const char* data, size_t size);
    // The output ended: the gap line and the kept last part are written.
    void finish();

    // The descriptor, given away (for a drainer that goes on after this program), and how
    // many more bytes the file may take there.
    int release();
    int64_t room() const;

    bool cut() const { return left_ > 0; }
    bool failed() const { return error_ != 0; }
    int error() const { return error_; }
    // What the row says about the output, empty when all of it is there.
    std::string note() const;

private:
    void write(const char* data, size_t size);

    int file_;
    int64_t limit_ = 0;
    int64_t head_;   // bytes the first part may take
    size_t tailCap_; // bytes of the last part kept
    int64_t written_ = 0;
    int64_t left_ = 0; // bytes left out between the parts
    std::string tail_; // a ring of the last bytes once the first part is full
    size_t tailStart_ = 0;
    int error_ = 0;
};

} // namespace history
