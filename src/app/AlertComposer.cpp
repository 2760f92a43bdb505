#include "app/AlertComposer.h"

#include <utility>

#include "app/FailureText.h"
#include "app/NameIsolation.h"
#include "app/Wording.h"

namespace tamsel {

Alert failureAlert(const Failure& failure, std::string title, const std::optional<std::string>& hint) {
    std::string body = hint ? *hint : tamsel::hint(failure).value_or("");
    std::string_view detailLabel;
    switch (failure.kind()) {
        case Failure::Kind::addressLookupFailed:
        case Failure::Kind::settingsNotSaved: detailLabel = words::kDetailLabel; break;
        case Failure::Kind::toolFailed:
        case Failure::Kind::unexpected: detailLabel = words::kToolMessageLabel; break;
        case Failure::Kind::cliNotFound: break;
    }
    const std::string detailText = detail(failure);
    if (!detailLabel.empty() && !detailText.empty()) {
        if (!body.empty()) body += "\n\n";
        body += detailLabel;
        body += "\n" + detailText;
    }
    return Alert{.title = std::move(title), .body = std::move(body), .buttons = {}, .bringToFront = true};
}

Alert lockGroupNotAttachedAlert(const std::string& groupID) {
    return Alert{.title = words::lockGroupNotAttached(groupID),
                 .body = std::string(words::kChooseLockGroupAgain),
                 .buttons = {},
                 .bringToFront = true};
}

Alert stopConfirmation(const EC2Instance& instance) {
    return Alert{.title = words::stopQuestion(isolated(instance.sortKey())),
                 .body = instance.id,
                 .buttons = {std::string(words::kStop), std::string(words::kCancel)},
                 .bringToFront = true};
}

Alert ingressLockConfirmation(const std::string& groupID) {
    return Alert{.title = words::ingressLockQuestion(groupID),
                 .body = std::string(words::kIngressLockWarning),
                 .buttons = {std::string(words::kEnable), std::string(words::kCancel)},
                 .bringToFront = true};
}

Alert loginItemFailureAlert(std::string description) {
    return Alert{.title = std::string(words::kLoginItemFailed),
                 .body = std::move(description),
                 .buttons = {},
                 .bringToFront = false};
}

Alert noTerminalAlert() {
    return Alert{.title = std::string(words::kNoTerminal),
                 .body = std::string(words::kNoTerminalHint),
                 .buttons = {},
                 .bringToFront = true};
}

Alert terminalNotStartedAlert(const std::string& description) {
    return Alert{
        .title = std::string(words::kTerminalNotStarted), .body = description, .buttons = {}, .bringToFront = true};
}

Alert settingsNotSavedAlert(const Failure& unsaved) {
    return Alert{.title = std::string(words::kSettingsNotSaved),
                 .body = words::settingsNotSavedBody(unsaved.file(), unsaved.text()),
                 .buttons = {},
                 .bringToFront = true};
}

}  // namespace tamsel
