#pragma once

#include "bridge/CLICommandRunner.h"
#include "support/FakeGate.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace tovi::testing {

// A scripted CLICommandRunner. Replies are looked up by the exact argument list, then by
// the longest matching prefix, then the default (success with no output). A scripted
// sequence hands out its replies in order and repeats the last one. Every run and shell
// line is recorded in order; gated calls stay pending until the test opens the gate.
class FakeRunner : public CLICommandRunner {
public:
    static Result<QByteArray> ok(const QByteArray& output = {}) { return output; }
    static Result<QByteArray> fail(int code, const QString& stderrText = {}) {
        return Error::cliFailed(code, stderrText);
    }

    // Scripting.
    void reply(const QStringList& arguments, Result<QByteArray> result);
    void replySequence(const QStringList& arguments, std::vector<Result<QByteArray>> results);
    void replyPrefix(const QStringList& prefix, Result<QByteArray> result);
    // Computes the reply from the arguments, for commands whose answer depends on them.
    using Responder = std::function<Result<QByteArray>(const QStringList&)>;
    void respondPrefix(const QStringList& prefix, Responder responder);
    void replyShell(Result<QByteArray> result);
    void setInstalled(bool installed) { m_installed = {installed}; }
    // Consumed one per isInstalled call; the last value repeats.
    void setInstalledSequence(std::vector<bool> values) { m_installed = std::move(values); }
    // Called when a run completes (after its gate), before the reply is handed back: lets
    // a test model a command's side effects, e.g. a service that starts.
    void onRun(std::function<void(const QStringList&)> hook) { m_onRun = std::move(hook); }

    // Gates: runs whose arguments start with `prefix` wait until the gate opens. The reply
    // is looked up after the gate, so a test may re-script while the call is pending.
    std::shared_ptr<FakeGate> gate(const QStringList& prefix);
    std::shared_ptr<FakeGate> gateShell();
    // Opens every gate (test teardown: no coroutine is left suspended).
    void openAllGates();

    // Records.
    const QList<QStringList>& runs() const { return m_runs; }
    const QStringList& shellLines() const { return m_shellLines; }
    // Runs whose arguments start with `prefix`.
    int count(const QStringList& prefix) const;
    void clearRecords() {
        m_runs.clear();
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
    struct Gate {
        QStringList prefix;
        std::shared_ptr<FakeGate> gate;
    };

    Result<QByteArray> replyFor(const QStringList& arguments);
    std::shared_ptr<FakeGate> gateFor(const QStringList& arguments) const;

    std::vector<Script> m_scripts;
    std::vector<Result<QByteArray>> m_shell{ok()};
    size_t m_shellNext = 0;
    std::vector<bool> m_installed{true};
    size_t m_installedNext = 0;
    std::vector<Gate> m_gates;
    std::shared_ptr<FakeGate> m_shellGate;
    std::function<void(const QStringList&)> m_onRun;
    QList<QStringList> m_runs;
    QStringList m_shellLines;
};

} // namespace tovi::testing
