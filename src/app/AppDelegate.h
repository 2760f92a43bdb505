#pragma once
// The application controller: starts the application, owns the state behind the tray
// menu and draws it, and hands the menu's events to the parts that act on them (the
// refresh cycle, the settings, the actions). Knows the desktop only through Platform.h.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "app/AppSettings.h"
#include "app/Failure.h"
#include "app/HandOff.h"
#include "app/MFACodeRequest.h"
#include "app/MenuActions.h"
#include "app/MenuModel.h"
#include "app/Platform.h"
#include "app/PowerWatch.h"
#include "app/Redraw.h"
#include "app/RefreshCycle.h"
#include "app/RegionSweep.h"
#include "app/SSHAccess.h"
#include "app/SSHGateway.h"
#include "app/SignIn.h"
#include "app/StopBookings.h"
#include "bridge/CloudGateway.h"
#include "bridge/EC2Instance.h"

namespace tamsel {

class AppDelegate final : public MenuDelegate {
public:
    // `version` is the application's version for the menu header (absent: no version shown).
    // `cli`, `ssh` and everything in `platform` must outlive the controller, and every work
    // queue must have finished or dropped their jobs before `cli` and `ssh` go.
    AppDelegate(Platform platform, CloudGateway& cli, SSHGateway& ssh, std::optional<std::string> version);
    ~AppDelegate() override;
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // Applies the stored profile and region, draws the icon and a first menu, queues the
    // profile listing, then the first refresh.
    void applicationDidFinishLaunching();

    // Starts one refresh unless one is under way.
    void refresh() { refreshCycle_.refresh(); }

    void menuWillOpen() override { refresh(); }
    void menuItemChosen(const MenuItem& item) override { actions_.perform(item); }

    // Read-only views of the state, for the adapters' tests and diagnostics.
    const std::vector<EC2Instance>& instances() const { return refreshCycle_.instances(); }
    const std::optional<Failure>& lastError() const { return refreshCycle_.lastError(); }
    std::optional<std::chrono::system_clock::time_point> lastUpdated() const { return refreshCycle_.lastUpdated(); }
    bool loading() const { return refreshCycle_.loading(); }
    bool signingIn() const { return signIn_.running(); }
    const SweepView& sweep() const { return sweep_.view(); }
    const std::vector<std::string>& profiles() const { return profiles_; }
    // The chosen profile and region.
    const CallTarget& target() const { return settings_.target(); }

private:
    void updateButton();
    void rebuildMenu();
    // What every part is given to have the menu drawn anew.
    Redraw redraw() {
        return [this] { rebuildMenu(); };
    }
    bool loginEnabled() const;

    Platform platform_;
    CloudGateway& cli_;
    std::optional<std::string> version_;
    std::vector<std::string> profiles_;

    HandOff handOff_;
    MFACodeRequest calls_;
    AppSettings settings_;
    PowerWatch powerWatch_;
    RefreshCycle refreshCycle_;
    SignIn signIn_;
    RegionSweep sweep_;
    StopBookings bookings_;
    SSHAccess sshAccess_;
    MenuActions actions_;
};

}  // namespace tamsel
