#include "app/RunningTime.h"

#include "app/Wording.h"

namespace tamsel {

std::optional<std::string> runningTimeLine(const EC2Instance& instance, std::chrono::system_clock::time_point now) {
    using namespace std::chrono;
    if (instance.state != InstanceState::running || !instance.launchTime || *instance.launchTime > now)
        return std::nullopt;
    const auto total = duration_cast<minutes>(now - *instance.launchTime).count();
    const auto days = total / (24 * 60);
    const auto hoursLeft = total / 60 % 24;
    const auto minutesLeft = total % 60;
    if (days > 0) return words::runningForDays(days, hoursLeft);
    if (total >= 60) return words::runningForHours(hoursLeft, minutesLeft);
    return words::runningForMinutes(minutesLeft);
}

}  // namespace tamsel
