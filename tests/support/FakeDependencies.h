#pragma once

#include "bridge/CLICommandRunner.h"
#include "platform/Browser.h"
#include "platform/Clock.h"
#include "platform/KeepAwake.h"
#include "platform/LoginItem.h"
#include "platform/UserDefaults.h"
#include "store/StatusSource.h"
#include "store/StatusStore.h"
#include "support/TestUtil.h"

#include <QHash>
#include <QSet>
#include <QStringList>

#include <coroutine>
#include <functional>
#include <memory>
#include <vector>

namespace tovi::test {

// Holds fake operations pending until the test opens it, and stays open after. Waiters resume
// inside open(), so the test sees their effects as soon as open() returns.
class FakeGate {
public:
    bool isOpen() const { return m_open; }
    void open();
    QCoro::Task<> pass();

private:
    struct Awaiter {
        FakeGate* gate;
        bool await_ready() const noexcept { return gate->m_open; }
        void await_suspend(std::coroutine_handle<> awaiting) { gate->m_waiters.push_back(awaiting); }
        void await_resume() const noexcept {}
    };
    bool m_open = false;
    std::vector<std::coroutine_handle<>> m_waiters;
};

// Wall time the test sets; a sleep ends only when the test advances past its deadline or releases it.
class FakeClock : public Clock {
public:
    QDateTime now() const override { return m_now; }
    QCoro::Task<> sleepFor(std::chrono::milliseconds duration) override;
    void advance(std::chrono::milliseconds duration);
    void releaseAll();
    int sleepers() const { return static_cast<int>(m_sleepers.size()); }
    const QList<std::chrono::milliseconds>& requestedSleeps() const { return m_requested; }

private:
    struct Sleeper {
        std::chrono::milliseconds deadline;
        std::shared_ptr<FakeGate> gate;
    };
    QDateTime m_now = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
    std::chrono::milliseconds m_monotonic{0};
    std::vector<Sleeper> m_sleepers;
    QList<std::chrono::milliseconds> m_requested;
};

// Hands out scripted snapshots or failures in order, repeating the last; a gate holds every fetch.
class FakeStatusSource : public StatusSource {
public:
    void setResults(std::vector<Result<InternalStatus>> results) {
        m_results = std::move(results);
        m_next = 0;
    }
    void setResult(Result<InternalStatus> result) { setResults({std::move(result)}); }
    std::shared_ptr<FakeGate> gate() { return m_gate = std::make_shared<FakeGate>(); }
    void openGate() {
        if (m_gate)
            m_gate->open();
    }
    int fetchCount() const { return m_fetchCount; }
    QCoro::Task<Result<InternalStatus>> fetch() override;

private:
    std::vector<Result<InternalStatus>> m_results{InternalStatus{}};
    size_t m_next = 0;
    std::shared_ptr<FakeGate> m_gate;
    int m_fetchCount = 0;
};

// A scripted CLICommandRunner. A reply is looked up by the exact arguments, then the longest
// matching prefix, else success with no output; a sequence repeats its last reply. Runs and shell
// lines are recorded; a gated run waits for its gate, and its reply is looked up after it.
class FakeRunner : public CLICommandRunner {
public:
    static Result<QByteArray> ok(const QByteArray& output = {}) { return output; }
    static Result<QByteArray> fail(int code, const QString& stderrText = {}) {
        return Error::cliFailed(code, stderrText);
    }
    using Responder = std::function<Result<QByteArray>(const QStringList&)>;

    void reply(const QStringList& arguments, Result<QByteArray> result) {
        replySequence(arguments, {result});
    }
    void replySequence(const QStringList& arguments, std::vector<Result<QByteArray>> results);
    void replyPrefix(const QStringList& prefix, Result<QByteArray> result);
    void respondPrefix(const QStringList& prefix, Responder responder);
    void replyShell(Result<QByteArray> result) { m_shell = std::move(result); }
    void setInstalled(bool installed) { m_installed = {installed}; }
    void setInstalledSequence(std::vector<bool> values) { m_installed = std::move(values); }
    // Runs when a command completes, before its reply: a command's side effects.
    void onRun(std::function<void(const QStringList&)> hook) { m_onRun = std::move(hook); }
    std::shared_ptr<FakeGate> gate(const QStringList& prefix);
    void openAllGates();

    const QList<QStringList>& runs() const { return m_runs; }
    const QStringList& shellLines() const { return m_shellLines; }
    int count(const QStringList& prefix) const;
    // The time limit the last run of exactly `arguments` was given.
    std::optional<std::chrono::milliseconds> timeLimitOf(const QStringList& arguments) const {
        const qsizetype at = m_runs.lastIndexOf(arguments);
        return at < 0 ? std::nullopt : m_timeLimits[at];
    }
    void clearRecords() {
        m_runs.clear();
        m_timeLimits.clear();
        m_shellLines.clear();
    }

    QCoro::Task<bool> isInstalled() override;
    QCoro::Task<Result<QByteArray>> run(QStringList arguments,
                                        std::optional<std::chrono::milliseconds> timeLimit = {}) override;
    QCoro::Task<Result<QByteArray>> runShell(QString commandLine) override;

private:
    struct Script {
        QStringList arguments;
        bool prefix = false;
        std::vector<Result<QByteArray>> results;
        size_t next = 0;
        Responder responder;
    };
    void script(Script script);
    Result<QByteArray> replyFor(const QStringList& arguments);

