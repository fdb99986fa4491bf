// A StatusStore for benchmarks: every CLI run answers at once from memory, so a refresh
// completes within the call and what is measured is decoding, the store and whatever
// observes it. Nothing touches the user's settings, login items, bus or browser.
#pragma once

#include "bridge/CLICommandRunner.h"
#include "platform/Browser.h"
#include "platform/Clock.h"
#include "platform/KeepAwake.h"
#include "platform/LoginItem.h"
#include "platform/UserDefaults.h"
#include "store/StatusStore.h"

#include <QHash>

#include <memory>

namespace tovi::bench {

class MemoryRunner : public CLICommandRunner {
public:
    explicit MemoryRunner(QByteArray status)
        : m_status(std::move(status)) {}
    void setStatus(QByteArray status) { m_status = std::move(status); }
    QCoro::Task<bool> isInstalled() override { co_return true; }
    QCoro::Task<Result<QByteArray>> run(QStringList arguments,
                                        std::optional<std::chrono::milliseconds>) override {
        if (arguments.value(0) == QLatin1String("internal"))
            co_return Result<QByteArray>(m_status); // see Result.h: a bare m_status would be moved out
        if (arguments.value(1) == QLatin1String("profile"))
            co_return QByteArray(R"([{"name":"default","active":true,"email":"ops@example.com"}])");
        co_return QByteArray(R"({"team_id":"team-1"})");
    }
    QCoro::Task<Result<QByteArray>> runShell(QString) override { co_return QByteArray(); }

private:
    QByteArray m_status;
};

class MemoryDefaults : public UserDefaults {
public:
    QVariant value(const QString& key) const override { return m_values.value(key); }
    Status setValue(const QString& key, const QVariant& value) override {
        m_values.insert(key, value);
        return success();
    }

private:
    QHash<QString, QVariant> m_values;
};

class NoLoginItem : public LoginItem {
public:
    bool isEnabled() const override { return false; }
    Status setEnabled(bool) override { return success(); }
};

class NoKeepAwake : public KeepAwake {
public:
    int beginActivity(const QString&) override { return 1; }
    void endActivity(int) override {}
};

class NoBrowser : public Browser {
public:
    void openUrl(const QUrl&) override {}
};

class FixedClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC); }
    QCoro::Task<> sleepFor(std::chrono::milliseconds) override { co_return; }
};

inline std::unique_ptr<StatusStore> makeStore(std::shared_ptr<MemoryRunner> runner) {
    StatusStoreDependencies deps;
    deps.cliRunner = std::move(runner);
    deps.defaults = std::make_shared<MemoryDefaults>();
    deps.daemonStateProvider = [] { return DaemonState::makeRunning(4242); };
    deps.loginItem = std::make_shared<NoLoginItem>();
    deps.keepAwake = std::make_shared<NoKeepAwake>();
    deps.browser = std::make_shared<NoBrowser>();
    deps.clock = std::make_shared<FixedClock>();
    deps.appLocation = [] { return AppLocation::elsewhere; };
    deps.webOrigin = QStringLiteral("https://tovi.test");
    return std::make_unique<StatusStore>(deps);
}

} // namespace tovi::bench
