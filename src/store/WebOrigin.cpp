#include "store/WebOrigin.h"
#include <QCoreApplication>

#include "BuildConfig.h"

namespace tovi {

bool isWebAddress(const QUrl& url) {
    // QUrl stores the scheme in lower case, so "HTTPS:" passes as well.
    const QString scheme = url.scheme();
    return url.isValid() && (scheme == u"https" || scheme == u"http") && !url.host().isEmpty();
}

bool isWebAddress(const QString& text) {
    return isWebAddress(QUrl(text, QUrl::StrictMode));
}

QString normalizedWebOrigin(QString origin) {
    while (origin.endsWith(QLatin1Char('/')))
        origin.chop(1);
    return origin;
}

std::optional<QString> webPathSegment(const QString& identifier) {
    if (identifier.isEmpty() || identifier == u"." || identifier == u"..")
        return std::nullopt;
    return QString::fromLatin1(identifier.toUtf8().toPercentEncoding());
}

WebOriginChoice chooseWebOrigin(const QString& configured) {
    const QString builtIn = normalizedWebOrigin(QString::fromUtf8(build::defaultWebOrigin));
    QString candidate = configured;
    QString source = QCoreApplication::translate("WebOrigin", "The web origin");
    if (candidate.isEmpty()) {
        candidate = qEnvironmentVariable("TOVI_WEB_ORIGIN");
        source = QStringLiteral("TOVI_WEB_ORIGIN");
    }
    if (candidate.isEmpty())
        return {builtIn, std::nullopt};
    const QString origin = normalizedWebOrigin(candidate);
    // Paths are appended to the origin, so a query or fragment would swallow them.
    const QUrl url(origin, QUrl::StrictMode);
    if (isWebAddress(url) && !url.hasQuery() && !url.hasFragment())
        return {origin, std::nullopt};
    // The refused text is shown to the user: a bounded, single-line excerpt.
    QString shown = candidate.left(200).simplified();
    return {builtIn, QCoreApplication::translate("WebOrigin",
                                                 "%1 “%2” is not an http or https address; using %3 instead.")
                         .arg(source, shown, builtIn)};
}

QString serviceWebOrigin() {
    return chooseWebOrigin().origin;
}

} // namespace tovi
