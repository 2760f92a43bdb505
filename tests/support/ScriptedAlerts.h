#pragma once
// Alerts and code questions answered from a script, each recorded.

#include <deque>
#include <functional>
#include <optional>
#include <string>
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

    std::optional<std::string> ask(const CodeQuestion& question) override {
        asked.push_back(question);
        if (onAsk) onAsk();
        if (codes.empty()) return std::nullopt;
        std::optional<std::string> code = codes.front();
        codes.pop_front();
        return code;
    }

    std::deque<int> answers;  // in order; when they run out: the default button, or closed
    std::vector<Alert> shown;
    std::function<void()> onRun;                   // runs while the modal alert is up
    std::deque<std::optional<std::string>> codes;  // in order; absent, or run out: cancelled
    std::vector<CodeQuestion> asked;
    std::function<void()> onAsk;  // runs while the code dialog is up
};

}  // namespace tamsel::test
