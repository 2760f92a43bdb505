#include "platform/xdg/AutostartEntry.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string_view>
#include <system_error>

#include "bridge/Text.h"
#include "platform/PlatformWording.h"

namespace tamsel {
namespace {

constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";

std::string osError(int error) { return std::strerror(error); }

[[noreturn]] void fail(const std::string& what, const std::filesystem::path& path, int error) {
    throw std::runtime_error(platformWords::loginItemFailure(what, path, osError(error)));
}

// Writes all of `data` to `fd`, retrying short writes and interruptions.
bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

std::filesystem::path userConfigHome() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/') return config;
    if (const char* home = std::getenv("HOME"); home && home[0] == '/') return std::filesystem::path(home) / ".config";
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return std::filesystem::path(entry->pw_dir) / ".config";
    return "/.config";
}

std::string runningExecutable() {
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

std::string desktopExecValue(const std::string& program) {
    for (unsigned char c : program)
        if (c < 0x20 || c == 0x7f) throw std::runtime_error(platformWords::controlCharacterInPath(program));

    const bool quote = program.find_first_of(kReserved) != std::string::npos;
    std::string argument;
    if (quote) argument += '"';
    for (char c : program) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) argument += '\\';
        argument += c;
    }
    if (quote) argument += '"';

    // The string-value escapes come on top of the quoting, and field codes start with '%'.
    std::string value;
    for (char c : argument) {
        if (c == '\\') value += "\\\\";
        else if (c == '%') value += "%%";
        else value += c;
    }
    return value;
}

AutostartEntry AutostartEntry::forCurrentUser() { return AutostartEntry(userConfigHome(), runningExecutable()); }

AutostartEntry::AutostartEntry(const std::filesystem::path& configHome, std::string executable)
    : file_(configHome / "autostart" / "orvane.desktop"), executable_(std::move(executable)) {}

bool AutostartEntry::isEnabled() const {
    std::error_code error;
    if (!std::filesystem::is_regular_file(file_, error)) return false;
    std::ifstream in(file_);
    if (!in) return false;
    std::string line;
    bool inEntry = false;
    while (std::getline(in, line)) {
        const std::string text = trimWhitespaceAndNewlines(line);
        if (text.empty() || text.front() == '#') continue;
        if (text.front() == '[') {
            inEntry = text == "[Desktop Entry]";
            continue;
        }
        const auto equals = text.find('=');
        if (!inEntry || equals == std::string_view::npos) continue;
        const std::string key = trimWhitespaceAndNewlines(std::string_view(text).substr(0, equals));
        const std::string value = trimWhitespaceAndNewlines(std::string_view(text).substr(equals + 1));
        if (key == "Hidden" && value == "true") return false;
        if (key == "X-GNOME-Autostart-enabled" && value == "false") return false;
    }
    return true;
}

std::string AutostartEntry::contents() const {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=" +
           platformWords::appName() +
           "\n"
           "Comment=" +
           platformWords::kLoginItemComment +
           "\n"
           "Exec=" +
           desktopExecValue(executable_) +
           "\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

void AutostartEntry::enable() {
    if (executable_.empty() || executable_.front() != '/') throw std::runtime_error(platformWords::kProgramUnknown);
    const std::string text = contents();
    const auto folder = file_.parent_path();

    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) fail(platformWords::kFolderNotCreated, folder, error.value());

    std::string temp = (folder / ".orvane.desktop.XXXXXX").string();
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) fail(platformWords::kNotWritten, folder, errno);

    // Every failure from here on removes the temporary file before reporting.
    const auto abandon = [&](const std::filesystem::path& where) {
        const int saved = errno;
        ::unlink(temp.c_str());
        fail(platformWords::kNotWritten, where, saved);
    };
    if (::fchmod(fd, 0644) != 0 || !writeAll(fd, text) || ::fsync(fd) != 0) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        abandon(file_);
    }
    if (::close(fd) != 0) abandon(file_);
    if (::rename(temp.c_str(), file_.c_str()) != 0) abandon(file_);

    // Make the rename itself durable.
    if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

void AutostartEntry::disable() {
    if (::unlink(file_.c_str()) != 0 && errno != ENOENT) fail(platformWords::kNotRemoved, file_, errno);
}

}  // namespace tamsel
