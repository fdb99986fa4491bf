#include "ui/RelativeTimeFormatter.h"

#include <cstdlib>

namespace tovi {

namespace {

enum class Unit { year, month, week, day, hour, minute, second };

QString phrase(qint64 count, Unit unit, bool past) {
    const int n = int(count);
    switch (unit) {
    case Unit::year:
        return past ? RelativeTimeFormatter::tr("%n year(s) ago", nullptr, n)
                    : RelativeTimeFormatter::tr("in %n year(s)", nullptr, n);
    case Unit::month:
        return past ? RelativeTimeFormatter::tr("%n month(s) ago", nullptr, n)
                    : RelativeTimeFormatter::tr("in %n month(s)", nullptr, n);
    case Unit::week:
        return past ? RelativeTimeFormatter::tr("%n week(s) ago", nullptr, n)
                    : RelativeTimeFormatter::tr("in %n week(s)", nullptr, n);
    case Unit::day:
        return past ? RelativeTimeFormatter::tr("%n day(s) ago", nullptr, n)
                    : RelativeTimeFormatter::tr("in %n day(s)", nullptr, n);
    case Unit::hour:
        return past ? RelativeTimeFormatter::tr("%n hour(s) ago", nullptr, n)
                    : RelativeTimeFormatter::tr("in %n hour(s)", nullptr, n);
    case Unit::minute:
        return past ? RelativeTimeFormatter::tr("%n minute(s) ago", nullptr, n)
                    : RelativeTimeFormatter::tr("in %n minute(s)", nullptr, n);
    case Unit::second:
        return past ? RelativeTimeFormatter::tr("%n second(s) ago", nullptr, n)
                    : RelativeTimeFormatter::tr("in %n second(s)", nullptr, n);
    }
    return {};
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
            return phrase(months / 12, Unit::year, past);
        if (months >= 1)
            return phrase(months, Unit::month, past);
        if (seconds >= 7 * day)
            return phrase(seconds / (7 * day), Unit::week, past);
        return phrase(seconds / day, Unit::day, past);
    }
    if (seconds >= hour)
        return phrase(seconds / hour, Unit::hour, past);
    if (seconds >= minute)
        return phrase(seconds / minute, Unit::minute, past);
    return phrase(seconds, Unit::second, past);
}

} // namespace tovi
