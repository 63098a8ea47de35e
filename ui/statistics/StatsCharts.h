#pragma once

#include <QColor>
#include <QLocale>
#include <vector>

#include "LogAnalysis.h"

class QChart;
class QChartView;
class QLineSeries;
class QPrinter;

namespace kelvane {

// The three series of the activity charts, with the same names and colours on every page.
enum class ActivitySeries { Found, Deleted, Checks };
QString ActivitySeriesName(ActivitySeries series);
QColor ActivitySeriesColour(ActivitySeries series);

// "Day of week": three bars a day, Sunday to Saturday, under the locale's full day names.
QChart* NewWeekdayChart(const QLocale& locale);
void ShowWeekdays(QChart& chart, const Readings& readings);

// "Hour of day": three lines over the 48 half hours, labelled with their start times.
QChart* NewHalfHourChart(const QLocale& locale);
void ShowHalfHours(QChart& chart, const Readings& readings);

// "Day by day": three lines on a date axis labelled a week apart.
QChart* NewDayByDayChart();
void ShowDays(QChart& chart, const Readings& readings);

// The line of `series` on a line chart.
QLineSeries* ActivityLine(QChart& chart, ActivitySeries series);
// The depth control of a line chart, 5 to 70: the lines' thickness, 1.5 pixels at 5.
void SetLineDepth(QChart& chart, int depth);

// "% Deleted": the slices "Normal E-mail" and "Spam Deleted" marked with their percentages.
QChart* NewShareChart();
void ShowShare(QChart& chart, const MailShare& share);

// The top ten pages: horizontal bars in `colour`, the first at the top, each with its value.
QChart* NewTopChart(const QColor& colour);
void ShowTop(QChart& chart, const std::vector<TopEntry>& top);

// One page: `title` at the top centre and the chart below it, as large as the page allows.
void PrintChart(QPrinter& printer, QChartView& view, const QString& title);

}  // namespace kelvane
