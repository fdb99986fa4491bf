#include "support/FakeDependencies.h"

#include "store/CLICommands.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace tovi::test {

namespace {

bool startsWith(const QStringList& arguments, const QStringList& prefix) {
    return prefix.size() <= arguments.size() && std::equal(prefix.begin(), prefix.end(), arguments.begin());
}

template <typename T> T takeNext(const std::vector<T>& values, size_t& next) {
    T value = values[std::min(next, values.size() - 1)];
    if (next + 1 < values.size())
        ++next;
    return value;
}

} // namespace

void FakeGate::open() {
    if (std::exchange(m_open, true))
        return;
    for (std::coroutine_handle<> waiter : std::exchange(m_waiters, {}))
        waiter.resume();
}

QCoro::Task<> FakeGate::pass() {
    co_await Awaiter{this};
}

QCoro::Task<> FakeClock::sleepFor(std::chrono::milliseconds duration) {
    m_requested << duration;
    auto gate = std::make_shared<FakeGate>();
    m_sleepers.push_back({m_monotonic + duration, gate});
    co_await gate->pass();
}

void FakeClock::advance(std::chrono::milliseconds duration) {
    m_now = m_now.addMSecs(duration.count());
    m_monotonic += duration;
    // Woken sleepers may sleep again at once; collect before waking.
    std::vector<std::shared_ptr<FakeGate>> due;
    std::erase_if(m_sleepers, [&](const Sleeper& s) {
        if (s.deadline > m_monotonic)
            return false;
        due.push_back(s.gate);
        return true;
    });
    for (const auto& gate : due)
        gate->open();
}

void FakeClock::releaseAll() {
    for (const Sleeper& s : std::exchange(m_sleepers, {}))
        s.gate->open();
}

QCoro::Task<Result<InternalStatus>> FakeStatusSource::fetch() {
    ++m_fetchCount;
    if (const std::shared_ptr<FakeGate> gate = m_gate)
        co_await gate->pass();
    co_return takeNext(m_results, m_next);
}

void FakeRunner::script(Script script) {
    std::erase_if(m_scripts, [&](const Script& s) {
        return s.prefix == script.prefix && s.arguments == script.arguments;
    });
    m_scripts.push_back(std::move(script));
}

void FakeRunner::replySequence(const QStringList& arguments, std::vector<Result<QByteArray>> results) {
    script({arguments, false, std::move(results), 0, {}});
}

void FakeRunner::replyPrefix(const QStringList& prefix, Result<QByteArray> result) {
    script({prefix, true, {std::move(result)}, 0, {}});
}

void FakeRunner::respondPrefix(const QStringList& prefix, Responder responder) {
    script({prefix, true, {ok()}, 0, std::move(responder)});
}

std::shared_ptr<FakeGate> FakeRunner::gate(const QStringList& prefix) {
    auto gate = std::make_shared<FakeGate>();
    m_gates.emplace_back(prefix, gate);
    return gate;
}

void FakeRunner::openAllGates() {
    // Opening resumes coroutines that may add gates; work on a copy.
    const auto gates = m_gates;
    for (const auto& g : gates)
        g.second->open();
}

int FakeRunner::count(const QStringList& prefix) const {
    return int(std::count_if(m_runs.begin(), m_runs.end(),
                             [&](const QStringList& a) { return startsWith(a, prefix); }));
}

Result<QByteArray> FakeRunner::replyFor(const QStringList& arguments) {
    for (Script& script : m_scripts) {
        if (!script.prefix && script.arguments == arguments)
            return takeNext(script.results, script.next);
    }
    Script* best = nullptr;
    for (Script& script : m_scripts) {
        if (script.prefix && startsWith(arguments, script.arguments) &&
            (!best || script.arguments.size() > best->arguments.size()))
            best = &script;
    }
    if (!best)
        return ok();
    return best->responder ? best->responder(arguments) : takeNext(best->results, best->next);
}

QCoro::Task<bool> FakeRunner::isInstalled() {
    co_return takeNext(m_installed, m_installedNext);
}

QCoro::Task<Result<QByteArray>> FakeRunner::run(QStringList arguments,
                                                std::optional<std::chrono::milliseconds> timeLimit) {
    m_runs << arguments;
    m_timeLimits << timeLimit;
    const auto gated = std::find_if(m_gates.begin(), m_gates.end(), [&](const auto& g) {
        return !g.second->isOpen() && startsWith(arguments, g.first);
    });
    if (gated != m_gates.end()) {
        const std::shared_ptr<FakeGate> gate = gated->second;
        co_await gate->pass();
    }
    Result<QByteArray> result = replyFor(arguments);
    if (m_onRun)
        m_onRun(arguments);
    co_return result;
}

QCoro::Task<Result<QByteArray>> FakeRunner::runShell(QString commandLine) {
    m_shellLines << commandLine;
    co_return m_shell;
}

FakeDependencies::FakeDependencies() {
    runner->reply(statusArguments(), FakeRunner::ok(statusJson(true)));
    runner->reply(accountMeArguments(), FakeRunner::ok(R"({"id":"u1","team_id":"team-1"})"));
    runner->reply(profileListArguments(), FakeRunner::ok(R"([{"name":"default","active":true}])"));
    runner->respondPrefix(CLICommands::configGet({}).first(2),
                          [values = config](const QStringList& arguments) -> Result<QByteArray> {
                              const QString key = arguments.value(2);
                              const QJsonObject object{{key, values->value(key)}};
                              return QJsonDocument(object).toJson(QJsonDocument::Compact);
                          });
    runner->respondPrefix(CLICommands::configSet({}, {}).first(2),
                          [values = config](const QStringList& arguments) -> Result<QByteArray> {
                              values->insert(arguments.value(2), arguments.value(3));
                              return QByteArray();
                          });
}

void FakeDependencies::releaseAll() {
    // Waking a coroutine can start another wait; a few rounds settle every chain.
    for (int round = 0; round < 8; ++round) {
        runner->openAllGates();
        if (source)
            source->openGate();
        clock->releaseAll();
    }
}

FakeStatusSource& FakeDependencies::useFakeSource() {
    if (!source)
        source = std::make_shared<FakeStatusSource>();
    return *source;
}

StatusStoreDependencies FakeDependencies::make() const {
    StatusStoreDependencies deps;
    deps.source = source;
    deps.interval = interval;
    deps.cliRunner = runner;
    deps.defaults = defaults;
    deps.daemonStateProvider = [state = daemon] { return *state; };
    deps.loginItem = loginItem;
    deps.keepAwake = keepAwake;
    deps.browser = browser;
    deps.clock = clock;
    deps.appLocation = [where = location] { return *where; };
    deps.webOrigin = webOrigin;
    return deps;
}

QByteArray statusJson(std::optional<bool> authenticated) {
    QByteArray auth = authenticated ? (*authenticated ? "true" : "false") : "null";
    return R"({"cli":{"current_version":"1.4.0"},"authenticated":)" + auth +
           R"(,"nodes":{"online":1,"total":2},"notifications":{"unread":3}})";
}

QStringList statusArguments() {
    return CLICommands::status();
}

QStringList profileListArguments() {
    return CLICommands::profileList();
}

QStringList accountMeArguments() {
    return CLICommands::me();
}

} // namespace tovi::test
