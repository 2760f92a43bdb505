#include "platform/qt/TrayApplication.h"

#include <utility>

namespace tamsel {

TrayApplication::TrayApplication(TrayApplicationOptions options)
    : settings_(options.settingsFile ? QtSettingsStore(*options.settingsFile) : QtSettingsStore()),
      loginItem_(options.loginItem ? std::move(*options.loginItem) : AutostartEntry::forCurrentUser()),
      cli_(std::move(options.cli)),
      queue_(std::make_unique<SerialQueue>("tamsel.aws")),
      signInQueue_(std::make_unique<SerialQueue>("tamsel.signin")),
      delegate_(std::make_unique<AppDelegate>(
          Platform{mainThread_, *queue_, timers_, settings_, loginItem_, alerts_, statusItem_, application_,
                   clipboard_, sessionActivity_, notifications_, *signInQueue_},
          cli_, std::move(options.version))) {}

TrayApplication::~TrayApplication() {
    delegate_.reset();
    queue_.reset();
    signInQueue_.reset();
}

}  // namespace tamsel
