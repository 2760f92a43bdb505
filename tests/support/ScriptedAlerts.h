#pragma once
// Alerts answered from a script, each recorded.

#include <deque>
#include <functional>
#include <vector>

#include "app/Platform.h"

namespace tamsel::test {

class ScriptedAlerts final : public Alerts {
public:
    int run(const Alert& alert) override {
        shown.push_back(alert);
        if (onRun) onRun();
        if (answers.empty()) return alert.buttons.empty() ? 0 : -1;
        int answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::deque<int> answers;  // in order; when they run out: the default button, or closed
    std::vector<Alert> shown;
    std::function<void()> onRun;  // runs while the modal alert is up
};

}  // namespace tamsel::test
