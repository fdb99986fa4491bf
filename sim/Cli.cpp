#include "Cli.h"

#include "AccountCommands.h"
#include "Args.h"
#include "CliVersions.h"
#include "ConfigCommands.h"
#include "Scenario.h"
#include "ServiceControl.h"
#include "StateLock.h"
#include "StatusCommand.h"
#include "WebOrigin.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

#include <algorithm>

#include <csignal>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace tovi::sim {

namespace {

void writeAll(FILE* stream, const QByteArray& bytes) {
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const size_t n = std::fwrite(p, 1, static_cast<size_t>(left), stream);
        if (n == 0)
            break;
        p += n;
        left -= static_cast<qsizetype>(n);
    }
    std::fflush(stream);
}

int finish(const CommandOutcome& outcome) {
    writeAll(stdout, outcome.out);
    writeAll(stderr, outcome.err);
    return outcome.exitCode;
}

CommandOutcome usageError(const QString& detail = {}) {
    QByteArray err;
    if (!detail.isEmpty())
        err += "error: " + detail.toUtf8() + '\n';
    err += Cli::usage();
    return {2, {}, err};
}

CommandOutcome install(const StateDir& dir) {
    StateLock lock(dir);
    CliVersions versions = CliVersions::load(dir);
    versions.current = versions.latest;
    QString error;
    if (!versions.save(dir, &error))
        return CommandOutcome::fail(1, error);
    return CommandOutcome::ok("Installed tovi " + versions.current.toUtf8() + '\n');
}

} // namespace

QByteArray Cli::usage() {
    return "usage: tovi <command> [options]  (internal status | install [service] | uninstall service | "
           "account login|claim|profile|me|logout | config get|set | serve | scenario ...)\n";
}

int Cli::run(const QStringList& words) {
    const QString first = words.value(0);
    if (words.isEmpty())
        return finish(usageError());
    if (first == u"help"_s || first == u"--help"_s || first == u"-h"_s)
        return finish(CommandOutcome::ok(usage()));
    if (first == u"version"_s || first == u"--version"_s)
        return finish(CommandOutcome::ok(
            "tovi-sim " + CliVersions::load(StateDir::fromEnvironment()).current.toUtf8() + '\n'));

    const StateDir dir = StateDir::fromEnvironment();
    QString error;
    if (!dir.ensure(&error))
        return finish(CommandOutcome::fail(1, error));

    // Helpers for tests and the demo: never subject to the scenario they control.
    if (first == u"scenario"_s)
        return finish(Scenario::command(dir, words.mid(1)));
    if (first == u"internal"_s && words.value(1) == u"daemon"_s && words.size() == 2)
        return ServiceControl::runDaemon(dir);
    if (first == u"serve"_s) {
        const Args args = Args::parse(words.mid(1));
        if (!args.error().isEmpty() || !args.positional().isEmpty())
            return finish(usageError(args.error()));
        bool ok = true;
        const uint port = args.has(u"port"_s) ? args.value(u"port"_s).toUInt(&ok) : 0;
        if (!ok || port > 65535)
            return finish(usageError(u"--port takes a number from 0 to 65535"_s));
        return WebOrigin::serve(dir, static_cast<quint16>(port));
    }

    const std::optional<Scenario::Rule> rule = Scenario::take(dir, words);
    if (rule && rule->sleepMs > 0) {
        // A gate: a test holds the command until it is ready for the answer, however long the
        // desktop took to get there, and opens it by creating the file.
        const QString gate = rule->untilFile.isEmpty() ? QString() : dir.path(rule->untilFile);
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < rule->sleepMs && !(!gate.isEmpty() && QFileInfo::exists(gate)))
            QThread::msleep(std::min<qint64>(50, rule->sleepMs - waited.elapsed()));
    }
    if (rule && rule->replacesCommand()) {
        writeAll(stdout, rule->spec.value(u"stdout"_s).toString().toUtf8());
        writeAll(stderr, rule->stderrText);
        if (rule->signal != 0)
            std::raise(rule->signal);
        return rule->exitCode;
    }
    CommandOutcome outcome = dispatch(dir, words);
    if (rule && outcome.exitCode == 0)
        Scenario::reshape(*rule, outcome);
    return finish(outcome);
}

CommandOutcome Cli::dispatch(const StateDir& dir, const QStringList& words) {
    const Args args = Args::parse(words);
    if (!args.error().isEmpty())
        return usageError(args.error());
    const QStringList& pos = args.positional();
    const QString cmd = pos.value(0);
    const QString sub = pos.value(1);

    if (cmd == u"internal"_s && sub == u"status"_s)
        return StatusCommand::run(dir, args);
    if (cmd == u"install"_s && pos.size() == 1)
        return install(dir);
    if (cmd == u"install"_s && sub == u"service"_s && pos.size() == 2)
        return ServiceControl::install(dir);
    if (cmd == u"uninstall"_s && sub == u"service"_s && pos.size() == 2)
        return ServiceControl::uninstall(dir);
    if (cmd == u"account"_s)
        return AccountCommands::run(dir, args);
    if (cmd == u"config"_s)
        return ConfigCommands::run(dir, args);
    return usageError(cmd.isEmpty() ? QString() : u"unknown command: "_s + pos.join(u' '));
}

} // namespace tovi::sim
