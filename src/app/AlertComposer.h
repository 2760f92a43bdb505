#pragma once
// The modal alerts of the menu's actions, composed as plain data. Pure.

#include <optional>
#include <string>
#include <string_view>

#include "app/Failure.h"
#include "app/Platform.h"
#include "app/Wording.h"
#include "bridge/EC2Instance.h"

namespace tamsel {

// The standard failure alert: `title`; as body `hint` (or the failure's own hint, or
// nothing), then for any failure but a missing tool, its text (when it has one) under its
// label, a blank line apart from the hint.
Alert failureAlert(const Failure& failure, std::string title, const std::optional<std::string>& hint);

// The lock group `groupID` chosen for an instance is no longer attached to it.
Alert lockGroupNotAttachedAlert(const std::string& groupID);

// "停止" (0) or "キャンセル" (1) for stopping `instance`.
Alert stopConfirmation(const EC2Instance& instance);

// "有効にする" (0) or "キャンセル" (1) for locking `groupID` at each start.
Alert ingressLockConfirmation(const std::string& groupID);

// The login item could not be switched; `description` says why. Not brought to the front.
Alert loginItemFailureAlert(std::string description);

// No terminal to run ssh in: which ones were looked for, and what to install or set.
Alert noTerminalAlert();
// The terminal found could not be started: the program and the system's reason.
Alert terminalNotStartedAlert(const std::string& description);

// A setting could not be written (a Failure of the kind settingsNotSaved): names the file
// and the system's reason, and says that the choice holds until quitting and is stored
// with the next change.
Alert settingsNotSavedAlert(const Failure& unsaved);

}  // namespace tamsel
