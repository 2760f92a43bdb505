#include "app/TimeFormat.h"

#include <locale.h>

#include "bridge/Text.h"

namespace tamsel {

std::string formatTimeOfDay(const std::tm& parts, const std::string& localeName) {
    std::string text;
    if (const locale_t locale = newlocale(LC_TIME_MASK, localeName.c_str(), static_cast<locale_t>(nullptr))) {
        char buffer[128];  // strftime_l writes nothing when the text does not fit
        text.assign(buffer, strftime_l(buffer, sizeof buffer, "%X", &parts, locale));
        freelocale(locale);
    }
    // A locale of another codeset (ja_JP.eucJP) would put bytes in the menu that are no text.
    // Digits and colons alone read the same in every locale.
    if (text.empty() || !isValidUTF8(text)) {
        char buffer[16];
        text.assign(buffer, std::strftime(buffer, sizeof buffer, "%H:%M:%S", &parts));
    }
    return text;
}

std::string formatMediumTime(std::chrono::system_clock::time_point when, const std::string& localeName) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm parts{};
    if (!localtime_r(&seconds, &parts)) return {};
    return formatTimeOfDay(parts, localeName);
}

std::string formatHourMinute(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm parts{};
    if (!localtime_r(&seconds, &parts)) return {};
    char buffer[8];
    return std::string(buffer, std::strftime(buffer, sizeof buffer, "%H:%M", &parts));
}

}  // namespace tamsel