    std::vector<Script> m_scripts;
    Result<QByteArray> m_shell = ok();
    std::vector<bool> m_installed{true};
    size_t m_installedNext = 0;
    std::vector<std::pair<QStringList, std::shared_ptr<FakeGate>>> m_gates;
    std::function<void(const QStringList&)> m_onRun;
    QList<QStringList> m_runs;
    QList<std::optional<std::chrono::milliseconds>> m_timeLimits;
    QStringList m_shellLines;
};

class FakeBrowser : public Browser {
public:
    void openUrl(const QUrl& url) override { m_opened << url; }
    const QList<QUrl>& opened() const { return m_opened; }

private:
    QList<QUrl> m_opened;
};

class FakeKeepAwake : public KeepAwake {
public:
    int beginActivity(const QString& reason) override {
        m_reasons << reason;
        m_active.insert(++m_lastToken);
        return m_lastToken;
    }
    void endActivity(int token) override {
        ++m_ends;
        m_active.remove(token);
    }
    // As the real inhibitors answer, later: held or refused everywhere.
    void settle(bool held) { settled(m_lastToken, held); }
    int begins() const { return static_cast<int>(m_reasons.size()); }
    int ends() const { return m_ends; }
    int activeCount() const { return static_cast<int>(m_active.size()); }
    const QStringList& reasons() const { return m_reasons; }

private:
    QStringList m_reasons;
    QSet<int> m_active;
    int m_lastToken = 100;
    int m_ends = 0;
};

// Registration can fail with a message, or succeed but wait for the user's approval (stays off).
class FakeLoginItem : public LoginItem {
public:
    bool isEnabled() const override { return m_enabled; }
    Status setEnabled(bool enabled) override {
        m_requests << enabled;
        if (m_failure)
            return Error::platform(*m_failure);
        m_enabled = enabled && !m_needsApproval;
        return success();
    }
    void setState(bool enabled) { m_enabled = enabled; }
    void failWith(std::optional<QString> message) { m_failure = std::move(message); }
    void setNeedsApproval(bool needsApproval) { m_needsApproval = needsApproval; }
    const QList<bool>& requests() const { return m_requests; }
    std::optional<QString> notice() const override { return m_notice; }
    void setNotice(std::optional<QString> notice) { m_notice = std::move(notice); }

private:
    std::optional<QString> m_notice;
    bool m_enabled = false;
    bool m_needsApproval = false;
    std::optional<QString> m_failure;
    QList<bool> m_requests;
};

class MemoryUserDefaults : public UserDefaults {
public:
    QVariant value(const QString& key) const override { return m_values.value(key); }
    Status setValue(const QString& key, const QVariant& value) override {
        m_values.insert(key, value);
        return success();
    }
    bool contains(const QString& key) const { return m_values.contains(key); }
    void remove(const QString& key) { m_values.remove(key); }

private:
    QHash<QString, QVariant> m_values;
};

// One set of fakes for a StatusStore; status goes through a CLIStatusSource over the fake runner
// unless useFakeSource() swaps one in. Declare it before the store: its destructor wakes every
// sleep and opens every gate, so no coroutine stays suspended once the store is gone.
struct FakeDependencies {
    FakeDependencies();
    ~FakeDependencies() { releaseAll(); }
    FakeDependencies(const FakeDependencies&) = delete;
    FakeDependencies& operator=(const FakeDependencies&) = delete;

    FakeStatusSource& useFakeSource();
    StatusStoreDependencies make() const;
    void setDaemon(DaemonState state) { *daemon = state; }
    void releaseAll();

    std::shared_ptr<FakeRunner> runner = std::make_shared<FakeRunner>();
    std::shared_ptr<FakeStatusSource> source;
    std::shared_ptr<MemoryUserDefaults> defaults = std::make_shared<MemoryUserDefaults>();
    std::shared_ptr<DaemonState> daemon = std::make_shared<DaemonState>(DaemonState::makeRunning(4242));
    std::shared_ptr<FakeLoginItem> loginItem = std::make_shared<FakeLoginItem>();
    std::shared_ptr<FakeKeepAwake> keepAwake = std::make_shared<FakeKeepAwake>();
    std::shared_ptr<FakeBrowser> browser = std::make_shared<FakeBrowser>();
    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
    std::shared_ptr<AppLocation> location = std::make_shared<AppLocation>(AppLocation::elsewhere);
    std::chrono::milliseconds interval{5000};
    QString webOrigin = QStringLiteral("https://tovi.test");
    // The CLI's configuration as "config get/set" see it; a key never set reads as "".
    std::shared_ptr<QHash<QString, QString>> config = std::make_shared<QHash<QString, QString>>();
};

// Snapshot JSON that the CLI could print, for scripting "internal status".
QByteArray statusJson(std::optional<bool> authenticated = true);
QStringList statusArguments();
QStringList profileListArguments();
QStringList accountMeArguments();

} // namespace tovi::test
