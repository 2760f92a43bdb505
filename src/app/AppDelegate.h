#pragma once
// The application controller: owns the state behind the tray menu, runs the refresh
// cycle and the menu's actions. Knows the desktop only through Platform.h.

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/CloudGateway.h"
#include "app/MenuModel.h"
#include "app/Platform.h"
#include "app/SettingsKeeper.h"
#include "bridge/AWSError.h"
#include "bridge/EC2Instance.h"

namespace tamsel {

class AppDelegate final : public MenuDelegate {
public:
    // `version` is the application's version for the menu header (absent: no version shown).
    // `cli` and everything in `platform` must outlive the controller, and the work queue
    // must have finished or dropped its jobs before `cli` goes.
    AppDelegate(Platform platform, CloudGateway& cli, std::optional<std::string> version);
    ~AppDelegate() override;
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // Applies the stored profile and region, draws the icon and a first menu, queues the
    // profile listing, then the first refresh.
    void applicationDidFinishLaunching();

    // Starts one refresh unless one is under way.
    void refresh();

    void menuWillOpen() override;
    void menuItemChosen(const MenuItem& item) override;

    // Read-only views of the state, for the adapters' tests and diagnostics.
    const std::vector<EC2Instance>& instances() const { return instances_; }
    const std::optional<AWSError>& lastError() const { return lastError_; }
    std::optional<std::chrono::system_clock::time_point> lastUpdated() const { return lastUpdated_; }
    bool loading() const { return loading_; }
    const std::vector<std::string>& profiles() const { return profiles_; }

private:
    // What one refresh job brings back: the list, or the error that replaced it.
    struct RefreshOutcome {
        std::vector<EC2Instance> instances;
        std::optional<AWSError> error;
    };
    using Operation = std::function<void(CloudGateway&)>;

    // Refresh cycle.
    void beginRefresh();        // loading on, menu rebuilt, job queued: no guard
    void enqueueRefreshJob();
    void landRefresh(RefreshOutcome outcome);
    void scheduleNext();
    std::map<std::string, std::string> ingressLockGroups() const;

    // Rendering.
    void updateButton();
    void rebuildMenu();
    bool loginEnabled() const;

    // Actions of the menu's entries.
    void reloadNow();
    void startInstance(const MenuItem& item);
    void stopInstance(const MenuItem& item);
    void selectProfile(const MenuItem& item);
    void selectRegion(const MenuItem& item);
    void selectIngressLockGroup(const MenuItem& item);
    void toggleLogin();
    void showErrorDetail();
    void terminate();

    // Runs `operation` on the work queue, alerts on failure, then queues one refresh.
    void perform(Operation operation);
    void finishOperation(const std::optional<AWSError>& failure);
    void showAlert(const AWSError& error, std::string title, const std::optional<std::string>& hint);
    void reportUnsaved(const std::optional<SettingsWriteError>& failure);

    Platform platform_;
    SettingsKeeper settings_{platform_.settings};
    CloudGateway& cli_;
    std::optional<std::string> version_;

    std::vector<EC2Instance> instances_;
    std::optional<AWSError> lastError_;
    std::optional<std::chrono::system_clock::time_point> lastUpdated_;
    bool loading_ = false;
    std::vector<std::string> profiles_;
    std::unique_ptr<OneShotTimer> timer_;

    // Landings posted by jobs check this before touching the controller, so a job that
    // outlives the controller lands nowhere. Only ever read on the main thread.
    std::shared_ptr<const bool> lifetime_ = std::make_shared<const bool>(true);
};

}  // namespace tamsel
