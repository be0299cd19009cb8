// A file written beside the one it replaces and renamed over it only when
// whole, so a full disk or any other failure leaves the old file as it was.
#pragma once

#include <cstddef>
#include <string>

class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile() { abandon(); }

    // Makes the temporary file beside `target`.
    bool open(const std::string& target);
    // Writes all of `bytes`, or notes why not; once failed, writes nothing.
    bool write(const void* bytes, std::size_t size);
    // Puts the whole file in the target's place; on any failure, or after a
    // failed write, removes it instead.
    bool commit();
    // Removes the temporary file, leaving the target untouched.
    void abandon();

    bool failed() const { return error_ != 0; }
    // "cannot write TARGET: REASON", once something failed.
    std::string why() const;

private:
    bool fail(int error);

    std::string target_, temporary_;
    int fd_ = -1;
    int error_ = 0;
};
