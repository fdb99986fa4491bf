#include "updater/UpdateAddressPolicy.h"

#include "BuildConfig.h"

#include <QHostAddress>

namespace tovi {

bool UpdateAddressPolicy::isLoopback(const QUrl& url) {
    const QString host = url.host().toLower();
    if (host == u"localhost")
        return true;
    QHostAddress address;
    return address.setAddress(host) && address.isLoopback();
}

Status UpdateAddressPolicy::check(const QUrl& url) {
    if (!url.isValid() || url.host().isEmpty())
        return Error::platform(
            tr("The update address “%1” is not a valid web address.").arg(url.toDisplayString()));
    const QString scheme = url.scheme().toLower();
    if (scheme == u"https")
        return success();
    if (scheme == u"http" && isLoopback(url))
        return success();
    return Error::platform(
        tr("Updates are only fetched over HTTPS; the address “%1” was refused.").arg(url.toDisplayString()));
}

QUrl UpdateAddressPolicy::configuredFeed() {
    const QString fromEnvironment = qEnvironmentVariable("TOVI_UPDATE_FEED").trimmed();
    const QString text =
        fromEnvironment.isEmpty() ? QString::fromUtf8(build::defaultUpdateFeed) : fromEnvironment;
    return QUrl(text.trimmed(), QUrl::StrictMode);
}

} // namespace tovi
