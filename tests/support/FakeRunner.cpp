#include "support/FakeRunner.h"

#include <algorithm>

namespace tovi::testing {

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

void FakeRunner::reply(const QStringList& arguments, Result<QByteArray> result) {
    replySequence(arguments, {std::move(result)});
}

void FakeRunner::replySequence(const QStringList& arguments, std::vector<Result<QByteArray>> results) {
    Q_ASSERT(!results.empty());
    std::erase_if(m_scripts, [&](const Script& s) { return !s.prefix && s.arguments == arguments; });
    m_scripts.push_back({arguments, false, std::move(results), 0, {}});
}

void FakeRunner::replyPrefix(const QStringList& prefix, Result<QByteArray> result) {
    std::erase_if(m_scripts, [&](const Script& s) { return s.prefix && s.arguments == prefix; });
    m_scripts.push_back({prefix, true, {std::move(result)}, 0, {}});
}

void FakeRunner::respondPrefix(const QStringList& prefix, Responder responder) {
    std::erase_if(m_scripts, [&](const Script& s) { return s.prefix && s.arguments == prefix; });
    m_scripts.push_back({prefix, true, {ok()}, 0, std::move(responder)});
}

void FakeRunner::replyShell(Result<QByteArray> result) {
    m_shell = {std::move(result)};
    m_shellNext = 0;
}

std::shared_ptr<FakeGate> FakeRunner::gate(const QStringList& prefix) {
    auto gate = std::make_shared<FakeGate>();
    m_gates.push_back({prefix, gate});
    return gate;
}

std::shared_ptr<FakeGate> FakeRunner::gateShell() {
    m_shellGate = std::make_shared<FakeGate>();
    return m_shellGate;
}

void FakeRunner::openAllGates() {
    // Opening resumes coroutines that may add gates; work on a copy.
    const std::vector<Gate> gates = m_gates;
    for (const Gate& g : gates)
        g.gate->open();
    if (m_shellGate)
        m_shellGate->open();
}

int FakeRunner::count(const QStringList& prefix) const {
    return static_cast<int>(std::count_if(m_runs.begin(), m_runs.end(), [&](const QStringList& arguments) {
        return startsWith(arguments, prefix);
    }));
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
    if (best && best->responder)
        return best->responder(arguments);
    if (best)
        return takeNext(best->results, best->next);
    return ok();
}

std::shared_ptr<FakeGate> FakeRunner::gateFor(const QStringList& arguments) const {
    for (const Gate& g : m_gates) {
        if (!g.gate->isOpen() && startsWith(arguments, g.prefix))
            return g.gate;
    }
    return nullptr;
}

QCoro::Task<bool> FakeRunner::isInstalled() {
    co_return takeNext(m_installed, m_installedNext);
}

QCoro::Task<Result<QByteArray>> FakeRunner::run(QStringList arguments,
                                                std::optional<std::chrono::milliseconds> timeLimit) {
    Q_UNUSED(timeLimit);
    m_runs << arguments;
    if (const std::shared_ptr<FakeGate> gate = gateFor(arguments))
        co_await gate->pass();
    Result<QByteArray> result = replyFor(arguments);
    if (m_onRun)
        m_onRun(arguments);
    co_return result;
}

QCoro::Task<Result<QByteArray>> FakeRunner::runShell(QString commandLine) {
    m_shellLines << commandLine;
    if (const std::shared_ptr<FakeGate> gate = m_shellGate; gate && !gate->isOpen())
        co_await gate->pass();
    Result<QByteArray> result = takeNext(m_shell, m_shellNext);
    co_return result;
}

} // namespace tovi::testing
