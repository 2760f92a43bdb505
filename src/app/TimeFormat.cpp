#include "app/TimeFormat.h"

#include <clocale>
#include <locale.h>

#include "bridge/Text.h"

namespace tamsel {
namespace {

// `format` applied to `parts` in `locale`; empty when it writes nothing or does not fit.
std::string written(const char* format, const std::tm& parts, locale_t locale) {
    char buffer[128];
    const std::size_t length = strftime_l(buffer, sizeof buffer, format, &parts, locale);
    return std::string(buffer, length);
}

}  // namespace

std::string formatTimeOfDay(const std::tm& parts, const std::string& localeName) {
    std::string text;
    if (const locale_t locale = newlocale(LC_TIME_MASK, localeName.c_str(), static_cast<locale_t>(nullptr))) {
        text = written("%X", parts, locale);
        freelocale(locale);
    }
    // A locale of another codeset (ja_JP.eucJP) would put bytes in the menu that are no text.
    if (text.empty() || !isValidUTF8(text)) {
        const locale_t plain = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
        text = plain ? written("%H:%M:%S", parts, plain) : std::string();
        if (plain) freelocale(plain);
    }
    return text;
}

std::string formatMediumTime(std::chrono::system_clock::time_point when, const std::string& localeName) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm parts{};
    if (!localtime_r(&seconds, &parts)) return {};
    return formatTimeOfDay(parts, localeName);
}

}  // namespace tamsel
