#pragma once
// Stops the user booked from the menu: an instance to stop at a time, under the profile and
// region it was listed under when booked, whatever is chosen when the time comes. Kept in
// the settings store, so a booking outlives a restart, but carried out only while orvane
// runs: one whose time passed while it was not running is dropped at launch, never carried
// out late, and the user is told; so is one found more than a minute late while running (the
// machine slept, the clock jumped, the process was held). A booking ends when carried out,
// when cancelled, when a listing under its profile and region shows the instance stopping,
// stopped or gone, and, checked just before it is carried out, when the instance has been
// stopped since it was booked.

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "app/AppSettings.h"
#include "app/Platform.h"
#include "app/Redraw.h"
#include "bridge/CloudGateway.h"
#include "bridge/EC2Instance.h"

namespace tamsel {

// The longest the timer waits between two looks at the bookings. Timers do not run while
// the machine sleeps, so a stop that came due meanwhile follows within this after waking,
// even behind a locked screen.
inline constexpr std::chrono::minutes kStopBookingCheck{1};
// How late a booked stop may still be carried out; one found later than this is dropped.
inline constexpr std::chrono::minutes kStopBookingLateness{1};

struct StopBooking {
    std::chrono::system_clock::time_point at;
    CallTarget target;  // where the instance was listed when booked
    std::string name;   // its name (or id) when booked, to tell of it before any listing
    // When it was booked; absent for a booking stored by an earlier version.
    std::optional<std::chrono::system_clock::time_point> bookedAt;

    bool operator==(const StopBooking&) const = default;
};

// Whether the instance of `booking`, as a listing under the booking's profile and region
// shows it (`listed`; null when it is not listed), has been stopped since it was booked:
// stopping, stopped or gone, or started again after the booking was made.
bool stoppedSinceBooked(const StopBooking& booking, const EC2Instance* listed);

// Instance id to when its booked stop is due, for the menu.
using StopBookingTimes = std::map<std::string, std::chrono::system_clock::time_point>;

class StopBookings {
public:
    // Called on the main thread when a booking's time has come, once it is dropped.
    using Due = std::function<void(const std::string& instanceID, const StopBooking& booking)>;

    // Everything given must outlive the bookings. `redraw` is called when bookings came due
    // or were missed, after `due`.
    StopBookings(AppSettings& settings, Timers& timers, const Application& application, Notifications& notifications,
                 Due due, Redraw redraw);

    // Reads the stored bookings: drops each whose time has passed, telling the user, and
    // each that cannot be read; then waits for the rest.
    void launched();

    // Books the stop of `instance`, listed under `target`, `after` from now, in place of an
    // earlier one. Both return why the change could not be stored (it holds for this run).
    [[nodiscard]] std::optional<Failure> book(const EC2Instance& instance, const CallTarget& target,
                                              std::chrono::hours after);
    [[nodiscard]] std::optional<Failure> cancel(const std::string& instanceID);

    // A listing under `target` landed without error: drops the bookings of the instances it
    // shows stopping, stopped or gone (stopped by anyone), then carries out those due.
    void landed(std::span<const EC2Instance> instances, const CallTarget& target);

    StopBookingTimes times() const;

private:
    // Stores the bookings; a failure is kept for this run by the settings and not reported
    // here: only the user's own changes report it.
    std::optional<Failure> store();
    // Drops the bookings whose time has come and hands each to `due_`, or, when it came
    // more than kStopBookingLateness ago, tells the user it was missed.
    void carryOutDue();
    // Arms the timer for the next look at the bookings, or none while there are none.
    void arm();

    AppSettings& settings_;
    Timers& timers_;
    const Application& application_;
    Notifications& notifications_;
    Due due_;
    Redraw redraw_;
    std::map<std::string, StopBooking> bookings_;  // by instance id
    std::unique_ptr<OneShotTimer> timer_;
};

}  // namespace tamsel
