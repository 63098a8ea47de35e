#include "LocaleListDate.h"

#include <gtest/gtest.h>
#include <QLocale>
#include <QString>
#include <string>

namespace kelvane {
namespace {

TEST(FourDigitYear, WidensOnlyATwoDigitYearOutsideQuotes) {
    struct Case {
        const char* name;
        const char* format;
        const char* widened;
    };
    const Case cases[] = {
        {"month-first", "M/d/yy", "M/d/yyyy"},
        {"year-first", "yy. M. d.", "yyyy. M. d."},
        {"already-four", "yyyy-MM-dd", "yyyy-MM-dd"},
        {"quoted-letters-stay", "d.MM.yy 'yy'", "d.MM.yyyy 'yy'"},
        {"doubled-quote-inside-quotes", "'it''s yy' yy", "'it''s yy' yyyy"},
        {"unclosed-quote", "d.M. 'yy", "d.M. 'yy"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FourDigitYear(QString::fromUtf8(c.format)), QString::fromUtf8(c.widened));
    }
}

// Whole Date: fields, read and written the desktop's way in a given locale.
TEST(LocaleListDate, WritesTheLocalesShortFormsWithAFourDigitYear) {
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    const QLocale korean(QLocale::Korean, QLocale::SouthKorea);
    struct Case {
        const char* name;
        QLocale locale;
        const char* field;
        const char* shown;
    };
    const Case cases[] = {
        {"us-afternoon", us, "Tue, 14 Mar 2000 14:05:09 +0100", "3/14/2000 2:05 PM"},
        {"us-midnight-has-no-time", us, "Tue, 14 Mar 2000 00:00:00 +0100", "3/14/2000"},
        // The time shows as soon as it is not exactly midnight, even where it rounds to 0:00.
        {"us-one-second-past-midnight", us, "Tue, 14 Mar 2000 00:00:01 +0100",
         "3/14/2000 12:00 AM"},
        {"german", german, "Tue, 14 Mar 2000 14:05:09 +0100", "14.03.2000 14:05"},
        {"german-old-century", german, "Sun, 31 Dec 1899 08:30:00 +0000", "31.12.1899 08:30"},
        {"korean-year-first", korean, "Tue, 14 Mar 2000 14:05:09 +0900",
         "2000. 3. 14. \xEC\x98\xA4\xED\x9B\x84 2:05"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ListDateText(c.field, LocaleListDate(c.locale)), c.shown);
    }
}

}  // namespace
}  // namespace kelvane
