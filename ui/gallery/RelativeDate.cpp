#include "ui/gallery/RelativeDate.h"

#include <QDateTime>

namespace orvane {
namespace {

QString ago(qint64 count, const char* unit) {
    return count == 1 ? QStringLiteral("1 %1 ago").arg(QLatin1String(unit))
                      : QStringLiteral("%1 %2s ago").arg(count).arg(QLatin1String(unit));
}

QString lastOrAgo(qint64 count, const char* unit) {
    return count == 1 ? QStringLiteral("last %1").arg(QLatin1String(unit)) : ago(count, unit);
}

} // namespace

QString relativeDateText(std::chrono::system_clock::time_point date,
                         std::chrono::system_clock::time_point now) {
    using namespace std::chrono;
    const qint64 seconds = duration_cast<std::chrono::seconds>(now - date).count();
    if (seconds < 60) {
        return QStringLiteral("now");
    }
    if (seconds < 3600) {
        return ago(seconds / 60, "minute");
    }
    const QDate then =
        QDateTime::fromMSecsSinceEpoch(duration_cast<milliseconds>(date.time_since_epoch()).count()).date();
    const QDate today =
        QDateTime::fromMSecsSinceEpoch(duration_cast<milliseconds>(now.time_since_epoch()).count()).date();
    const qint64 days = then.daysTo(today);
    if (days == 0) {
        return ago(seconds / 3600, "hour");
    }
    if (days == 1) {
        return QStringLiteral("yesterday");
    }
    if (days < 7) {
        return ago(days, "day");
    }
    const int months =
        (today.year() - then.year()) * 12 + today.month() - then.month() - (today.day() < then.day() ? 1 : 0);
    if (months < 1) {
        return lastOrAgo(days / 7, "week");
    }
    if (months < 12) {
        return lastOrAgo(months, "month");
    }
    return lastOrAgo(months / 12, "year");
}

} // namespace orvane
