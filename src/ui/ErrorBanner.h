#pragma once

#include <QString>
#include <QVariantMap>

namespace tovi {

// One problem report in the window: a message and whether it offers "Retry".
struct ErrorBanner {
    QString message;
    bool hasRetry = false;

    QVariantMap toVariant() const;
    friend bool operator==(const ErrorBanner&, const ErrorBanner&) = default;
};

} // namespace tovi
