#pragma once
// Small text helpers for what the tool and the lookup endpoint print.

#include <string>
#include <string_view>
#include <vector>

namespace tamsel {

// True when `bytes` is well-formed UTF-8 (no overlongs, surrogates or code points past U+10FFFF).
bool isValidUTF8(std::string_view bytes);

// `text` without white space and line breaks at both ends (Unicode White_Space).
std::string trimWhitespaceAndNewlines(std::string_view text);

// `text` without spaces and tabs at both ends: the Unicode space separators and the
// horizontal tab, not line breaks.
std::string trimSpacesAndTabs(std::string_view text);

// The pieces of `text` between `separator`s; empty pieces are dropped when `keepEmpty` is false.
std::vector<std::string> split(std::string_view text, char separator, bool keepEmpty);

}  // namespace tamsel
