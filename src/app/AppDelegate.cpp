#include "app/AppDelegate.h"

#include <utility>

#include "app/MenuComposer.h"
#include "app/TimeFormat.h"

namespace tamsel {

AppDelegate::AppDelegate(Platform platform, CloudGateway& cli, SSHGateway& ssh, std::optional<std::string> version)
    : platform_(platform),
      cli_(cli),
      version_(std::move(version)),
      handOff_(platform_.queue, platform_.mainThread),
      calls_(handOff_, cli, platform_.alerts),
      settings_(platform_.settings),
      powerWatch_(platform_.notifications, platform_.application),
      refreshCycle_(calls_, cli, settings_, platform_.timers, platform_.sessionActivity, platform_.application,
                    redraw(),
                    {.listLanded =
                         [this] {
                             if (!lastError()) {
                                 powerWatch_.landed(instances(), refreshCycle_.listedUnder());
                                 bookings_.landed(instances(), refreshCycle_.listedUnder());
                                 settings_.keepListedFavourites(refreshCycle_.listedUnder(), instances());
                                 sshAccess_.landed(instances(), refreshCycle_.listedUnder());
                             }
                             updateButton();
                         },
                     .otherTargets = [this] { return powerWatch_.followedElsewhere(settings_.target()); },
                     .otherListLanded =
                         [this](const RefreshCycle::Elsewhere& listing) {
                             powerWatch_.landed(listing.instances, listing.target);
                             bookings_.landed(listing.instances, listing.target);
                             settings_.keepListedFavourites(listing.target, listing.instances);
                         }}),
      signIn_(platform_.signInQueue, platform_.mainThread, cli, platform_.alerts, platform_.notifications,
              refreshCycle_, redraw()),
      sweep_(platform_.sweepQueue, platform_.mainThread, cli, platform_.application, redraw()),
      bookings_(
          settings_, platform_.timers, platform_.application, platform_.notifications,
          [this](const std::string& instanceID, const StopBooking& booking) {
              actions_.stopAsBooked(instanceID, booking);
          },
          redraw()),
      sshAccess_(handOff_, cli, ssh, redraw()),
      actions_(platform_, cli, calls_, refreshCycle_, settings_, powerWatch_, signIn_, sweep_, bookings_, ssh,
               redraw()) {}

AppDelegate::~AppDelegate() { platform_.statusItem.setDelegate(nullptr); }

void AppDelegate::applicationDidFinishLaunching() {
    settings_.applyStored();
    bookings_.launched();
    platform_.statusItem.setDelegate(this);
    updateButton();
    rebuildMenu();

    // Queued before the first refresh, so the profiles land first on the serial queue.
    handOff_.run(
        [&cli = cli_, target = settings_.target()] {
            try {
                return cli.listProfiles(target);
            } catch (...) {
                // Best effort: without them the menu offers the default only.
                return std::vector<std::string>{};
            }
        },
        [this](std::vector<std::string> profiles) {
            profiles_ = std::move(profiles);
            rebuildMenu();
        });

    refresh();
}

void AppDelegate::updateButton() { platform_.statusItem.setButton(statusButton(instances(), lastError().has_value())); }

bool AppDelegate::loginEnabled() const {
    try {
        return platform_.loginItem.isEnabled();
    } catch (...) {
        return false;  // an unreadable status shows as off; choosing the entry then reports why
    }
}

void AppDelegate::rebuildMenu() {
    MenuState state;
    state.version = version_;
    state.instances = instances();
    state.lastError = lastError();
    if (const auto updated = lastUpdated()) state.lastUpdated = formatMediumTime(*updated);
    state.loading = loading();
    state.profiles = profiles_;
    state.profile = settings_.profile();
    state.region = settings_.region();
    state.ingressLockGroups = settings_.ingressLockGroups();
    state.loginEnabled = loginEnabled();
    state.signingIn = signingIn();
    state.signInPrompt = signIn_.prompt();
    state.now = platform_.application.now();
    state.sweep = sweep();
    state.stopBookings = bookings_.times();
    state.favourites = settings_.favourites(settings_.target());
    state.favouritesOnly = settings_.favouritesOnly();
    state.sshCommands = sshAccess_.commands(instances(), refreshCycle_.listedUnder());
    platform_.statusItem.setMenu(composeMenu(state));
}

}  // namespace tamsel
