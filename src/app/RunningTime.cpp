#include "app/RunningTime.h"

#include <cctype>

#include "app/Wording.h"

namespace tamsel {
namespace {

// Reads exactly `count` digits at `at` into `value`, moving `at` past them.
bool digits(std::string_view text, std::size_t& at, int count, int& value) {
    if (at + static_cast<std::size_t>(count) > text.size()) return false;
    value = 0;
    for (int i = 0; i < count; ++i) {
        const char c = text[at++];
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

bool expect(std::string_view text, std::size_t& at, char c) {
    if (at >= text.size() || text[at] != c) return false;
    ++at;
    return true;
}

}  // namespace

std::optional<std::chrono::system_clock::time_point> parseLaunchTime(std::string_view text) {
    using namespace std::chrono;
    std::size_t at = 0;
    int y, mo, d, h, mi, s;
    if (!digits(text, at, 4, y) || !expect(text, at, '-') || !digits(text, at, 2, mo) || !expect(text, at, '-') ||
        !digits(text, at, 2, d) || !expect(text, at, 'T') || !digits(text, at, 2, h) || !expect(text, at, ':') ||
        !digits(text, at, 2, mi) || !expect(text, at, ':') || !digits(text, at, 2, s))
        return std::nullopt;
    if (at < text.size() && text[at] == '.') {
        const std::size_t first = ++at;
        while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) ++at;
        if (at == first) return std::nullopt;
    }
    int offsetMinutes = 0;
    if (at < text.size() && text[at] == 'Z') {
        ++at;
    } else if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        const int sign = text[at++] == '-' ? -1 : 1;
        int oh, om;
        if (!digits(text, at, 2, oh)) return std::nullopt;
        expect(text, at, ':');
        if (!digits(text, at, 2, om) || oh > 23 || om > 59) return std::nullopt;
        offsetMinutes = sign * (oh * 60 + om);
    }
    if (at != text.size()) return std::nullopt;

    const year_month_day date{year{y}, month{static_cast<unsigned>(mo)}, day{static_cast<unsigned>(d)}};
    if (!date.ok() || h > 23 || mi > 59 || s > 60) return std::nullopt;
    const sys_seconds moment = sys_days{date} + hours{h} + minutes{mi} + seconds{s} - minutes{offsetMinutes};
    // The clock counts in units far finer than seconds: a time beyond its range (a year such
    // as 9999) would wrap around into some other moment.
    using Clock = system_clock;
    if (moment > floor<seconds>(Clock::time_point::max()) || moment < ceil<seconds>(Clock::time_point::min()))
        return std::nullopt;
    return time_point_cast<Clock::duration>(moment);
}

std::optional<std::string> runningTimeLine(const EC2Instance& instance, std::chrono::system_clock::time_point now) {
    using namespace std::chrono;
    if (instance.state != "running" || !instance.launchTime) return std::nullopt;
    const auto launched = parseLaunchTime(*instance.launchTime);
    if (!launched || *launched > now) return std::nullopt;
    const auto total = duration_cast<minutes>(now - *launched).count();
    const auto days = total / (24 * 60);
    const auto hoursLeft = total / 60 % 24;
    const auto minutesLeft = total % 60;
    if (days > 0) return words::runningForDays(days, hoursLeft);
    if (total >= 60) return words::runningForHours(hoursLeft, minutesLeft);
    return words::runningForMinutes(minutesLeft);
}

}  // namespace tamsel
