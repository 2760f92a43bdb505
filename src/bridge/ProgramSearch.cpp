#include "bridge/ProgramSearch.h"

#include <sys/stat.h>
#include <unistd.h>

#include "bridge/Text.h"

namespace tamsel {
namespace {

bool isExecutableFile(const std::string& path) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) return false;
    return S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::optional<std::string> findProgram(const std::string& name, const Environment& environment) {
    if (name.empty()) return std::nullopt;
    if (name.find('/') != std::string::npos) {
        if (isExecutableFile(name)) return name;
        return std::nullopt;
    }
    const std::string path = environment.get("PATH").value_or("/usr/local/bin:/usr/bin:/bin");
    for (const std::string& directory : split(path, ':', true)) {
        // An empty entry is the current directory, as for the shell.
        std::string candidate = (directory.empty() ? std::string(".") : directory) + "/" + name;
        if (isExecutableFile(candidate)) return candidate;
    }
    return std::nullopt;
}

}  // namespace tamsel
