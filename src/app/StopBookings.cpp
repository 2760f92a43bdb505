#include "app/StopBookings.h"

#include <algorithm>
#include <ctime>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/NameIsolation.h"
#include "app/TimeFormat.h"
#include "app/Wording.h"

namespace tamsel {
namespace {

using Clock = std::chrono::system_clock;

// "2026-12-08T06:30:00Z": whole seconds, UTC, so the file reads the same in every time zone.
std::string utcText(Clock::time_point when) {
    const std::time_t seconds = Clock::to_time_t(std::chrono::floor<std::chrono::seconds>(when));
    std::tm parts{};
    if (!gmtime_r(&seconds, &parts)) return {};
    char buffer[32];
    return std::string(buffer, std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &parts));
}

// A booking as stored: a JSON object with the time in UTC ("at"), when it was booked
// ("booked"), the profile and region (absent: left to the tool's configuration) and the
// instance's name.
std::string storedText(const StopBooking& booking) {
    nlohmann::json object = {{"at", utcText(booking.at)}, {"name", booking.name}};
    if (booking.bookedAt) object["booked"] = utcText(*booking.bookedAt);
    if (booking.target.profile) object["profile"] = *booking.target.profile;
    if (booking.target.region) object["region"] = *booking.target.region;
    // A name or profile that is not UTF-8 is stored with U+FFFD in its place, never a throw.
    return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// An optional text member: absent or null gives nothing; false when it holds anything else.
bool optionalText(const nlohmann::json& object, const char* key, std::optional<std::string>& value) {
    const auto found = object.find(key);
    if (found == object.end() || found->is_null()) return true;
    if (!found->is_string()) return false;
    value = found->get<std::string>();
    return true;
}

// The booking `text` holds; absent when it is not one (a hand edit gone wrong, a file of
// another version): such an entry is dropped, never an error.
std::optional<StopBooking> readStopBooking(const std::string& text) {
    const nlohmann::json object = nlohmann::json::parse(text, nullptr, false);
    if (!object.is_object()) return std::nullopt;
    const auto at = object.find("at");
    if (at == object.end() || !at->is_string()) return std::nullopt;
    StopBooking booking;
    const auto when = parseLaunchTime(at->get<std::string>());
    if (!when) return std::nullopt;
    booking.at = *when;
    std::optional<std::string> name;
    std::optional<std::string> booked;
    if (!optionalText(object, "profile", booking.target.profile) ||
        !optionalText(object, "region", booking.target.region) || !optionalText(object, "name", name) ||
        !optionalText(object, "booked", booked))
        return std::nullopt;
    booking.name = name.value_or("");
    if (booked) {
        booking.bookedAt = parseLaunchTime(*booked);
        if (!booking.bookedAt) return std::nullopt;
    }
    return booking;
}

bool goingOrGone(const InstanceState& state) {
    return state == InstanceState::stopping || state == InstanceState::stopped ||
           state == InstanceState::shuttingDown || state == InstanceState::terminated;
}

}  // namespace

bool stoppedSinceBooked(const StopBooking& booking, const EC2Instance* listed) {
    if (!listed || goingOrGone(listed->state)) return true;
    if (!booking.bookedAt || !listed->launchTime) return false;
    // The launch time is that of the last start: a later one means a stop came in between.
    return *listed->launchTime > *booking.bookedAt;
}

StopBookings::StopBookings(AppSettings& settings, Timers& timers, const Application& application,
                           Notifications& notifications, Due due, Redraw redraw)
    : settings_(settings),
      timers_(timers),
      application_(application),
      notifications_(notifications),
      due_(std::move(due)),
      redraw_(std::move(redraw)) {}

void StopBookings::launched() {
    const auto now = application_.now();
    const auto stored = settings_.stopBookings();
    for (const auto& [id, text] : stored) {
        // An entry that cannot be read (a hand edit gone wrong, a time the clock cannot
        // hold) is dropped without a word: what it meant is not known.
        auto booking = readStopBooking(text);
        if (!booking) continue;
        if (booking->name.empty()) booking->name = id;
        if (booking->at <= now) {
            // Stopping it now could stop a machine that someone has needed since.
            notifications_.send(words::missedStopBooking(isolated(booking->name), formatHourMinute(booking->at)), "");
            continue;
        }
        bookings_.emplace(id, std::move(*booking));
    }
    // Stored again whenever anything was stored: what was dropped goes, and what stays is
    // written in the current form.
    if (!stored.empty()) (void)store();
    arm();
}

std::optional<Failure> StopBookings::book(const EC2Instance& instance, const CallTarget& target,
                                          std::chrono::hours after) {
    // Whole seconds, as stored, so the time is the same before and after a restart.
    const auto now = std::chrono::floor<std::chrono::seconds>(application_.now());
    bookings_.insert_or_assign(instance.id, StopBooking{now + after, target, instance.sortKey(), now});
    auto failure = store();
    arm();
    return failure;
}

std::optional<Failure> StopBookings::cancel(const std::string& instanceID) {
    if (bookings_.erase(instanceID) == 0) return std::nullopt;
    auto failure = store();
    arm();
    return failure;
}

void StopBookings::landed(std::span<const EC2Instance> instances, const CallTarget& target) {
    bool dropped = false;
    for (auto it = bookings_.begin(); it != bookings_.end();) {
        if (it->second.target != target) {
            ++it;
            continue;
        }
        const auto listed = std::find_if(instances.begin(), instances.end(),
                                         [&](const EC2Instance& instance) { return instance.id == it->first; });
        if (listed == instances.end() || goingOrGone(listed->state)) {
            it = bookings_.erase(it);
            dropped = true;
        } else {
            ++it;
        }
    }
    if (dropped) (void)store();
    carryOutDue();
    arm();
}

StopBookingTimes StopBookings::times() const {
    StopBookingTimes times;
    for (const auto& [id, booking] : bookings_) times.emplace(id, booking.at);
    return times;
}

std::optional<Failure> StopBookings::store() {
    std::map<std::string, std::string> stored;
    for (const auto& [id, booking] : bookings_) stored.emplace(id, storedText(booking));
    return settings_.setStopBookings(stored);
}

void StopBookings::carryOutDue() {
    const auto now = application_.now();
    std::vector<std::pair<std::string, StopBooking>> due;
    bool dropped = false;
    for (auto it = bookings_.begin(); it != bookings_.end();) {
        if (it->second.at <= now - kStopBookingLateness) {
            // The machine slept through it (or the clock jumped, or the process was held):
            // stopping it now could stop a machine someone has needed since.
            notifications_.send(
                words::stopBookingMissedAsleep(isolated(it->second.name), formatHourMinute(it->second.at)), "");
            it = bookings_.erase(it);
            dropped = true;
        } else if (it->second.at <= now) {
            due.emplace_back(it->first, std::move(it->second));
            it = bookings_.erase(it);
        } else {
            ++it;
        }
    }
    if (due.empty() && !dropped) return;
    // Dropped before the stop runs: a stop that fails is alerted, not tried again.
    (void)store();
    for (const auto& [id, booking] : due) due_(id, booking);
    redraw_();
}

void StopBookings::arm() {
    timer_.reset();
    if (bookings_.empty()) return;
    const auto next = std::min_element(bookings_.begin(), bookings_.end(), [](const auto& a, const auto& b) {
                          return a.second.at < b.second.at;
                      })->second.at;
    const auto wait =
        std::clamp<Clock::duration>(next - application_.now(), Clock::duration::zero(), kStopBookingCheck);
    timer_ = timers_.startOneShot(std::chrono::ceil<std::chrono::milliseconds>(wait), [this] {
        carryOutDue();
        arm();
    });
}

}  // namespace tamsel
