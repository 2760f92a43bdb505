#include "bridge/Text.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace tamsel {
namespace {

// Decodes the code point at `i` (valid UTF-8 assumed; invalid bytes give a negative value).
UChar32 codePointAt(std::string_view text, int32_t& i) {
    UChar32 c;
    // NOLINTNEXTLINE(bugprone-inc-dec-in-conditions): inside ICU's macro
    U8_NEXT(reinterpret_cast<const uint8_t*>(text.data()), i, static_cast<int32_t>(text.size()), c);
    return c;
}

template <typename IsTrimmed>
std::string trimmed(std::string_view text, IsTrimmed isTrimmed) {
    // Walk code points forwards, remembering where the last kept one ends.
    int32_t i = 0;
    const auto length = static_cast<int32_t>(text.size());
    int32_t begin = length;
    int32_t end = 0;
    while (i < length) {
        const int32_t start = i;
        const UChar32 c = codePointAt(text, i);
        if (c < 0 || !isTrimmed(c)) {
            if (begin == length) begin = start;
            end = i;
        }
    }
    if (begin >= end) return {};
    return std::string(text.substr(static_cast<size_t>(begin), static_cast<size_t>(end - begin)));
}

}  // namespace

bool isValidUTF8(std::string_view bytes) {
    int32_t i = 0;
    const auto length = static_cast<int32_t>(bytes.size());
    if (bytes.size() > static_cast<size_t>(INT32_MAX)) return false;
    while (i < length) {
        if (codePointAt(bytes, i) < 0) return false;
    }
    return true;
}

std::string trimWhitespaceAndNewlines(std::string_view text) {
    return trimmed(text, [](UChar32 c) { return u_hasBinaryProperty(c, UCHAR_WHITE_SPACE) != 0; });
}

std::string trimSpacesAndTabs(std::string_view text) {
    return trimmed(text, [](UChar32 c) { return c == '\t' || u_charType(c) == U_SPACE_SEPARATOR; });
}

std::vector<std::string> split(std::string_view text, char separator, bool keepEmpty) {
    std::vector<std::string> pieces;
    size_t start = 0;
    while (true) {
        const size_t end = text.find(separator, start);
        const std::string_view piece =
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (keepEmpty || !piece.empty()) pieces.emplace_back(piece);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return pieces;
}

}  // namespace tamsel
