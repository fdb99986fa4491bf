#pragma once

#include "support/TestUtil.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <list>
#include <memory>

namespace tovi::testing {

// A temporary HOME for one test: HOME, TOVI_DIR and the XDG folders of this process (and
// so of every child it starts) point into it while the object lives. Owns the sim's
// service and web origin and stops both when it goes away.
class SimHome {
public:
    SimHome();
    ~SimHome();
    SimHome(const SimHome&) = delete;
    SimHome& operator=(const SimHome&) = delete;

    bool isValid() const { return m_dir.isValid() && !m_sim.isEmpty(); }
    QString home() const { return m_dir.path(); }
    QString stateDir() const { return m_dir.path() + QStringLiteral("/.tovi"); }
    QString installedCli() const { return m_dir.path() + QStringLiteral("/.local/bin/tovi"); }

    // Puts the sim where the per-user install lands, as the install script would.
    bool installCli();
    // Runs the sim directly (scenario controls, checks); standard output, or empty on failure.
    QByteArray sim(const QStringList& arguments, int* exitCode = nullptr);
    // Starts "tovi-sim serve --port 0" and points TOVI_WEB_ORIGIN at it; the origin.
    QString serve();

private:
    QTemporaryDir m_dir;
    QString m_sim;
    std::unique_ptr<QProcess> m_server;
    std::list<test::ScopedEnv> m_env;
};

using test::spinUntil;

} // namespace tovi::testing
