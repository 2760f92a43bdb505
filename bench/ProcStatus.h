#pragma once
// What the measurement programs read about themselves from /proc: resident sizes, the
// mappings that hold them, and the load average to note beside each figure.

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace tamsel::bench {

// A line of /proc/self/status, in KiB ("VmRSS", "RssAnon", "RssFile", "VmHWM"); -1 when absent.
inline long statusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0) return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
    return -1;
}

// The 1-minute load average, for the record next to a figure.
inline double loadAverage() {
    double load = -1;
    if (FILE* file = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(file, "%lf", &load) != 1) load = -1;
        std::fclose(file);
    }
    return load;
}

// Resident KiB per file mapped ([heap], [anon] etc. for the others).
inline std::map<std::string, long> residentByMapping() {
    std::ifstream smaps("/proc/self/smaps");
    std::map<std::string, long> rss;
    std::string line, name;
    while (std::getline(smaps, line)) {
        if (line.empty()) continue;
        if (std::isxdigit(static_cast<unsigned char>(line[0])) && line.find('-') < line.find(' ')) {
            // "start-end perms offset dev inode [path]"
            std::istringstream fields(line);
            std::string skip;
            for (int i = 0; i < 5; ++i) fields >> skip;
            // A mapping without a path leaves the stream at its end, where getline would
            // keep the previous mapping's name.
            name.clear();
            std::getline(fields >> std::ws, name);
            if (name.empty()) name = "[anon]";
        } else if (line.rfind("Rss:", 0) == 0) {
            rss[name] += std::strtol(line.c_str() + 4, nullptr, 10);
        }
    }
    return rss;
}

// Prints the `top` mappings with the most resident memory now, or that grew the most since
// `since`, largest first.
inline void printResidentByMapping(size_t top, const std::map<std::string, long>& since = {}) {
    std::vector<std::pair<long, std::string>> sorted;
    for (const auto& [file, kib] : residentByMapping()) {
        const auto before = since.find(file);
        sorted.emplace_back(kib - (before == since.end() ? 0 : before->second), file);
    }
    std::sort(sorted.rbegin(), sorted.rend());
    for (size_t i = 0; i < std::min(top, sorted.size()); ++i)
        std::printf(since.empty() ? "    %8.2f MiB  %s\n" : "    %+8.2f MiB  %s\n",
                    static_cast<double>(sorted[i].first) / 1024.0, sorted[i].second.c_str());
}

}  // namespace tamsel::bench
