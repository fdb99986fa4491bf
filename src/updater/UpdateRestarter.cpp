#include "updater/UpdateRestarter.h"

#include <QCoreApplication>
#include <QProcess>

namespace tovi {

bool UpdateRestarter::relaunchAfterExit(const QString& appImagePath) {
    // The path and pid travel as positional arguments, never spliced into the script.
    const QString script =
        QStringLiteral("while kill -0 \"$1\" 2>/dev/null; do sleep 0.2; done; exec \"$2\"");
    QStringList arguments;
    arguments << QStringLiteral("-c") << script << QStringLiteral("tovi-restart")
              << QString::number(QCoreApplication::applicationPid()) << appImagePath;
    if (!QProcess::startDetached(QStringLiteral("/bin/sh"), arguments))
        return false;
    QCoreApplication::quit();
    return true;
}

} // namespace tovi
