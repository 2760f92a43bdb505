#include "bridge/Collation.h"

#include <cstdlib>

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/stringpiece.h>

namespace tamsel {
namespace {

constexpr const char* kRootName = "root";

// The ICU locale ID for a POSIX locale name ("ja_JP.UTF-8" gives "ja_JP", "de_DE@euro"
// gives "de_DE"), or the empty string when the name names no language: "C", "POSIX", an
// empty name, or one with characters no locale name has.
std::string icuLocaleID(std::string_view name) {
    name = name.substr(0, name.find('@'));
    name = name.substr(0, name.find('.'));
    if (name.empty() || name == "C" || name == "POSIX") return {};
    for (const char c : name) {
        const bool allowed =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
        if (!allowed) return {};
    }
    // The language comes first and is two or three letters (or ICU's own "root").
    const std::string_view language = name.substr(0, name.find_first_of("_-"));
    if (language == kRootName) return kRootName;
    if (language.size() < 2 || language.size() > 3) return {};
    for (const char c : language) {
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return {};
    }
    return std::string(name);
}

}  // namespace

struct Collation::Collator {
    std::unique_ptr<icu::Collator> icu;

    // The collator of `locale`, or none when ICU cannot make one.
    static std::unique_ptr<Collator> make(const icu::Locale& locale) {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(locale, status));
        if (U_FAILURE(status) || !collator) return nullptr;
        return std::make_unique<Collator>(Collator{std::move(collator)});
    }
};

Collation Collation::forUserLocale() {
    // The C library's order: LC_ALL overrides LC_COLLATE, which overrides LANG; an empty
    // variable counts as unset.
    std::string_view name;
    for (const char* variable : {"LC_ALL", "LC_COLLATE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value) {
            name = value;
            break;
        }
    }
    return Collation(name);
}

Collation::Collation(std::string_view localeName) {
    std::string id = icuLocaleID(localeName);
    if (!id.empty() && id != kRootName) {
        const icu::Locale locale(id.c_str());
        if (!locale.isBogus()) collator_ = Collator::make(locale);
        if (collator_) localeName_ = locale.getName();
    }
    if (!collator_) {
        collator_ = Collator::make(icu::Locale::getRoot());
        localeName_ = kRootName;
    }
    // Without even the root collation (ICU data missing) less() compares code points.
}

Collation::~Collation() = default;
Collation::Collation(Collation&&) noexcept = default;
Collation& Collation::operator=(Collation&&) noexcept = default;

bool Collation::less(std::string_view a, std::string_view b) const {
    if (collator_) {
        UErrorCode status = U_ZERO_ERROR;
        const UCollationResult result =
            collator_->icu->compareUTF8(icu::StringPiece(a.data(), static_cast<int32_t>(a.size())),
                                        icu::StringPiece(b.data(), static_cast<int32_t>(b.size())), status);
        if (U_SUCCESS(status)) return result == UCOL_LESS;
    }
    // Byte order of UTF-8 is code-point order.
    return a < b;
}

}  // namespace tamsel
