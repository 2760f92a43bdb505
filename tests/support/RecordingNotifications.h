#pragma once
// Notifications for controller tests: keeps every one sent, in order.

#include <string>
#include <utility>
#include <vector>

#include "app/Platform.h"

namespace tamsel::test {

class RecordingNotifications final : public Notifications {
public:
    void send(const std::string& summary, const std::string& body) override { sent.emplace_back(summary, body); }

    std::vector<std::pair<std::string, std::string>> sent;  // summary, body
};

}  // namespace tamsel::test
