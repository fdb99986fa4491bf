#pragma once

#include "platform/Clock.h"

#include <functional>
#include <memory>

namespace tovi {

// Wall time from the system clock; sleeps on CLOCK_BOOTTIME, which keeps counting while
// the machine is suspended.
class BoottimeClock : public Clock {
public:
    // Makes the timer descriptor a sleep waits on (-1 when it cannot); the default is a
    // non-blocking, close-on-exec CLOCK_BOOTTIME timerfd.
    using TimerFactory = std::function<int()>;

    explicit BoottimeClock(TimerFactory makeTimer = {});

    QDateTime now() const override;
    // Without a boot-time timer (none could be made or armed) it still sleeps, on an ordinary
    // timer that pauses while the machine is suspended; returning at once would turn the
    // polling loop into a busy loop.
    QCoro::Task<> sleepFor(std::chrono::milliseconds duration) override;

private:
    struct Timer;
    TimerFactory m_makeTimer;
    // The timer of the last sleep, kept for the next: the poll sleeps every few seconds, and
    // making a descriptor and its notifier each time cost more than the wait itself. Shared
    // with sleeps in progress, which may end after the clock.
    std::shared_ptr<std::unique_ptr<Timer>> m_spare;
};

} // namespace tovi
