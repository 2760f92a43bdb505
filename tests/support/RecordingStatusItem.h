#pragma once
// A status item that keeps the last button and menu drawn, and counts the drawings.

#include <optional>
#include <utility>

#include "app/Platform.h"

namespace tamsel::test {

class RecordingStatusItem final : public StatusItem {
public:
    void setDelegate(MenuDelegate* newDelegate) override { delegate = newDelegate; }
    void setButton(const StatusButton& newButton) override {
        button = newButton;
        ++buttonUpdates;
    }
    void setMenu(Menu newMenu) override {
        menu = std::move(newMenu);
        ++menuBuilds;
    }

    MenuDelegate* delegate = nullptr;
    std::optional<StatusButton> button;
    int buttonUpdates = 0;
    Menu menu;
    int menuBuilds = 0;
};

}  // namespace tamsel::test
