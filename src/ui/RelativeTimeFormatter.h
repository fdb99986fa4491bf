#pragma once

#include <QCoreApplication>
#include <QDateTime>
#include <QString>

namespace tovi {

// Relative date-time phrases in full units: "2 minutes ago", "in 5 seconds",
// "1 day ago". The largest unit with a non-zero whole count wins.
class RelativeTimeFormatter {
    Q_DECLARE_TR_FUNCTIONS(RelativeTimeFormatter)

public:
    static QString format(const QDateTime& date, const QDateTime& relativeTo);
    static QString formatSeconds(qint64 secondsFromNow);
};

} // namespace tovi
