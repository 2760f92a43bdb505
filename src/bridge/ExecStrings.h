#pragma once
// A program's arguments or environment as exec wants them: a null-terminated array of
// pointers into strings that this object keeps alive. Built before fork, since the child
// may only read what is already allocated.

#include <string>
#include <vector>

namespace tamsel {

class ExecStrings {
public:
    explicit ExecStrings(std::vector<std::string> strings) : strings_(std::move(strings)) {
        pointers_.reserve(strings_.size() + 1);
        for (std::string& s : strings_) pointers_.push_back(s.data());
        pointers_.push_back(nullptr);
    }
    // The pointers point into this object's own strings.
    ExecStrings(const ExecStrings&) = delete;
    ExecStrings& operator=(const ExecStrings&) = delete;

    char* const* data() const { return pointers_.data(); }

private:
    std::vector<std::string> strings_;
    std::vector<char*> pointers_;
};

}  // namespace tamsel
