#include "app/MenuActions.h"

#include <algorithm>
#include <utility>

#include "app/AlertComposer.h"
#include "app/Failure.h"
#include "app/FailureText.h"
#include "app/NameIsolation.h"
#include "app/TimeFormat.h"
#include "app/Wording.h"

namespace tamsel {
namespace {

// The text an entry carries, or none when it carries something else (the default entries).
std::optional<std::string> carriedText(const MenuItem& item) {
    if (const auto* text = std::get_if<std::string>(&item.representedObject)) return *text;
    return std::nullopt;
}

}  // namespace

MenuActions::MenuActions(const Platform& platform, CloudGateway& cli, MFACodeRequest& calls, RefreshCycle& refreshCycle,
                         AppSettings& settings, PowerWatch& powerWatch, SignIn& signIn, RegionSweep& sweep,
                         StopBookings& bookings, SSHGateway& ssh, Redraw redraw)
    : platform_(platform),
      cli_(cli),
      calls_(calls),
      refreshCycle_(refreshCycle),
      settings_(settings),
      powerWatch_(powerWatch),
      signIn_(signIn),
      sweep_(sweep),
      bookings_(bookings),
      ssh_(ssh),
      redraw_(std::move(redraw)) {}

void MenuActions::perform(const MenuItem& item) {
    switch (item.action) {
        case MenuAction::none: break;
        case MenuAction::startInstance:
            calls_.userAsked();
            startInstance(item);
            break;
        case MenuAction::stopInstance:
            calls_.userAsked();
            stopInstance(item);
            break;
        case MenuAction::bookStop: bookStop(item); break;
        case MenuAction::cancelStopBooking: cancelStopBooking(item); break;
        case MenuAction::selectProfile: selectProfile(item); break;
        case MenuAction::selectRegion: selectRegion(item); break;
        case MenuAction::selectIngressLockGroup: selectIngressLockGroup(item); break;
        case MenuAction::copyText:
            if (auto text = carriedText(item)) platform_.clipboard.setText(*text);
            break;
        case MenuAction::connectSSH: connectSSH(item); break;
        case MenuAction::toggleLogin: toggleLogin(); break;
        case MenuAction::toggleFavourite: toggleFavourite(item); break;
        case MenuAction::toggleFavouritesOnly:
            reportUnsavedAndRedraw(settings_.setFavouritesOnly(!settings_.favouritesOnly()));
            break;
        case MenuAction::showErrorDetail: showErrorDetail(); break;
        case MenuAction::ssoLogin: signIn_.begin(settings_.target()); break;
        case MenuAction::sweepRegions: sweep_.begin(settings_.target()); break;
        case MenuAction::reloadNow:
            calls_.userAsked();
            refreshCycle_.refresh();
            break;
        case MenuAction::terminate: platform_.application.quit(); break;
    }
}

void MenuActions::startInstance(const MenuItem& item) {
    const auto* instance = std::get_if<EC2Instance>(&item.representedObject);
    if (!instance) return;

    // Every step runs under the profile and region the instance was listed under, whatever
    // the user chooses while the operation waits in the queue.
    const CallTarget target = refreshCycle_.listedUnder();
    const auto lockGroups = settings_.ingressLockGroups();
    const auto lock = lockGroups.find(instance->id);
    if (lock == lockGroups.end()) {
        runOperation([id = instance->id, target](CloudGateway& cli) { cli.start(id, target); },
                     followWhenAccepted(PowerChange::start, *instance, target));
        return;
    }

    const std::string& group = lock->second;
    const bool attached = std::any_of(instance->securityGroups.begin(), instance->securityGroups.end(),
                                      [&](const SecurityGroup& attachedGroup) { return attachedGroup.id == group; });
    if (!attached) {
        // Starting without the lock the user asked for would open the instance wider than meant.
        platform_.alerts.run(lockGroupNotAttachedAlert(group));
        return;
    }
    // One operation, so nothing else on the queue runs between narrowing the group and starting.
    runOperation(
        [id = instance->id, group, target](CloudGateway& cli) {
            const std::string address = cli.globalIPv4();
            cli.restrictIngress(group, address, target);
            cli.start(id, target);
        },
        followWhenAccepted(PowerChange::start, *instance, target));
}

std::function<void()> MenuActions::followWhenAccepted(PowerChange change, const EC2Instance& instance,
                                                      const CallTarget& target) {
    return [this, change, instance, target] {
        if (change == PowerChange::start) {
            powerWatch_.started(instance, target);
        } else {
            powerWatch_.stopped(instance, target);
        }
    };
}

void MenuActions::stopInstance(const MenuItem& item) {
    const auto* instance = std::get_if<EC2Instance>(&item.representedObject);
    if (!instance) return;
    // Taken before the confirmation: the list may be replaced while the user answers.
    const CallTarget target = refreshCycle_.listedUnder();
    if (platform_.alerts.run(stopConfirmation(*instance)) != 0) return;
    runOperation([id = instance->id, target](CloudGateway& cli) { cli.stop(id, target); },
                 followWhenAccepted(PowerChange::stop, *instance, target));
}

void MenuActions::stopAsBooked(const std::string& instanceID, const StopBooking& booking) {
    struct Outcome {
        std::optional<Failure> failure;
        bool overtaken = false;  // stopped by someone since it was booked: not stopped again
    };
    // One job, so that nothing on the queue runs between the look and the stop. The look
    // is under the booking's own profile and region: the list shown may be another's.
    calls_.run(
        [&cli = cli_, id = instanceID, booking] {
            Outcome outcome;
            outcome.failure = failureOf([&] {
                const auto listed = cli.describeInstances(booking.target);
                const auto found = std::find_if(listed.begin(), listed.end(),
                                                [&](const EC2Instance& instance) { return instance.id == id; });
                outcome.overtaken = stoppedSinceBooked(booking, found == listed.end() ? nullptr : &*found);
                if (!outcome.overtaken) cli.stop(id, booking.target);
            });
            return outcome;
        },
        [](const Outcome& outcome) -> const std::optional<Failure>& { return outcome.failure; },
        [this, instanceID, booking](const Outcome& outcome) {
            const std::string name = isolated(booking.name);
            const std::string hourMinute = formatHourMinute(booking.at);
            if (outcome.failure) {
                // Told in a notification too: behind a locked screen the alert waits unseen.
                const std::string title = words::stopBookingFailed(name, hourMinute);
                platform_.notifications.send(title, summary(*outcome.failure));
                showAlert(*outcome.failure, title);
            } else if (outcome.overtaken) {
                platform_.notifications.send(words::stopBookingOvertaken(name, hourMinute), "");
            } else {
                EC2Instance instance;
                instance.id = instanceID;
                instance.name = booking.name;
                powerWatch_.stoppedAsBooked(instance, booking.target);
            }
            refreshCycle_.refreshAfterOperation();
        });
}

void MenuActions::bookStop(const MenuItem& item) {
    const auto* choice = std::get_if<StopBookingChoice>(&item.representedObject);
    if (!choice || choice->hours <= 0) return;
    // No confirmation: the booking is the decision, and it can be cancelled until it is due.
    const auto unsaved =
        bookings_.book(choice->instance, refreshCycle_.listedUnder(), std::chrono::hours(choice->hours));
    redraw_();
    reportUnsaved(unsaved);
}

void MenuActions::cancelStopBooking(const MenuItem& item) {
    const auto id = carriedText(item);
    if (!id) return;
    const auto unsaved = bookings_.cancel(*id);
    redraw_();
    reportUnsaved(unsaved);
}

void MenuActions::selectProfile(const MenuItem& item) {
    const auto before = settings_.profile();
    const auto unsaved = settings_.setProfile(carriedText(item));
    // The other regions' counts were those of the old profile's account.
    if (settings_.profile() != before) sweep_.forget();
    afterChoiceChanged(unsaved);
}

void MenuActions::selectRegion(const MenuItem& item) { afterChoiceChanged(settings_.setRegion(carriedText(item))); }

void MenuActions::afterChoiceChanged(const std::optional<Failure>& unsaved) {
    refreshCycle_.forgetInstances();
    if (refreshCycle_.loading()) redraw_();
    refreshCycle_.refresh();
    reportUnsaved(unsaved);
}

void MenuActions::selectIngressLockGroup(const MenuItem& item) {
    const auto* choice = std::get_if<LockChoice>(&item.representedObject);
    if (!choice) return;
    if (choice->groupID && platform_.alerts.run(ingressLockConfirmation(*choice->groupID)) != 0) return;
    const auto unsaved = settings_.setIngressLockGroup(choice->instanceID, choice->groupID);
    redraw_();
    reportUnsaved(unsaved);
}

void MenuActions::toggleFavourite(const MenuItem& item) {
    const auto id = carriedText(item);
    if (!id) return;
    // A favourite of the profile and region its line was listed under.
    const CallTarget& target = refreshCycle_.listedUnder();
    reportUnsavedAndRedraw(settings_.setFavourite(target, *id, !settings_.favourites(target).contains(*id)));
}

void MenuActions::reportUnsavedAndRedraw(const std::optional<Failure>& unsaved) {
    redraw_();
    reportUnsaved(unsaved);
}

void MenuActions::toggleLogin() {
    const auto failure = failureOf([&loginItem = platform_.loginItem] {
        if (loginItem.isEnabled()) {
            loginItem.disable();
        } else {
            loginItem.enable();
        }
    });
    if (failure) platform_.alerts.run(loginItemFailureAlert(failure->text()));
    redraw_();
}

void MenuActions::connectSSH(const MenuItem& item) {
    const auto* command = std::get_if<SSHCommand>(&item.representedObject);
    if (!command || command->destination.empty()) return;
    std::map<std::string, std::string> variables;
    if (command->profile) variables["AWS_PROFILE"] = *command->profile;
    if (command->region) variables["AWS_REGION"] = *command->region;
    // Started here, not on the queue: it does not wait for the terminal, and a call under
    // way there must not hold it up.
    try {
        if (!ssh_.openTerminal(command->arguments(), variables)) platform_.alerts.run(noTerminalAlert());
    } catch (const std::exception& error) {
        platform_.alerts.run(terminalNotStartedAlert(error.what()));
    }
}

void MenuActions::showErrorDetail() {
    // A copy: the alert is modal, and a landing may replace the error meanwhile.
    const std::optional<Failure> failure = refreshCycle_.lastError();
    if (!failure) return;
    showAlert(*failure, summary(*failure));
}

void MenuActions::runOperation(Operation operation, std::function<void()> succeeded) {
    calls_.run([&cli = cli_, operation = std::move(operation)] { return failureOf([&] { operation(cli); }); },
               [](const std::optional<Failure>& failure) -> std::optional<Failure> { return failure; },
               [this, succeeded = std::move(succeeded)](const std::optional<Failure>& failure) {
                   if (failure) {
                       showAlert(*failure, std::string(words::kOperationFailedTitle));
                   } else {
                       succeeded();
                   }
                   // Whatever happened, show what AWS now reports.
                   refreshCycle_.refreshAfterOperation();
               });
}

void MenuActions::reportUnsaved(const std::optional<Failure>& failure) {
    if (failure) platform_.alerts.run(settingsNotSavedAlert(*failure));
}

void MenuActions::showAlert(const Failure& failure, std::string title) {
    platform_.alerts.run(failureAlert(failure, std::move(title), std::nullopt));
}

}  // namespace tamsel
