#pragma once
// Locale-aware ordering of texts, as the user's locale sorts them (not by bytes).

#include <memory>
#include <string>
#include <string_view>

namespace tamsel {

class Collation {
public:
    // The collation of the user's locale, taken from LC_ALL, LC_COLLATE or LANG (the first
    // that is set and not empty wins, as in the C library); the root collation when that
    // is "C" or "POSIX" or names no usable locale. Never throws.
    static Collation forUserLocale();
    // The collation of one locale, given as an ICU or POSIX name ("ja_JP.UTF-8", "en_US").
    explicit Collation(std::string_view localeName);
    ~Collation();
    Collation(Collation&&) noexcept;
    Collation& operator=(Collation&&) noexcept;

    // True when `a` sorts strictly before `b`.
    bool less(std::string_view a, std::string_view b) const;

    const std::string& localeName() const { return localeName_; }

private:
    // Holds the ICU collator. (ICU names its namespace through an alias, which cannot be
    // forward-declared, so its type stays in the source file.)
    struct Collator;
    std::string localeName_;
    std::unique_ptr<Collator> collator_;
};

}  // namespace tamsel
