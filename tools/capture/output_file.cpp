#include "tools/capture/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

bool OutputFile::fail(int error) {
    if (error_ == 0) error_ = error != 0 ? error : EIO;
    return false;
}

bool OutputFile::open(const std::string& target) {
    abandon();
    target_ = target;
    error_ = 0;
    std::vector<char> name(target.begin(), target.end());
    const char suffix[] = ".partial-XXXXXX";
    name.insert(name.end(), suffix, suffix + sizeof suffix);
    fd_ = ::mkstemp(name.data());
    if (fd_ < 0) return fail(errno);
    temporary_ = name.data();
    // mkstemp makes the file for its owner only; the target gets what any
    // newly created file would.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(fd_, 0666 & ~mask) != 0) return fail(errno);
    return true;
}

bool OutputFile::write(const void* bytes, std::size_t size) {
    if (fd_ < 0 || error_ != 0) return fail(error_);
    const char* at = static_cast<const char*>(bytes);
    while (size > 0) {
        const ssize_t written = ::write(fd_, at, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return fail(written < 0 ? errno : ENOSPC);
        at += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool OutputFile::commit() {
    if (fd_ < 0) return fail(error_);
    // A file that is not on the disk yet may still fail to get there.
    if (error_ == 0 && ::fsync(fd_) != 0) fail(errno);
    if (::close(fd_) != 0) fail(errno);
    fd_ = -1;
    if (error_ == 0 && ::rename(temporary_.c_str(), target_.c_str()) != 0) fail(errno);
    if (error_ != 0) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
        return false;
    }
    temporary_.clear();
    return true;
}

void OutputFile::abandon() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
}

std::string OutputFile::why() const { return "cannot write " + target_ + ": " + std::strerror(error_); }
