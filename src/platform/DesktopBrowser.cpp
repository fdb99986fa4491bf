#include "platform/DesktopBrowser.h"

#include <QDesktopServices>

namespace tovi {

void DesktopBrowser::openUrl(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

} // namespace tovi
