#pragma once
// Names from outside (instance and profile names) set into the product's own sentences.
// A name may hold right-to-left letters or direction marks (U+202E turns the rest of a
// line around); such a name is enclosed in U+2068 … U+2069, so that it is laid out on its
// own and the words around it keep their order. Other names are left as they are.

#include <string>
#include <string_view>

namespace tamsel {

inline constexpr std::string_view kIsolateStart = "\u2068";  // FIRST STRONG ISOLATE
inline constexpr std::string_view kIsolateEnd = "\u2069";    // POP DIRECTIONAL ISOLATE

// Whether `name` holds a right-to-left letter or digit, or any explicit direction mark,
// embedding, override or isolate. Text that is not UTF-8 counts as needing it.
bool needsIsolation(std::string_view name);

// `name`, enclosed in the isolate marks when it needs them.
std::string isolated(std::string_view name);

}  // namespace tamsel
