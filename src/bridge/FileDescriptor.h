#pragma once
// Owned file descriptors and close-on-exec pipes for talking to a child process.

#include <utility>

namespace tamsel {

// An owned file descriptor, closed when it goes.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    void reset();

private:
    int fd_ = -1;
};

struct Pipe {
    FileDescriptor readEnd;
    FileDescriptor writeEnd;
};

// A pipe whose ends are close-on-exec and above 0..2 (possible when this process runs
// with a standard stream closed), so that a child's redirections onto 0, 1 and 2 cannot
// clobber each other. Throws ProcessFailure (a std::system_error).
Pipe makePipe();

}  // namespace tamsel
