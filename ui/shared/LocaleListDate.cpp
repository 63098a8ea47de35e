#include "LocaleListDate.h"

#include <QDate>
#include <QTime>

#include "MailDate.h"

namespace kelvane {

namespace {

// Where the run of `letter` that starts at `start` ends.
qsizetype RunEnd(const QString& text, qsizetype start, QChar letter) {
    qsizetype end = start;
    while (end < text.size() && text[end] == letter) ++end;
    return end;
}

// Where the quoted text that starts at `start` ends, past its closing quote; a doubled quote
// inside it is one quote.
qsizetype QuotedEnd(const QString& text, qsizetype start) {
    const QChar quote = QLatin1Char('\'');
    qsizetype end = start + 1;
    while (end < text.size()) {
        if (text[end] != quote) {
            ++end;
        } else if (end + 1 < text.size() && text[end + 1] == quote) {
            end += 2;
        } else {
            return end + 1;
        }
    }
    return end;
}

}  // namespace

QString FourDigitYear(const QString& format) {
    const QChar y = QLatin1Char('y');
    QString widened;
    qsizetype i = 0;
    while (i < format.size()) {
        qsizetype end = i + 1;
        if (format[i] == QLatin1Char('\''))
            end = QuotedEnd(format, i);
        else if (format[i] == y)
            end = RunEnd(format, i, y);
        const QStringView piece = QStringView(format).mid(i, end - i);
        widened += piece == u"yy" ? QStringLiteral("yyyy") : piece.toString();
        i = end;
    }
    return widened;
}

DateFormatter LocaleListDate(const QLocale& locale) {
    const QString dateFormat = FourDigitYear(locale.dateFormat(QLocale::ShortFormat));
    const QString timeFormat = locale.timeFormat(QLocale::ShortFormat);
    return [locale, dateFormat, timeFormat](double dateTime) {
        const CivilDateTime t = DateTimeToCivil(dateTime);
        QString text = locale.toString(QDate(t.year, t.month, t.day), dateFormat);
        if (t.hour != 0 || t.minute != 0 || t.second != 0) {
            text += QLatin1Char(' ');
            text += locale.toString(QTime(t.hour, t.minute, t.second), timeFormat);
        }
        return text.toStdString();
    };
}

}  // namespace kelvane
