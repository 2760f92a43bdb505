#pragma once
// Desktop notifications through the freedesktop notification service on the session bus
// (org.freedesktop.Notifications). The call is asynchronous and its answer ignored: without
// the service (or the bus) nothing is shown.

#include "app/Platform.h"

namespace tamsel {

class DBusNotifications final : public Notifications {
public:
    void send(const std::string& summary, const std::string& body) override;
};

}  // namespace tamsel
