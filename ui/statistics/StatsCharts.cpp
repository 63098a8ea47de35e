#include "StatsCharts.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QHorizontalBarSeries>
#include <QLegend>
#include <QLineSeries>
#include <QPainter>
#include <QPen>
#include <QPieSeries>
#include <QPieSlice>
#include <QPrinter>
#include <QValueAxis>
#include <algorithm>
#include <limits>

#include "ShownText.h"
#include "StatsDates.h"

namespace kelvane {

namespace {

constexpr ActivitySeries kBarOrder[] = {ActivitySeries::Found, ActivitySeries::Deleted,
                                        ActivitySeries::Checks};
constexpr const char* kShareNames[] = {"Normal E-mail", "Spam Deleted"};
// Longer senders are cut, so that the bars keep most of the page.
constexpr int kLongestBarName = 60;

std::int64_t Count(const ActivityCounts& counts, ActivitySeries series) {
    switch (series) {
        case ActivitySeries::Found:
            return counts.found;
        case ActivitySeries::Deleted:
            return counts.deleted;
        case ActivitySeries::Checks:
            break;
    }
    return counts.checks;
}

QValueAxis* FrequencyAxis(QChart& chart) {
    auto* axis = new QValueAxis(&chart);
    axis->setTitleText(QObject::tr("Frequency"));
    axis->setLabelFormat(QStringLiteral("%d"));
    chart.addAxis(axis, Qt::AlignLeft);
    return axis;
}

// Whole numbers from 0 to a little above the highest value, in four steps of 1, 2 or 5 times a
// power of ten, so that every label is a whole number.
void FitValues(QChart& chart, Qt::Orientation counts, double highest) {
    auto* axis = qobject_cast<QValueAxis*>(chart.axes(counts).value(0));
    if (axis == nullptr) return;
    double step = 1;
    while (step * 4 < highest) {
        if (step * 2 * 4 >= highest) {
            step *= 2;
            break;
        }
        if (step * 5 * 4 >= highest) {
            step *= 5;
            break;
        }
        step *= 10;
    }
    axis->setRange(0, step * 4);
    axis->setTickCount(5);
    axis->setLabelFormat(QStringLiteral("%d"));
}

QChart* NewActivityChart() {
    auto* chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignTop);
    return chart;
}

QList<QLineSeries*> AddActivityLines(QChart& chart, QAbstractAxis* xAxis) {
    chart.addAxis(xAxis, Qt::AlignBottom);
    QValueAxis* yAxis = FrequencyAxis(chart);
    QList<QLineSeries*> lines;
    for (ActivitySeries kind : kBarOrder) {
        auto* line = new QLineSeries(&chart);
        line->setName(ActivitySeriesName(kind));
        line->setPen(QPen(ActivitySeriesColour(kind), 1.5));
        chart.addSeries(line);
        line->attachAxis(xAxis);
        line->attachAxis(yAxis);
        lines.append(line);
    }
    return lines;
}

QString PercentLabel(const QString& name, std::int64_t value, std::int64_t total) {
    const qint64 percent = total > 0 ? (value * 100 + total / 2) / total : 0;
    return QStringLiteral("%1 %2 %").arg(name).arg(percent);
}

}  // namespace

QString ActivitySeriesName(ActivitySeries series) {
    switch (series) {
        case ActivitySeries::Found:
            return QObject::tr("Number Found");
        case ActivitySeries::Deleted:
            return QObject::tr("Number Deleted");
        case ActivitySeries::Checks:
            break;
    }
    return QObject::tr("E-mail Check");
}

QColor ActivitySeriesColour(ActivitySeries series) {
    switch (series) {
        case ActivitySeries::Found:
            return QColor(0, 255, 0);
        case ActivitySeries::Deleted:
            return QColor(255, 0, 0);
        case ActivitySeries::Checks:
            break;
    }
    return QColor(0, 0, 255);
}

