#include "model/Logging.h"

Q_LOGGING_CATEGORY(lcCli, "tovi.cli", QtWarningMsg)
Q_LOGGING_CATEGORY(lcStore, "tovi.store", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPlatform, "tovi.platform", QtWarningMsg)
Q_LOGGING_CATEGORY(lcUpdater, "tovi.updater", QtWarningMsg)
Q_LOGGING_CATEGORY(lcWindow, "tovi.window", QtWarningMsg)

namespace tovi {

QStringList loggableArguments(const QStringList& arguments) {
    if (arguments.isEmpty() || arguments.front() != QLatin1String("account") || arguments.size() <= 2)
        return arguments;
    QStringList kept = arguments.mid(0, 2);
    kept.append(QStringLiteral("…"));
    return kept;
}

} // namespace tovi
