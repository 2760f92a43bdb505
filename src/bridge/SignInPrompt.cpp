#include "bridge/SignInPrompt.h"

#include <algorithm>

namespace tamsel {
namespace {

std::string_view trimmed(std::string_view line) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!line.empty() && blank(line.front())) line.remove_prefix(1);
    while (!line.empty() && blank(line.back())) line.remove_suffix(1);
    return line;
}

bool isURL(std::string_view line) {
    constexpr std::string_view scheme = "https://";
    if (!line.starts_with(scheme) || line.size() == scheme.size()) return false;
    // Printable ASCII only: no blank, no control character, nothing that is not UTF-8.
    return std::all_of(line.begin(), line.end(), [](char c) { return c > ' ' && c < 0x7f; });
}

bool isCode(std::string_view line) {
    if (line.size() != 9 || line[4] != '-') return false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (i != 4 && !((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    }
    return true;
}

}  // namespace

bool SignInPromptReader::take(std::string_view piece) {
    bool changed = false;
    while (!piece.empty()) {
        const std::size_t end = piece.find('\n');
        const std::string_view part = piece.substr(0, end);
        if (!skipping_ && partial_.size() + part.size() <= kLongestPromptLine) {
            partial_ += part;
        } else {
            skipping_ = true;
            partial_.clear();
        }
        if (end == std::string_view::npos) break;
        if (!skipping_) changed = takeLine(partial_) || changed;
        partial_.clear();
        skipping_ = false;
        piece.remove_prefix(end + 1);
    }
    return changed;
}

bool SignInPromptReader::takeLine(std::string_view line) {
    line = trimmed(line);
    if (!prompt_) {
        if (!isURL(line)) return false;
        prompt_ = SignInPrompt{std::string(line), std::nullopt};
        return true;
    }
    if (prompt_->code || !isCode(line)) return false;
    prompt_->code = std::string(line);
    return true;
}

}  // namespace tamsel
