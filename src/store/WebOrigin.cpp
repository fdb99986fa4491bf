#include "store/WebOrigin.h"

#include "BuildConfig.h"

namespace tovi {

QString normalizedWebOrigin(QString origin) {
    while (origin.endsWith(QLatin1Char('/')))
        origin.chop(1);
    return origin;
}

QString serviceWebOrigin() {
    const QString fromEnvironment = qEnvironmentVariable("TOVI_WEB_ORIGIN");
    if (!fromEnvironment.isEmpty())
        return normalizedWebOrigin(fromEnvironment);
    return normalizedWebOrigin(QString::fromUtf8(build::defaultWebOrigin));
}

} // namespace tovi
