#pragma once

#include <QDateTime>
#include <QString>

namespace tovi {

// English relative date-time phrases in full units: "2 minutes ago", "in 5 seconds",
// "1 day ago". The largest unit with a non-zero whole count wins.
class RelativeTimeFormatter {
public:
    static QString format(const QDateTime& date, const QDateTime& relativeTo);
    static QString formatSeconds(qint64 secondsFromNow);
};

} // namespace tovi
