#pragma once
// Locale-aware ordering of texts, as the user's locale sorts them (not by bytes).

#include <memory>
#include <string>
#include <string_view>

namespace tamsel {

class Collation {
public:
    // The collation of the user's locale, taken from LC_ALL, LC_COLLATE or LANG (first set
    // wins, as the C library does); the root collation when none names a usable locale.
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
