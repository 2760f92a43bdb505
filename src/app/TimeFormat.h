#pragma once
// The time of day as the user's locale writes it in its medium style (hours, minutes,
// seconds; no date), for the menu's last-update line.

#include <chrono>
#include <functional>
#include <string>

namespace tamsel {

// The ICU name of the locale the user's time formats follow: the first of LC_ALL,
// LC_TIME and LANG that is set and not empty, as the C library picks it, with the
// codeset and modifier dropped ("ja_JP.UTF-8" gives "ja_JP"). "C", "POSIX" or none of
// them set gives "en_US_POSIX".
std::string timeLocaleName();
// The same, with `lookup` reading one variable (null: unset) instead of the environment.
std::string timeLocaleName(const std::function<const char*(const char*)>& lookup);

// `when` in the medium time style of `localeName`, in the time zone `timeZoneID` (an
// Olson id such as "Asia/Tokyo"; empty: the local time zone). A fresh formatter for each
// call. Never throws: should ICU fail, the time is written as HH:MM:SS.
std::string formatMediumTime(std::chrono::system_clock::time_point when, const std::string& localeName,
                             const std::string& timeZoneID = {});

}  // namespace tamsel
