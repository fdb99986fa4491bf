#include "ui/ErrorBanner.h"

namespace tovi {

QVariantMap ErrorBanner::toVariant() const {
    return {{QStringLiteral("message"), message}, {QStringLiteral("hasRetry"), hasRetry}};
}

} // namespace tovi
