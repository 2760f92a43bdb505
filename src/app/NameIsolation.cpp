#include "app/NameIsolation.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace tamsel {

bool needsIsolation(std::string_view name) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(name.data());
    const auto length = static_cast<int32_t>(name.size());
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U8_NEXT(bytes, i, length, c);  // NOLINT(bugprone-inc-dec-in-conditions): inside ICU's macro
        if (c < 0) return true;
        switch (u_charDirection(c)) {
            case U_RIGHT_TO_LEFT:
            case U_RIGHT_TO_LEFT_ARABIC:
            case U_ARABIC_NUMBER:
            case U_LEFT_TO_RIGHT_EMBEDDING:
            case U_LEFT_TO_RIGHT_OVERRIDE:
            case U_RIGHT_TO_LEFT_EMBEDDING:
            case U_RIGHT_TO_LEFT_OVERRIDE:
            case U_POP_DIRECTIONAL_FORMAT:
            case U_LEFT_TO_RIGHT_ISOLATE:
            case U_RIGHT_TO_LEFT_ISOLATE:
            case U_FIRST_STRONG_ISOLATE:
            case U_POP_DIRECTIONAL_ISOLATE: return true;
            default: break;
        }
    }
    return false;
}

std::string isolated(std::string_view name) {
    if (!needsIsolation(name)) return std::string(name);
    std::string text;
    text.reserve(name.size() + kIsolateStart.size() + kIsolateEnd.size());
    text.append(kIsolateStart).append(name).append(kIsolateEnd);
    return text;
}

}  // namespace tamsel
