#include "app/AppDelegate.h"

#include <utility>

#include "app/CaughtError.h"
#include "app/MenuComposer.h"
#include "app/RefreshPolicy.h"
#include "app/SettingsKeys.h"

namespace tamsel {

AppDelegate::AppDelegate(Platform platform, CloudGateway& cli, std::optional<std::string> version)
    : platform_(platform), cli_(cli), version_(std::move(version)) {}

AppDelegate::~AppDelegate() {
    timer_.reset();
    platform_.statusItem.setDelegate(nullptr);
}

void AppDelegate::applicationDidFinishLaunching() {
    cli_.setProfile(platform_.settings.string(kProfileKey));
    cli_.setRegion(platform_.settings.string(kRegionKey));
    platform_.statusItem.setDelegate(this);
    updateButton();
    rebuildMenu();

    // Queued before the first refresh, so the profiles land first on the serial queue.
    platform_.queue.async([&cli = cli_, &mainThread = platform_.mainThread,
                           alive = std::weak_ptr(lifetime_), this] {
        std::vector<std::string> profiles;
        try {
            profiles = cli.listProfiles();
        } catch (...) {
            // Listing profiles is best effort: without them the menu offers the default only.
        }
        mainThread.post([alive, this, profiles = std::move(profiles)]() mutable {
            if (alive.expired()) return;
            profiles_ = std::move(profiles);
            rebuildMenu();
        });
    });

    refresh();
}

void AppDelegate::refresh() {
    if (loading_) return;
    beginRefresh();
}

void AppDelegate::beginRefresh() {
    loading_ = true;
    rebuildMenu();
    enqueueRefreshJob();
}

void AppDelegate::enqueueRefreshJob() {
    platform_.queue.async([&cli = cli_, &mainThread = platform_.mainThread,
                           alive = std::weak_ptr(lifetime_), this] {
        RefreshOutcome outcome;
        try {
            outcome.instances = cli.describeInstances();
        } catch (...) {
            outcome.error = caughtError();
        }
        mainThread.post([alive, this, outcome = std::move(outcome)]() mutable {
            if (alive.expired()) return;
            landRefresh(std::move(outcome));
        });
    });
}

void AppDelegate::landRefresh(RefreshOutcome outcome) {
    loading_ = false;
    if (outcome.error) {
        instances_.clear();
        lastError_ = std::move(outcome.error);
    } else {
        instances_ = std::move(outcome.instances);
        lastError_.reset();
        lastUpdated_ = platform_.application.now();
    }
    updateButton();
    rebuildMenu();
    scheduleNext();
}

void AppDelegate::scheduleNext() {
    timer_.reset();  // disarms the one armed before
    timer_ = platform_.timers.startOneShot(nextRefreshInterval(instances_), [alive = std::weak_ptr(lifetime_), this] {
        if (alive.expired() || loading_) return;  // a refresh under way arms the next timer when it lands
        beginRefresh();
    });
}

std::map<std::string, std::string> AppDelegate::ingressLockGroups() const {
    return settings_.stringMap(kIngressLockGroupsKey).value_or(std::map<std::string, std::string>{});
}

void AppDelegate::updateButton() {
    platform_.statusItem.setButton(statusButton(instances_, lastError_.has_value()));
}

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
    state.instances = instances_;
    state.lastError = lastError_;
    state.lastUpdated = lastUpdated_;
    state.loading = loading_;
    state.profiles = profiles_;
    state.profile = cli_.profile();
    state.region = cli_.region();
    state.ingressLockGroups = ingressLockGroups();
    state.loginEnabled = loginEnabled();
    platform_.statusItem.setMenu(composeMenu(state));
}

void AppDelegate::menuWillOpen() { refresh(); }

void AppDelegate::reloadNow() { refresh(); }

}  // namespace tamsel
