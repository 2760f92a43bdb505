// What the menu's entries do: power actions with their confirmations and the ingress
// lock, the settings entries, the login item, and the failure alerts.

#include <algorithm>
#include <utility>

#include "app/AlertComposer.h"
#include "app/AppDelegate.h"
#include "app/CaughtError.h"
#include "app/SettingsKeys.h"

namespace tamsel {
namespace {

// The text an entry carries, or none when it carries something else (the default entries).
std::optional<std::string> carriedText(const MenuItem& item) {
    if (const auto* text = std::get_if<std::string>(&item.representedObject)) return *text;
    return std::nullopt;
}

}  // namespace

void AppDelegate::menuItemChosen(const MenuItem& item) {
    switch (item.action) {
        case MenuAction::none: break;
        case MenuAction::startInstance: startInstance(item); break;
        case MenuAction::stopInstance: stopInstance(item); break;
        case MenuAction::selectProfile: selectProfile(item); break;
        case MenuAction::selectRegion: selectRegion(item); break;
        case MenuAction::selectIngressLockGroup: selectIngressLockGroup(item); break;
        case MenuAction::toggleLogin: toggleLogin(); break;
        case MenuAction::showErrorDetail: showErrorDetail(); break;
        case MenuAction::reloadNow: reloadNow(); break;
        case MenuAction::terminate: terminate(); break;
    }
}

void AppDelegate::terminate() { platform_.application.quit(); }

void AppDelegate::startInstance(const MenuItem& item) {
    const auto* instance = std::get_if<EC2Instance>(&item.representedObject);
    if (!instance) return;

    const auto lockGroups = ingressLockGroups();
    const auto lock = lockGroups.find(instance->id);
    if (lock == lockGroups.end()) {
        perform([id = instance->id](CloudGateway& cli) { cli.start(id); });
        return;
    }

    const std::string& group = lock->second;
    const bool attached = std::any_of(instance->securityGroups.begin(), instance->securityGroups.end(),
                                      [&](const SecurityGroup& attachedGroup) { return attachedGroup.id == group; });
    if (!attached) {
        // Starting without the lock the user asked for would open the instance wider than meant.
        showAlert(AWSError::failed(""), group + " はこのインスタンスに紐づいていません",
                  "「起動時に SG を自分の IP 専用にする」を選び直してください");
        return;
    }
    // One operation, so nothing else on the queue runs between narrowing the group and starting.
    perform([id = instance->id, group](CloudGateway& cli) {
        const std::string address = cli.globalIPv4();
        cli.restrictIngress(group, address);
        cli.start(id);
    });
}

void AppDelegate::stopInstance(const MenuItem& item) {
    const auto* instance = std::get_if<EC2Instance>(&item.representedObject);
    if (!instance) return;
    if (platform_.alerts.run(stopConfirmation(*instance)) != 0) return;
    perform([id = instance->id](CloudGateway& cli) { cli.stop(id); });
}

void AppDelegate::selectProfile(const MenuItem& item) {
    const std::optional<std::string> profile = carriedText(item);
    cli_.setProfile(profile);
    const auto unsaved = settings_.setString(kProfileKey, profile);
    instances_.clear();
    refresh();
    reportUnsaved(unsaved);
}

void AppDelegate::selectRegion(const MenuItem& item) {
    const std::optional<std::string> region = carriedText(item);
    cli_.setRegion(region);
    const auto unsaved = settings_.setString(kRegionKey, region);
    instances_.clear();
    refresh();
    reportUnsaved(unsaved);
}

void AppDelegate::selectIngressLockGroup(const MenuItem& item) {
    const auto* ids = std::get_if<std::vector<std::string>>(&item.representedObject);
    if (!ids || ids->empty()) return;
    const std::string& instanceID = (*ids)[0];

    if (ids->size() == 1) {
        auto lockGroups = ingressLockGroups();
        lockGroups.erase(instanceID);
        const auto unsaved = settings_.setStringMap(kIngressLockGroupsKey, lockGroups);
        rebuildMenu();
        reportUnsaved(unsaved);
        return;
    }

    const std::string& groupID = (*ids)[1];
    if (platform_.alerts.run(ingressLockConfirmation(groupID)) != 0) return;
    // Read again: the mapping may have changed while the dialog was open.
    auto lockGroups = ingressLockGroups();
    lockGroups[instanceID] = groupID;
    const auto unsaved = settings_.setStringMap(kIngressLockGroupsKey, lockGroups);
    rebuildMenu();
    reportUnsaved(unsaved);
}

void AppDelegate::toggleLogin() {
    try {
        if (platform_.loginItem.isEnabled()) {
            platform_.loginItem.disable();
        } else {
            platform_.loginItem.enable();
        }
    } catch (const std::exception& error) {
        platform_.alerts.run(loginItemFailureAlert(error.what()));
    } catch (...) {
        platform_.alerts.run(loginItemFailureAlert("不明なエラーが発生しました"));
    }
    rebuildMenu();
}

void AppDelegate::showErrorDetail() {
    if (!lastError_) return;
    const AWSError error = *lastError_;  // the alert is modal: a landing may replace lastError_ meanwhile
    showAlert(error, error.summary(), std::nullopt);
}

void AppDelegate::perform(Operation operation) {
    platform_.queue.async([&cli = cli_, &mainThread = platform_.mainThread, alive = std::weak_ptr(lifetime_), this,
                           operation = std::move(operation)] {
        std::optional<AWSError> failure;
        try {
            operation(cli);
        } catch (...) {
            failure = caughtError();
        }
        mainThread.post([alive, this, failure = std::move(failure)] {
            if (alive.expired()) return;
            finishOperation(failure);
        });
    });
}

void AppDelegate::finishOperation(const std::optional<AWSError>& failure) {
    if (failure) showAlert(*failure, std::string(kOperationFailedTitle), std::nullopt);
    // Whatever happened, show what AWS now reports. Not guarded by `loading_`: a refresh
    // queued before the operation ran may predate its effect.
    loading_ = true;
    rebuildMenu();
    enqueueRefreshJob();
}

// The choice holds for this run either way; the user learns that it is not yet stored.
void AppDelegate::reportUnsaved(const std::optional<SettingsWriteError>& failure) {
    if (failure) platform_.alerts.run(settingsNotSavedAlert(*failure));
}

void AppDelegate::showAlert(const AWSError& error, std::string title, const std::optional<std::string>& hint) {
    platform_.alerts.run(failureAlert(error, std::move(title), hint));
}

}  // namespace tamsel
