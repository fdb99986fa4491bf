#pragma once

#include "StateDir.h"

#include <QString>

namespace tovi::sim {

// Installed and newest CLI versions (cli.json); "install" moves the first to the second.
class CliVersions {
public:
    QString current = QStringLiteral("0.9.0");
    QString latest = QStringLiteral("1.0.0");

    static CliVersions load(const StateDir& dir);
    bool save(const StateDir& dir, QString* error) const;

    // Dotted numeric comparison; a missing part counts as 0 ("1.2" equals "1.2.0").
    static int compare(const QString& a, const QString& b);
    bool updateAvailable() const { return compare(latest, current) > 0; }
};

} // namespace tovi::sim
