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

// Resumes the sleeping coroutine when the timer descriptor becomes readable. The
// connection belongs to the notifier, which the sleep holds with its timer, so a sleep
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

struct BoottimeClock::Timer {
    int fd;
    std::unique_ptr<QSocketNotifier> notifier;

    explicit Timer(int descriptor)
        : fd(descriptor)
        , notifier(std::make_unique<QSocketNotifier>(descriptor, QSocketNotifier::Read)) {
        notifier->setEnabled(false);
    }
    ~Timer() {
        notifier.reset();
        ::close(fd);
    }
    // For a timer that may be inside its notifier's own signal: the event loop deletes the
    // notifier; a disabled notifier no longer watches the descriptor, which closes now.
    static void discard(std::unique_ptr<Timer> timer) { timer->notifier.release()->deleteLater(); }
};

BoottimeClock::BoottimeClock(TimerFactory makeTimer)
    : m_makeTimer(std::move(makeTimer))
    , m_spare(std::make_shared<std::unique_ptr<Timer>>()) {
    if (!m_makeTimer)
        m_makeTimer = [] { return ::timerfd_create(CLOCK_BOOTTIME, TFD_CLOEXEC | TFD_NONBLOCK); };
}

QDateTime BoottimeClock::now() const {
    return QDateTime::currentDateTimeUtc();
}

QCoro::Task<> BoottimeClock::sleepFor(std::chrono::milliseconds duration) {
    if (duration.count() <= 0)
        co_return;

    // The clock may be gone when the sleep ends; the timer is then not kept.
    const std::weak_ptr<std::unique_ptr<Timer>> spare = m_spare;
    std::unique_ptr<Timer> timer = std::move(*m_spare);
    if (!timer) {
        const int fd = m_makeTimer();
        if (fd < 0) {
            co_await QCoro::sleepFor(duration);
            co_return;
        }
        timer = std::make_unique<Timer>(fd);
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
    if (::timerfd_settime(timer->fd, TFD_TIMER_ABSTIME, &spec, nullptr) != 0) {
        Timer::discard(std::move(timer));
        co_await QCoro::sleepFor(duration);
        co_return;
    }

    for (;;) {
        co_await ReadableAwaiter{timer->notifier.get()};
        uint64_t expirations = 0;
        const ssize_t n = ::read(timer->fd, &expirations, sizeof expirations);
        // EAGAIN means a spurious wake-up (or a clock change cancelled nothing); wait again.
        if (n == sizeof expirations && expirations > 0)
            break;
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            break;
    }
    if (const auto kept = spare.lock(); kept && !*kept)
        *kept = std::move(timer);
    else
        Timer::discard(std::move(timer));
}

} // namespace tovi
