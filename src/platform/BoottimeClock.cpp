#include "platform/BoottimeClock.h"

#include <QSocketNotifier>
#include <qcoro/qcorotimer.h>

#include <cerrno>
#include <coroutine>
#include <memory>

#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

namespace tovi {

namespace {

struct FdCloser {
    int fd = -1;
    ~FdCloser() {
        if (fd >= 0)
            ::close(fd);
    }
};

// Resumes the sleeping coroutine when the timer descriptor becomes readable. The
// connection belongs to the notifier, which lives in the coroutine frame, so a sleep
// whose coroutine is destroyed early leaves nothing behind.
struct ReadableAwaiter {
    QSocketNotifier* notifier;

    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> handle) {
        QObject::connect(notifier, &QSocketNotifier::activated, notifier, [n = notifier, handle]() {
            n->setEnabled(false);
            QObject::disconnect(n, &QSocketNotifier::activated, n, nullptr);
            handle.resume();
        });
        notifier->setEnabled(true);
    }
    void await_resume() const noexcept {}
};

} // namespace

BoottimeClock::BoottimeClock(TimerFactory makeTimer)
    : m_makeTimer(std::move(makeTimer)) {
    if (!m_makeTimer)
        m_makeTimer = [] { return ::timerfd_create(CLOCK_BOOTTIME, TFD_CLOEXEC | TFD_NONBLOCK); };
}

QDateTime BoottimeClock::now() const {
    return QDateTime::currentDateTimeUtc();
}

QCoro::Task<> BoottimeClock::sleepFor(std::chrono::milliseconds duration) {
    if (duration.count() <= 0)
        co_return;

    FdCloser timer{m_makeTimer()};
    if (timer.fd < 0) {
        co_await QCoro::sleepFor(duration);
        co_return;
    }

    timespec start{};
    ::clock_gettime(CLOCK_BOOTTIME, &start);
    // An absolute deadline: if the machine was suspended past it, the timer fires at once
    // on resume instead of waiting out the remainder.
    const auto total = std::chrono::seconds(start.tv_sec) + std::chrono::nanoseconds(start.tv_nsec) +
                       std::chrono::duration_cast<std::chrono::nanoseconds>(duration);
    const auto secs = std::chrono::duration_cast<std::chrono::seconds>(total);
    itimerspec spec{};
    spec.it_value.tv_sec = static_cast<time_t>(secs.count());
    spec.it_value.tv_nsec = static_cast<long>((total - secs).count());
    if (::timerfd_settime(timer.fd, TFD_TIMER_ABSTIME, &spec, nullptr) != 0) {
        co_await QCoro::sleepFor(duration);
        co_return;
    }

    auto notifier = std::make_unique<QSocketNotifier>(timer.fd, QSocketNotifier::Read);
    notifier->setEnabled(false);
    for (;;) {
        co_await ReadableAwaiter{notifier.get()};
        uint64_t expirations = 0;
        const ssize_t n = ::read(timer.fd, &expirations, sizeof expirations);
        // EAGAIN means a spurious wake-up (or a clock change cancelled nothing); wait again.
        if (n == sizeof expirations && expirations > 0)
            break;
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            break;
    }
    // Still inside the notifier's own signal here: let the event loop delete it.
    notifier.release()->deleteLater();
}

} // namespace tovi
