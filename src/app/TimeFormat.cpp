#include "app/TimeFormat.h"

#include <cstdlib>
#include <ctime>
#include <memory>

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

namespace tamsel {
namespace {

constexpr const char* kPOSIXLocale = "en_US_POSIX";

// A POSIX locale name as ICU takes it: "ja_JP.UTF-8" and "de_DE@euro" lose what follows
// the language and territory.
std::string icuLocaleName(const std::string& posixName) {
    std::string name = posixName.substr(0, posixName.find_first_of(".@"));
    if (name.empty() || name == "C" || name == "POSIX") return kPOSIXLocale;
    return name;
}

// The plain 24-hour fallback, local time (or UTC when a zone was asked for: we cannot
// honour it without ICU).
std::string fallbackTime(std::chrono::system_clock::time_point when, bool local) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm parts{};
    if (!(local ? localtime_r(&seconds, &parts) : gmtime_r(&seconds, &parts))) return {};
    char buffer[16];
    const std::size_t length = std::strftime(buffer, sizeof buffer, "%H:%M:%S", &parts);
    return std::string(buffer, length);
}

}  // namespace

std::string timeLocaleName() {
    return timeLocaleName([](const char* name) -> const char* { return std::getenv(name); });
}

std::string timeLocaleName(const std::function<const char*(const char*)>& lookup) {
    for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* value = lookup ? lookup(variable) : nullptr;
        if (value && *value) return icuLocaleName(value);
    }
    return kPOSIXLocale;
}

std::string formatMediumTime(std::chrono::system_clock::time_point when, const std::string& localeName,
                             const std::string& timeZoneID) {
    try {
        icu::Locale locale(localeName.c_str());
        if (locale.isBogus()) locale = icu::Locale(kPOSIXLocale);
        std::unique_ptr<icu::DateFormat> format(icu::DateFormat::createTimeInstance(icu::DateFormat::kMedium, locale));
        if (!format) return fallbackTime(when, timeZoneID.empty());
        if (!timeZoneID.empty()) {
            format->adoptTimeZone(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(timeZoneID)));
        }
        const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch());
        icu::UnicodeString text;
        format->format(static_cast<UDate>(milliseconds.count()), text);
        std::string out;
        text.toUTF8String(out);
        return out;
    } catch (...) {
        return fallbackTime(when, timeZoneID.empty());
    }
}

}  // namespace tamsel
