#include "platform/qt/TrayApplication.h"

#include <utility>

namespace tamsel {
namespace {

// The nice value of the sweep's threads and tools: on a busy machine the work queue's tool
// gets about nine tenths of a core against one of them.
constexpr int kSweepNiceness = 10;

}  // namespace

TrayApplication::TrayApplication(TrayApplicationOptions options)
    : settings_(options.settingsFile ? QtSettingsStore(*options.settingsFile) : QtSettingsStore()),
      loginItem_(options.loginItem ? std::move(*options.loginItem) : AutostartEntry::forCurrentUser()),
      // ssh and the terminal see the environment the aws tool is given.
      ssh_(options.cli.environment),
      cli_(std::move(options.cli)),
      queue_(std::make_unique<SerialQueue>("tamsel.aws")),
      signInQueue_(std::make_unique<SerialQueue>("tamsel.signin")),
      // The other regions are counted four at a time: quick, without a burst of tools. Their
      // tools run at a lower priority, so a refresh or an action meanwhile gets the processor first.
      sweepQueue_(std::make_unique<WorkerPool>(4, "tamsel.sweep", kSweepNiceness)),
      delegate_(std::make_unique<AppDelegate>(
          Platform{mainThread_, *queue_, timers_, settings_, loginItem_, alerts_, statusItem_, application_, clipboard_,
                   sessionActivity_, notifications_, *signInQueue_, *sweepQueue_},
          cli_, ssh_, std::move(options.version))) {}

TrayApplication::~TrayApplication() {
    delegate_.reset();
    queue_.reset();
    signInQueue_.reset();
    sweepQueue_.reset();
}

}  // namespace tamsel
