#pragma once
// The application controller: owns the state behind the tray menu, runs the refresh
// cycle and the menu's actions. Knows the desktop only through Platform.h.

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/CloudGateway.h"
#include "app/MenuModel.h"
#include "app/Platform.h"
#include "bridge/AWSError.h"
#include "bridge/EC2Instance.h"

namespace tamsel {

class AppDelegate final : public MenuDelegate {
public:
    // `version` is the application's version for the menu header (absent: no version shown).
    AppDelegate(Platform platform, CloudGateway& cli, std::optional<std::string> version);
    ~AppDelegate() override;

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
    Platform platform_;
    CloudGateway& cli_;
    std::optional<std::string> version_;

    std::vector<EC2Instance> instances_;
    std::optional<AWSError> lastError_;
    std::optional<std::chrono::system_clock::time_point> lastUpdated_;
    bool loading_ = false;
    std::vector<std::string> profiles_;
    std::unique_ptr<OneShotTimer> timer_;
};

}  // namespace tamsel