QChart* NewWeekdayChart(const QLocale& locale) {
    QChart* chart = NewActivityChart();
    auto* bars = new QBarSeries(chart);
    for (ActivitySeries kind : kBarOrder) {
        auto* set = new QBarSet(ActivitySeriesName(kind), bars);
        set->setColor(ActivitySeriesColour(kind));
        bars->append(set);
    }
    chart->addSeries(bars);
    auto* days = new QBarCategoryAxis(chart);
    days->append(locale.dayName(7));  // Sunday first
    for (int day = 1; day <= 6; ++day) days->append(locale.dayName(day));
    chart->addAxis(days, Qt::AlignBottom);
    bars->attachAxis(days);
    bars->attachAxis(FrequencyAxis(*chart));
    return chart;
}

void ShowWeekdays(QChart& chart, const Readings& readings) {
    auto* bars = qobject_cast<QBarSeries*>(chart.series().value(0));
    double highest = 0;
    for (int i = 0; i < 3; ++i) {
        QBarSet* set = bars->barSets().at(i);
        set->remove(0, set->count());
        for (const ActivityCounts& day : readings.weekdays) {
            const double value = static_cast<double>(Count(day, kBarOrder[i]));
            set->append(value);
            highest = std::max(highest, value);
        }
    }
    FitValues(chart, Qt::Vertical, highest);
}

QChart* NewHalfHourChart(const QLocale& locale) {
    QChart* chart = NewActivityChart();
    auto* halfHours = new QCategoryAxis(chart);
    halfHours->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    halfHours->setLabelsAngle(-90);
    halfHours->setTruncateLabels(false);
    for (int slot = 0; slot < kHalfHourSlots; ++slot) {
        halfHours->append(locale.toString(QTime(slot / 2, slot % 2 * 30), QLocale::ShortFormat),
                          slot);
    }
    halfHours->setRange(0, kHalfHourSlots - 1);
    AddActivityLines(*chart, halfHours);
    return chart;
}

void ShowHalfHours(QChart& chart, const Readings& readings) {
    double highest = 0;
    for (ActivitySeries kind : kBarOrder) {
        QList<QPointF> points;
        for (int slot = 0; slot < kHalfHourSlots; ++slot) {
            const double value = static_cast<double>(Count(readings.halfHours[slot], kind));
            points.append(QPointF(slot, value));
            highest = std::max(highest, value);
        }
        ActivityLine(chart, kind)->replace(points);
    }
    FitValues(chart, Qt::Vertical, highest);
}

QChart* NewDayByDayChart() {
    QChart* chart = NewActivityChart();
    auto* dates = new QDateTimeAxis(chart);
    dates->setFormat(QStringLiteral("dd/MMM/yy"));
    AddActivityLines(*chart, dates);
    return chart;
}

// One label a week; over many months as many as stay readable.
void ShowDays(QChart& chart, const Readings& readings) {
    constexpr int kMostLabels = 27;
    double highest = 0;
    qint64 first = std::numeric_limits<qint64>::max();
    qint64 last = std::numeric_limits<qint64>::min();
    const std::pair<ActivitySeries, const std::vector<DayPoint>*> lines[] = {
        {ActivitySeries::Found, &readings.dayFound},
        {ActivitySeries::Deleted, &readings.dayDeleted},
        {ActivitySeries::Checks, &readings.dayChecks}};
    for (const auto& [kind, days] : lines) {
        QList<QPointF> points;
        for (const DayPoint& day : *days) {
            const qint64 at = QtDateTimeOf(day.date).toMSecsSinceEpoch();
            points.append(QPointF(static_cast<double>(at), static_cast<double>(day.value)));
            highest = std::max(highest, static_cast<double>(day.value));
            first = std::min(first, at);
            last = std::max(last, at);
        }
        ActivityLine(chart, kind)->replace(points);
    }
    auto* dates = qobject_cast<QDateTimeAxis*>(chart.axes(Qt::Horizontal).value(0));
    if (first > last) first = last = QDateTime::currentDateTime().toMSecsSinceEpoch();
    const QDateTime from = QDateTime::fromMSecsSinceEpoch(first);
    const QDateTime to = std::max(QDateTime::fromMSecsSinceEpoch(last), from.addDays(7));
    dates->setRange(from, to);
    dates->setTickCount(std::clamp(static_cast<int>(from.daysTo(to) / 7) + 1, 2, kMostLabels));
    FitValues(chart, Qt::Vertical, highest);
}

QLineSeries* ActivityLine(QChart& chart, ActivitySeries series) {
    const QString name = ActivitySeriesName(series);
    for (QAbstractSeries* line : chart.series()) {
        if (line->name() == name) return qobject_cast<QLineSeries*>(line);
    }
    return nullptr;
}

