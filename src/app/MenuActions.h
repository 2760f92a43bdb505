#pragma once
// What the menu's entries do: the power actions with their confirmations and the ingress
// lock, booking a stop and cancelling it, the settings entries, the favourites, the login
// item, copying text, connecting over ssh, the error details, signing in again, counting
// the other regions, reloading and quitting.
// A failed action is shown in an alert; every cloud operation is followed by a listing,
// and an accepted start or stop is followed by the power watch until it settles.

#include <functional>
#include <optional>
#include <string>

#include "app/AppSettings.h"
#include "app/Failure.h"
#include "app/MFACodeRequest.h"
#include "app/MenuModel.h"
#include "app/Platform.h"
#include "app/PowerWatch.h"
#include "app/Redraw.h"
#include "app/RefreshCycle.h"
#include "app/RegionSweep.h"
#include "app/SSHGateway.h"
#include "app/SignIn.h"
#include "app/StopBookings.h"
#include "bridge/CloudGateway.h"

namespace tamsel {

class MenuActions {
public:
    // Everything given must outlive the actions. `redraw` is called when a choice changed
    // what the menu shows.
    MenuActions(const Platform& platform, CloudGateway& cli, MFACodeRequest& calls, RefreshCycle& refreshCycle,
                AppSettings& settings, PowerWatch& powerWatch, SignIn& signIn, RegionSweep& sweep,
                StopBookings& bookings, SSHGateway& ssh, Redraw redraw);

    // Does what choosing `item` asks.
    void perform(const MenuItem& item);
    // The time of a booked stop has come: stops the instance as 「停止」 does, without asking,
    // under the profile and region it was booked under.
    void stopAsBooked(const std::string& instanceID, const StopBooking& booking);

private:
    using Operation = std::function<void(CloudGateway&)>;

    void startInstance(const MenuItem& item);
    void stopInstance(const MenuItem& item);
    void bookStop(const MenuItem& item);
    void cancelStopBooking(const MenuItem& item);
    enum class PowerChange { start, stop };
    // What to run once AWS accepted the `change` of `instance`, listed under `target`: the
    // power watch follows it there.
    std::function<void()> followWhenAccepted(PowerChange change, const EC2Instance& instance, const CallTarget& target);
    void selectProfile(const MenuItem& item);
    void selectRegion(const MenuItem& item);
    void selectIngressLockGroup(const MenuItem& item);
    void toggleLogin();
    void toggleFavourite(const MenuItem& item);
    void reportUnsavedAndRedraw(const std::optional<Failure>& unsaved);
    void showErrorDetail();
    void connectSSH(const MenuItem& item);

    // The list shown was read under the old choice: drop it and list again. A listing
    // under way lands under the old choice and is listed again; the menu shows the new
    // choice meanwhile.
    void afterChoiceChanged(const std::optional<Failure>& unsaved);
    // Runs `operation` on the work queue, alerts on failure or calls `succeeded`, then lists once.
    void runOperation(Operation operation, std::function<void()> succeeded);
    void showAlert(const Failure& failure, std::string title);
    // The choice holds for this run either way; the user learns that it is not yet stored.
    void reportUnsaved(const std::optional<Failure>& failure);

    const Platform& platform_;
    CloudGateway& cli_;
    MFACodeRequest& calls_;
    RefreshCycle& refreshCycle_;
    AppSettings& settings_;
    PowerWatch& powerWatch_;
    SignIn& signIn_;
    RegionSweep& sweep_;
    StopBookings& bookings_;
    SSHGateway& ssh_;
    Redraw redraw_;
};

}  // namespace tamsel
