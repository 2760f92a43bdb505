#pragma once
// The command lines of the measurement programs: "--name N" pairs, each setting a whole
// number that the program starts with a default for.

#include <charconv>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <system_error>

namespace tamsel::bench {

// Sets the variable of each "--name N" pair in argv, as `options` maps names to variables.
// An unknown name, or a value that is missing, not a number or negative, prints a usage
// line and gives false; the variables may then be partly set.
inline bool readOptions(int argc, char** argv, const std::map<std::string, int*>& options) {
    for (int i = 1; i < argc; i += 2) {
        const auto option = options.find(argv[i]);
        const char* text = i + 1 < argc ? argv[i + 1] : "";
        const char* end = text + std::strlen(text);
        int value = 0;
        const auto [stop, error] = std::from_chars(text, end, value);
        if (option == options.end() || error != std::errc() || stop != end || value < 0) {
            std::string usage;
            for (const auto& [name, variable] : options) usage += " [" + name + " N]";
            std::fprintf(stderr, "usage: %s%s\n", argv[0], usage.c_str());
            return false;
        }
        *option->second = value;
    }
    return true;
}

}  // namespace tamsel::bench
