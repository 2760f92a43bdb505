#include "bridge/FileDescriptor.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "bridge/ProcessFailure.h"

namespace tamsel {
namespace {

FileDescriptor aboveStandardStreams(FileDescriptor fd) {
    if (fd.get() > 2) return fd;
    const int moved = fcntl(fd.get(), F_DUPFD_CLOEXEC, 3);
    if (moved < 0) throw ProcessFailure(ProcessFailure::Step::preparePipe, errno);
    return FileDescriptor(moved);
}

}  // namespace

void FileDescriptor::reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

Pipe makePipe() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) throw ProcessFailure(ProcessFailure::Step::makePipe, errno);
    Pipe pipe{FileDescriptor(fds[0]), FileDescriptor(fds[1])};
    pipe.readEnd = aboveStandardStreams(std::move(pipe.readEnd));
    pipe.writeEnd = aboveStandardStreams(std::move(pipe.writeEnd));
    return pipe;
}

}  // namespace tamsel
