#include "ui/RelativeTimeFormatter.h"

#include <cstdlib>

namespace tovi {

namespace {

QString phrase(qint64 count, const char* unit, bool past) {
    QString text = QString::number(count) + u' ' + QLatin1String(unit);
    if (count != 1)
        text += u's';
    return past ? text + QStringLiteral(" ago") : QStringLiteral("in ") + text;
}

// Whole calendar months from `from` to `to` (from <= to).
qint64 wholeMonths(const QDateTime& from, const QDateTime& to) {
    const QDate a = from.date();
    const QDate b = to.date();
    qint64 months = (qint64(b.year()) - a.year()) * 12 + (b.month() - a.month());
    while (months > 0 && from.addMonths(int(months)) > to)
        --months;
    return months;
}

} // namespace

QString RelativeTimeFormatter::formatSeconds(qint64 secondsFromNow) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    return format(now.addSecs(secondsFromNow), now);
}

QString RelativeTimeFormatter::format(const QDateTime& date, const QDateTime& relativeTo) {
    const bool past = date < relativeTo;
    const QDateTime from = past ? date : relativeTo;
    const QDateTime to = past ? relativeTo : date;
    const qint64 seconds = from.secsTo(to);

    constexpr qint64 minute = 60;
    constexpr qint64 hour = 60 * minute;
    constexpr qint64 day = 24 * hour;

    if (seconds >= day) {
        const qint64 months = wholeMonths(from, to);
        if (months >= 12)
            return phrase(months / 12, "year", past);
        if (months >= 1)
            return phrase(months, "month", past);
        if (seconds >= 7 * day)
            return phrase(seconds / (7 * day), "week", past);
        return phrase(seconds / day, "day", past);
    }
    if (seconds >= hour)
        return phrase(seconds / hour, "hour", past);
    if (seconds >= minute)
        return phrase(seconds / minute, "minute", past);
    return phrase(seconds, "second", past);
}

} // namespace tovi
