#pragma once

#include "platform/DesktopNotifications.h"

#include <utility>

namespace tovi::test {

// Stands in for the desktop's notification server.
class FakeDesktopNotifications : public DesktopNotifications {
public:
    void show(const DesktopNotice& notice) override { shown << notice; }
    // What was shown since the last look.
    QList<DesktopNotice> taken() { return std::exchange(shown, {}); }
    QList<DesktopNotice> shown;
};

} // namespace tovi::test
