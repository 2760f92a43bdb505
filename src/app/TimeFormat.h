#pragma once
// The time of day as the user's locale writes it, for the menu's last-update line: the
// time format ("%X") of the C library's LC_TIME, which gives hours, minutes and seconds and
// no date ("22:13:20" in C and de_DE, "10:13:20 PM" in en_US, "22時13分20秒" in ja_JP).

#include <chrono>
#include <ctime>
#include <string>

namespace tamsel {

// `parts` in the time format of the C library's locale `localeName` ("ja_JP.UTF-8";
// empty: the user's, from LC_ALL, LC_TIME and LANG as the C library reads them). A locale
// that is not installed, or that writes anything other than UTF-8, gives "HH:MM:SS".
// A fresh locale object for each call, so a changed environment counts. Never throws.
std::string formatTimeOfDay(const std::tm& parts, const std::string& localeName = {});

// `when` in the local time zone, written as formatTimeOfDay does.
std::string formatMediumTime(std::chrono::system_clock::time_point when, const std::string& localeName = {});

// `when` in the local time zone as "HH:MM", 24-hour, two digits each, in every locale.
std::string formatHourMinute(std::chrono::system_clock::time_point when);

}  // namespace tamsel
