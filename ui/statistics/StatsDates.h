#pragma once

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>

#include "LocaleListDate.h"
#include "LogDates.h"

namespace kelvane {

// The statistics' moments as Qt dates and times, and back.
inline QDateTime QtDateTimeOf(StatsMoment moment) {
    const LocalDateTime when = LocalDateTimeOf(moment);
    return QDateTime(QDate(when.year, when.month, when.day),
                     QTime(when.hour, when.minute, when.second));
}

inline StatsMoment MomentOfDate(const QDate& date) {
    return MomentOf({date.year(), date.month(), date.day(), 0, 0, 0});
}

// The short date format of the desktop with a four-digit year.
inline QString StatsDateFormat(const QLocale& locale = QLocale::system()) {
    return FourDigitYear(locale.dateFormat(QLocale::ShortFormat));
}

inline QString ShortDateText(StatsMoment moment, const QLocale& locale = QLocale::system()) {
    return locale.toString(QtDateTimeOf(moment).date(), StatsDateFormat(locale));
}

}  // namespace kelvane
