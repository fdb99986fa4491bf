#pragma once

#include "platform/Clock.h"

namespace tovi {

// Wall time from the system clock; sleeps on CLOCK_BOOTTIME, which keeps counting while
// the machine is suspended.
class BoottimeClock : public Clock {
public:
    QDateTime now() const override;
    QCoro::Task<> sleepFor(std::chrono::milliseconds duration) override;
};

} // namespace tovi
