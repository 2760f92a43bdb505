#include "platform/qt/SettingsFileProbe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/PlatformWording.h"

namespace tamsel {
namespace {

std::string reasonOf(int error) { return std::generic_category().message(error); }

}  // namespace

std::string settingsFileWriteFailure(const std::string& file) {
    const std::filesystem::path path(file);
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    if (error) return error.message();

    struct stat info;
    if (::stat(file.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) return reasonOf(EISDIR);
        const int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) return reasonOf(errno);
        ::close(fd);
    }

    std::string probe = file + ".XXXXXX";
    std::vector<char> name(probe.begin(), probe.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return reasonOf(errno);
    const bool written = ::write(fd, "\n", 1) == 1;
    const int writeError = errno;
    ::close(fd);
    ::unlink(name.data());
    if (!written) return reasonOf(writeError);
    return platformWords::kWriteFailed;
}

}  // namespace tamsel
