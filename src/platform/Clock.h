#pragma once

#include <QDateTime>
#include <qcoro/qcorotask.h>

#include <chrono>

namespace tovi {

class Clock {
public:
    virtual ~Clock() = default;
    // Wall-clock time.
    virtual QDateTime now() const = 0;
    // Sleeps on a monotonic clock that keeps counting while the machine is suspended, so
    // a deadline that passed during suspend ends the sleep at once.
    virtual QCoro::Task<> sleepFor(std::chrono::milliseconds duration) = 0;
};

} // namespace tovi
