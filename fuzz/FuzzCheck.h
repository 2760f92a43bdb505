#pragma once
// What the fuzz targets share: a failed invariant ends the run with a message (libFuzzer
// keeps the input), and text checks written independently of the bridge's own helpers,
// so that the targets also cross-check those helpers.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace fuzz {

inline std::string_view asText(const uint8_t* data, size_t size) { return {reinterpret_cast<const char*>(data), size}; }

// Well-formed UTF-8 after the Unicode standard's table 3-7: no overlongs, no surrogates,
// nothing past U+10FFFF. Calls `onCodePoint` with each code point.
template <typename OnCodePoint>
bool decodeUTF8(std::string_view text, OnCodePoint onCodePoint) {
    size_t i = 0;
    while (i < text.size()) {
        const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
        const unsigned lead = byte(i);
        size_t length;
        unsigned low = 0x80, high = 0xBF;
        char32_t c;
        if (lead < 0x80) {
            length = 1, c = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, c = lead & 0x0F;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, c = lead & 0x07;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        if (text.size() - i < length) return false;
        for (size_t k = 1; k < length; ++k) {
            const unsigned trail = byte(i + k);
            if (trail < (k == 1 ? low : 0x80) || trail > (k == 1 ? high : 0xBF)) return false;
            c = (c << 6) | (trail & 0x3F);
        }
        onCodePoint(c);
        i += length;
    }
    return true;
}

inline bool isUTF8(std::string_view text) {
    return decodeUTF8(text, [](char32_t) {});
}

// Unicode's White_Space property (PropList.txt), which includes the line breaks.
inline bool isWhiteSpace(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

// The first and the last code point of valid UTF-8 `text` (not empty).
inline std::pair<char32_t, char32_t> ends(std::string_view text) {
    char32_t first = 0, last = 0;
    bool seen = false;
    decodeUTF8(text, [&](char32_t c) {
        if (!seen) first = c, seen = true;
        last = c;
    });
    return {first, last};
}

}  // namespace fuzz
