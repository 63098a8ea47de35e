#pragma once

#include <QLocale>
#include <QString>

#include "ListDateText.h"

namespace kelvane {

// The Date column as the desktop writes dates: `locale`'s short date format with the year
// widened to four digits, then its short time format; the time is left out at exactly midnight.
DateFormatter LocaleListDate(const QLocale& locale);

// `format` with a two-digit year ("yy") widened to four ("yyyy"). Quoted text stays as it is.
QString FourDigitYear(const QString& format);

}  // namespace kelvane