void SetLineDepth(QChart& chart, int depth) {
    for (ActivitySeries kind : kBarOrder) {
        QLineSeries* line = ActivityLine(chart, kind);
        QPen pen = line->pen();
        pen.setWidthF(1.5 + (depth - 5) / 10.0);
        line->setPen(pen);
    }
}

QChart* NewShareChart() {
    auto* chart = new QChart;
    auto* pie = new QPieSeries(chart);
    const QColor colours[] = {QColor(0, 255, 0), QColor(255, 0, 0)};
    for (int i = 0; i < 2; ++i) {
        QPieSlice* slice = pie->append(QObject::tr(kShareNames[i]), 0);
        slice->setColor(colours[i]);
        slice->setLabelVisible(true);
    }
    chart->addSeries(pie);
    chart->legend()->setAlignment(Qt::AlignTop);
    return chart;
}

void ShowShare(QChart& chart, const MailShare& share) {
    auto* pie = qobject_cast<QPieSeries*>(chart.series().value(0));
    const std::int64_t values[] = {share.normal, share.deleted};
    const std::int64_t total = share.normal + share.deleted;
    for (int i = 0; i < 2; ++i) {
        QPieSlice* slice = pie->slices().at(i);
        slice->setValue(static_cast<double>(values[i]));
        slice->setLabel(PercentLabel(QObject::tr(kShareNames[i]), values[i], total));
    }
}

QChart* NewTopChart(const QColor& colour) {
    auto* chart = new QChart;
    auto* bars = new QHorizontalBarSeries(chart);
    auto* set = new QBarSet(QString(), bars);
    set->setColor(colour);
    set->setLabelColor(Qt::black);
    bars->append(set);
    bars->setLabelsVisible(true);
    bars->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    bars->setLabelsFormat(QStringLiteral("@value"));
    chart->addSeries(bars);
    chart->legend()->hide();
    auto* names = new QBarCategoryAxis(chart);
    names->setTruncateLabels(false);
    chart->addAxis(names, Qt::AlignLeft);
    bars->attachAxis(names);
    auto* counts = new QValueAxis(chart);
    chart->addAxis(counts, Qt::AlignBottom);
    bars->attachAxis(counts);
    return chart;
}

// The first bar at the top: a category axis lists from the bottom up.
void ShowTop(QChart& chart, const std::vector<TopEntry>& top) {
    auto* bars = qobject_cast<QHorizontalBarSeries*>(chart.series().value(0));
    QBarSet* set = bars->barSets().at(0);
    set->remove(0, set->count());
    QStringList names;
    double highest = 0;
    for (auto entry = top.rbegin(); entry != top.rend(); ++entry) {
        // The axis reads its labels as markup: "Joe <joe@example.com>" must stay text.
        QString name = ShownText(entry->value);
        if (name.size() > kLongestBarName) name = name.left(kLongestBarName - 1) + QChar(0x2026);
        name = name.toHtmlEscaped();
        // The axis needs distinct names; two values can look alike once made safe.
        while (names.contains(name)) name += QLatin1Char(' ');
        names.append(name);
        set->append(static_cast<double>(entry->count));
        highest = std::max(highest, static_cast<double>(entry->count));
    }
    auto* axis = qobject_cast<QBarCategoryAxis*>(chart.axes(Qt::Vertical).value(0));
    axis->setCategories(names);
    FitValues(chart, Qt::Horizontal, highest * 1.1);
}

void PrintChart(QPrinter& printer, QChartView& view, const QString& title) {
    QPainter painter(&printer);
    const QRect page = painter.viewport();
    QFont font = painter.font();
    font.setPointSizeF(font.pointSizeF() * 1.5);
    font.setBold(true);
    painter.setFont(font);
    const int line = QFontMetrics(font).lineSpacing();
    painter.drawText(QRect(page.left(), page.top(), page.width(), line), Qt::AlignHCenter, title);
    const QRect below(page.left(), page.top() + 2 * line, page.width(), page.height() - 2 * line);
    view.render(&painter, below, view.viewport()->rect(), Qt::KeepAspectRatio);
}

}  // namespace kelvane
