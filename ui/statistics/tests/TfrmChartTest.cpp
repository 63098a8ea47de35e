#include "TfrmChart.h"

#include <gmock/gmock.h>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDateEdit>
#include <QFrame>
#include <QHeaderView>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QLegend>
#include <QLineEdit>
#include <QLineSeries>
#include <QPieSeries>
#include <QPieSlice>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QValueAxis>
#include <fstream>

#include "ListTestHelpers.h"
#include "LogRecords.h"
#include "LogStamp.h"
#include "RecordingMessageBoxes.h"
#include "StatisticsOpener.h"
#include "StatsCharts.h"
#include "StatsDates.h"
#include "TablePrinting.h"
#include "TempFolder.h"
#include "TfrmChartMain.h"
#include "TfrmSelectDateRange.h"
#include "ZoomableChartView.h"

namespace kelvane {
namespace {

using ::testing::ElementsAre;
using windowtest::ModalWatcher;

constexpr LocalDateTime kNow{2026, 12, 10, 15, 10, 20};
constexpr LocalDateTime kTuesday205{2026, 12, 8, 14, 5, 0};
constexpr LocalDateTime kTuesday206{2026, 12, 8, 14, 6, 0};

std::string Check(std::size_t count, const std::string& user, const LocalDateTime& when) {
    return CheckRecord(count, user, "pop.example.com", FormatLogStamp(when));
}

std::string Deletion(const std::string& sender, const LocalDateTime& when,
                     const std::string& user = "Ann") {
    return DeletionBlock({"pop.example.com", user, "Offer", sender, "2048", "Tue, 8 Dec 2026"},
                         FormatLogStamp(when));
}

template <typename T>
T& Child(QWidget& parent, const char* name) {
    T* child = parent.findChild<T*>(QLatin1String(name));
    if (child == nullptr) throw std::runtime_error(std::string("no widget ") + name);
    return *child;
}

QChart& ChartOf(QWidget& window, const char* view) {
    return *Child<QChartView>(window, view).chart();
}

QStringList TabTexts(QTabWidget& tabs) {
    QStringList texts;
    for (int i = 0; i < tabs.count(); ++i) texts << tabs.tabText(i);
    return texts;
}

QStringList Column(QTableView& view, int column) {
    QStringList cells;
    for (int row = 0; row < view.model()->rowCount(); ++row)
        cells << view.model()->index(row, column).data().toString();
    return cells;
}

// The statistics as the user reaches them: the log selection window, its OK, then the
// statistics window, handed to `inspect` while it is shown and closed after it.
class TfrmChartTest : public ::testing::Test {
  protected:
    TfrmChartTest() { logFile_ = temp_.File("logfile.txt"); }

    void writeLog(const std::string& text) { std::ofstream(logFile_, std::ios::binary) << text; }

    TfrmChartMain::Services services() {
        TfrmChartMain::Services services;
        services.logFileName = [this] { return logFile_; };
        services.now = [] { return kNow; };
        return services;
    }

    // False when no statistics window was shown.
    bool showStatistics(const std::function<void(TfrmChart&)>& inspect) {
        StatisticsOpener opener(boxes_, services(), nullptr);
        opener_ = &opener;
        bool shown = false;
        ModalWatcher<TfrmChartMain> selection([](TfrmChartMain& window) {
            EXPECT_EQ(window.windowTitle(), "Activity Log Statistics for Kelvane");
            Child<QPushButton>(window, "Button1").click();
        });
        ModalWatcher<TfrmChart> statistics([&](TfrmChart& chart) {
            shown = true;
            inspect(chart);
            Child<QPushButton>(chart, "btClose").click();
        });
        opener.open();
        EXPECT_FALSE(opener.busy());
        opener_ = nullptr;
        return shown;
    }

    void showTuesday(const std::function<void(TfrmChart&)>& inspect) {
        writeLog(Check(3, "Ann", kTuesday205) + Deletion("spammer@junk.example", kTuesday206));
        ASSERT_TRUE(showStatistics(inspect));
    }

    testsupport::TempFolder temp_;
    std::string logFile_;
    testsupport::RecordingMessageBoxes boxes_;
    StatisticsOpener* opener_ = nullptr;
};

TEST_F(TfrmChartTest, ShowsTheEightPagesOverTheWholeLog) {
    showTuesday([&](TfrmChart& chart) {
        EXPECT_EQ(chart.windowTitle(), "Chart of Activity");
        auto& pages = Child<QTabWidget>(chart, "pcCharts");
        EXPECT_EQ(TabTexts(pages),
                  (QStringList{"Day of week", "Hour of day", "Day by day", "% Deleted",
                               "Top 10 Spam Domains", "Top 10 Spammers", "Email traffic",
                               "Spam Deleted"}));
        EXPECT_EQ(pages.currentIndex(), 0);
        EXPECT_EQ(Child<QLabel>(chart, "lblTitle").text(),
                  "All mailboxes from " + ShortDateText(MomentOf({1998, 1, 1})) + " thru " +
                      ShortDateText(MomentOf(kNow)));
        EXPECT_FALSE(Child<QLabel>(chart, "lblSkipped").isVisible());
        EXPECT_EQ(Child<QComboBox>(chart, "cbMailbox").currentText(), "All mailboxes");
        EXPECT_FALSE(Child<QFrame>(chart, "pnlHints").isVisible());
        EXPECT_EQ(Child<QPushButton>(chart, "btPlot").toolTip(),
                  "Click here after changing the mailbox to view");
        EXPECT_EQ(Child<QPushButton>(chart, "btClose").toolTip(), "Return to Kelvane");
        EXPECT_EQ(Child<QPushButton>(chart, "btPrint").toolTip(), "Print this page");
        EXPECT_EQ(Child<QPushButton>(chart, "btHint").toolTip(), "Hints on graph scroll/zoom");
    });
}

TEST_F(TfrmChartTest, TheActivityChartsCarryTheirSeriesColoursAndCounts) {
    showTuesday([&](TfrmChart& chart) {
        QChart& weekdays = ChartOf(chart, "chDayOfWeek");
        EXPECT_EQ(weekdays.legend()->alignment(), Qt::AlignTop);
        auto* bars = qobject_cast<QBarSeries*>(weekdays.series().at(0));
        ASSERT_NE(bars, nullptr);
        QStringList names;
        for (QBarSet* set : bars->barSets()) names << set->label();
        EXPECT_EQ(names, (QStringList{"Number Found", "Number Deleted", "E-mail Check"}));
        EXPECT_EQ(bars->barSets().at(0)->color(), QColor(0, 255, 0));
        EXPECT_EQ(bars->barSets().at(1)->color(), QColor(255, 0, 0));
        EXPECT_EQ(bars->barSets().at(2)->color(), QColor(0, 0, 255));
        // Tuesday is the third day, after Sunday and Monday.
        EXPECT_EQ(bars->barSets().at(0)->at(2), 3);
        EXPECT_EQ(bars->barSets().at(1)->at(2), 1);
        EXPECT_EQ(bars->barSets().at(2)->at(2), 1);
        auto* days = qobject_cast<QBarCategoryAxis*>(weekdays.axes(Qt::Horizontal).at(0));
        EXPECT_EQ(days->categories().first(), QLocale::system().dayName(7));
        EXPECT_EQ(qobject_cast<QValueAxis*>(weekdays.axes(Qt::Vertical).at(0))->titleText(),
                  "Frequency");

        QChart& hours = ChartOf(chart, "chHourOfDay");
        auto* slotAxis = qobject_cast<QCategoryAxis*>(hours.axes(Qt::Horizontal).at(0));
        EXPECT_EQ(slotAxis->count(), 48);
        EXPECT_EQ(slotAxis->labelsAngle(), -90);
        QLineSeries* found = ActivityLine(hours, ActivitySeries::Found);
        ASSERT_EQ(found->count(), 48);
        EXPECT_EQ(found->at(28), QPointF(28, 3));
        EXPECT_EQ(ActivityLine(hours, ActivitySeries::Deleted)->at(28), QPointF(28, 1));

        QChart& byDay = ChartOf(chart, "chDayByDay");
        QLineSeries* checks = ActivityLine(byDay, ActivitySeries::Checks);
        ASSERT_EQ(checks->count(), 1);
        EXPECT_EQ(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(checks->at(0).x())).date(),
                  QDate(2026, 12, 8));
        EXPECT_EQ(checks->pen().color(), QColor(0, 0, 255));
    });
}

TEST_F(TfrmChartTest, ThePieAndTheTopTenShowTheirShares) {
    writeLog(Check(3, "Ann", kTuesday205) + Deletion("Bo <b@two.example>", kTuesday206) +
             Deletion("a@one.example", kTuesday206) + Deletion("a@one.example", kTuesday206) +
             Check(1, "Ann", kTuesday206));
    ASSERT_TRUE(showStatistics([&](TfrmChart& chart) {
        auto* pie = qobject_cast<QPieSeries*>(ChartOf(chart, "chPercentDeleted").series().at(0));
        ASSERT_EQ(pie->count(), 2);
        EXPECT_EQ(pie->slices().at(0)->label(), "Normal E-mail 25 %");
        EXPECT_EQ(pie->slices().at(0)->color(), QColor(0, 255, 0));
        EXPECT_EQ(pie->slices().at(1)->label(), "Spam Deleted 75 %");
        EXPECT_EQ(pie->slices().at(1)->color(), QColor(255, 0, 0));
        EXPECT_TRUE(pie->slices().at(1)->isLabelVisible());

        QChart& spammers = ChartOf(chart, "chTopSpammers");
        EXPECT_FALSE(spammers.legend()->isVisible());
        auto* bars = qobject_cast<QHorizontalBarSeries*>(spammers.series().at(0));
        EXPECT_TRUE(bars->isLabelsVisible());
        EXPECT_EQ(bars->barSets().at(0)->color(), QColor(0, 128, 128));
        auto* names = qobject_cast<QBarCategoryAxis*>(spammers.axes(Qt::Vertical).at(0));
        // Listed from the bottom up: the most frequent sender is the last, at the top. The
        // axis reads markup, so a sender's angle brackets reach it escaped.
        EXPECT_EQ(names->categories(), (QStringList{"bo &lt;b@two.example&gt;", "a@one.example"}));
        EXPECT_EQ(bars->barSets().at(0)->at(1), 2);
        auto* domains =
            qobject_cast<QHorizontalBarSeries*>(ChartOf(chart, "chTopDomains").series().at(0));
        EXPECT_EQ(domains->barSets().at(0)->color(), QColor(128, 128, 192));
    }));
}

TEST_F(TfrmChartTest, TheTablesListTheRowsAndSortByTheirHeadings) {
    writeLog(Check(10, "Ann", {2026, 9, 30, 13, 0}) + Check(9, "bob", {2026, 10, 1, 9, 0}) +
             Check(100, "carol", {2026, 9, 29, 8, 0}));
    ASSERT_TRUE(showStatistics([&](TfrmChart& chart) {
        auto& traffic = Child<QTableView>(chart, "gridTraffic");
        QStringList headings;
        for (int i = 0; i < traffic.model()->columnCount(); ++i)
            headings << traffic.model()->headerData(i, Qt::Horizontal).toString();
        EXPECT_EQ(headings, (QStringList{"Date", "Time", "Server", "Mailbox", "# Mail"}));
        EXPECT_EQ(traffic.model()->index(0, 4).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight,
                  Qt::AlignRight);
        EXPECT_EQ(traffic.editTriggers(), QAbstractItemView::NoEditTriggers);
        EXPECT_EQ(traffic.selectionBehavior(), QAbstractItemView::SelectRows);
        EXPECT_EQ(Column(traffic, 4), (QStringList{"10", "9", "100"}));  // file order

        QHeaderView* header = traffic.horizontalHeader();
        const auto click = [&](int column) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(column) + 5, 5));
        };
        click(0);  // "Date" counts as sorted ascending: the first click turns it round
        EXPECT_EQ(Column(traffic, 0), (QStringList{"10/1/2026", "9/30/2026", "9/29/2026"}));
        click(4);
        EXPECT_EQ(Column(traffic, 4), (QStringList{"9", "10", "100"}));
        click(4);
        EXPECT_EQ(Column(traffic, 4), (QStringList{"100", "10", "9"}));

        // Nothing deleted: one empty row, which no heading sorts.
        auto& deleted = Child<QTableView>(chart, "gridDeleted");
        EXPECT_EQ(deleted.model()->columnCount(), 7);
        EXPECT_EQ(deleted.model()->headerData(6, Qt::Horizontal).toString(), "Domain");
        EXPECT_EQ(Column(deleted, 0), QStringList{""});
    }));
}

TEST_F(TfrmChartTest, AMailboxCountsOnlyAfterRedraw) {
    writeLog(Check(2, "Ann", kTuesday205) + Check(5, "bob", kTuesday205) +
             Check(1, "ann", kTuesday206) + Deletion("x@y.example", kTuesday206, "ANN"));
    ASSERT_TRUE(showStatistics([&](TfrmChart& chart) {
        auto& mailbox = Child<QComboBox>(chart, "cbMailbox");
        QStringList items;
        for (int i = 0; i < mailbox.count(); ++i) items << mailbox.itemText(i);
        EXPECT_EQ(items, (QStringList{"All mailboxes", "Ann", "bob"}));
        auto& title = Child<QLabel>(chart, "lblTitle");
        const QString before = title.text();
        mailbox.setCurrentIndex(1);
        EXPECT_EQ(title.text(), before);
        EXPECT_EQ(chart.readings().weekdays[2].found, 8);
        Child<QPushButton>(chart, "btPlot").click();
        EXPECT_TRUE(title.text().startsWith("Ann from "));
        EXPECT_EQ(chart.readings().weekdays[2], (ActivityCounts{2, 3, 1}));
        EXPECT_EQ(Child<QTableView>(chart, "gridTraffic").model()->rowCount(), 2);
    }));
}

TEST_F(TfrmChartTest, TheDateRangeDialogSetsTheRangeAndRedraws) {
    writeLog(Check(2, "Ann", {2026, 9, 1, 9, 0}) + Check(5, "Ann", {2026, 9, 30, 9, 0}));
    ASSERT_TRUE(showStatistics([&](TfrmChart& chart) {
        ModalWatcher<TfrmSelectDateRange> cancel([](TfrmSelectDateRange& dialog) {
            EXPECT_EQ(dialog.windowTitle(), "Select Date Range");
            EXPECT_TRUE(Child<QRadioButton>(dialog, "rbBetween").isChecked());
            EXPECT_EQ(Child<QDateEdit>(dialog, "dtpStart").date(), QDate(1998, 1, 1));
            EXPECT_EQ(Child<QDateEdit>(dialog, "dtpEnd").date(), QDate(2026, 12, 10));
            EXPECT_FALSE(Child<QSpinBox>(dialog, "seMonths").isEnabled());
            Child<QRadioButton>(dialog, "rbMonths").click();
            Child<QSpinBox>(dialog, "seMonths").setValue(3);
            EXPECT_TRUE(Child<QSpinBox>(dialog, "seMonths").isEnabled());
            EXPECT_FALSE(Child<QDateEdit>(dialog, "dtpStart").isEnabled());
            dialog.reject();
        });
        Child<QPushButton>(chart, "btDateRange").click();
        EXPECT_EQ(chart.filter().start, MomentOf({1998, 1, 1}));

        // The choices are kept: OK now takes the three months chosen before.
        ModalWatcher<TfrmSelectDateRange> ok([](TfrmSelectDateRange& dialog) {
            EXPECT_TRUE(Child<QRadioButton>(dialog, "rbMonths").isChecked());
            EXPECT_EQ(Child<QSpinBox>(dialog, "seMonths").value(), 3);
            dialog.accept();
        });
        Child<QPushButton>(chart, "btDateRange").click();
        EXPECT_EQ(Child<QLabel>(chart, "lblTitle").text(),
                  "All mailboxes from " + ShortDateText(MomentOf({2026, 9, 10})) + " thru " +
                      ShortDateText(MomentOf({2026, 12, 10})));
        EXPECT_EQ(chart.readings().weekdays[3].found, 5);  // only the Wednesday in range
        EXPECT_EQ(chart.share(), (MailShare{5, 0}));
    }));
}

TEST(TfrmSelectDateRangeTest, TheEndFollowsAStartMovedPastIt) {
    TfrmSelectDateRange dialog;
    auto& start = Child<QDateEdit>(dialog, "dtpStart");
    auto& end = Child<QDateEdit>(dialog, "dtpEnd");
    start.setDate(QDate(2026, 5, 1));
    end.setDate(QDate(2026, 4, 1));
    emit start.editingFinished();
    EXPECT_EQ(end.date(), QDate(2026, 5, 1));
    end.setDate(QDate(2026, 3, 1));  // an end moved before the start stays
    emit end.editingFinished();
    EXPECT_EQ(start.date(), QDate(2026, 5, 1));
}

TEST_F(TfrmChartTest, CheckBoxesAndDepthChangeOnlyTheirOwnPage) {
    showTuesday([&](TfrmChart& chart) {
        Child<QCheckBox>(chart, "cbDeleted").click();
        EXPECT_FALSE(
            ActivityLine(ChartOf(chart, "chDayByDay"), ActivitySeries::Deleted)->isVisible());
        EXPECT_TRUE(ActivityLine(ChartOf(chart, "chDayByDay"), ActivitySeries::Found)->isVisible());
        EXPECT_TRUE(
            ActivityLine(ChartOf(chart, "chHourOfDay"), ActivitySeries::Deleted)->isVisible());
        Child<QCheckBox>(chart, "cbCheckedHour").click();
        EXPECT_FALSE(
            ActivityLine(ChartOf(chart, "chHourOfDay"), ActivitySeries::Checks)->isVisible());

        auto& depth = Child<QScrollBar>(chart, "sbTime");
        EXPECT_EQ(depth.minimum(), 5);
        EXPECT_EQ(depth.maximum(), 70);
        EXPECT_EQ(depth.pageStep(), 5);
        EXPECT_EQ(depth.value(), 5);
        const qreal thin =
            ActivityLine(ChartOf(chart, "chHourOfDay"), ActivitySeries::Found)->pen().widthF();
        depth.setValue(70);
        EXPECT_GT(
            ActivityLine(ChartOf(chart, "chHourOfDay"), ActivitySeries::Found)->pen().widthF(),
            thin);
        EXPECT_EQ(ActivityLine(ChartOf(chart, "chDayByDay"), ActivitySeries::Found)->pen().widthF(),
                  thin);
    });
}

TEST_F(TfrmChartTest, HintsShowInTheMiddleUntilTheirOk) {
    showTuesday([&](TfrmChart& chart) {
        Child<QPushButton>(chart, "btHint").click();
        auto& hints = Child<QFrame>(chart, "pnlHints");
        EXPECT_TRUE(hints.isVisible());
        EXPECT_LE(std::abs(hints.geometry().center().x() - chart.width() / 2), 1);
        EXPECT_LE(std::abs(hints.geometry().center().y() - chart.height() / 2), 1);
        QStringList texts;
        for (QLabel* label : hints.findChildren<QLabel*>()) texts << label->text();
        EXPECT_EQ(texts,
                  (QStringList{"Graph Zoom/Navigation Hints",
                               "Left click and drag mouse from upper left to lower right to zoom",
                               "Left click and drag mouse from lower right to upper left to reset",
                               "Right click and drag mouse to move graph"}));
        Child<QPushButton>(hints, "btHintOK").click();
        EXPECT_FALSE(hints.isVisible());
    });
}

TEST_F(TfrmChartTest, PrintsTablesToTheChosenPrinterAndPreviewsCharts) {
    const std::string pdf = temp_.File("traffic.pdf");
    showTuesday([&](TfrmChart& chart) {
        chart.setPrintAsker([&](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(QString::fromStdString(pdf));
            return true;
        });
        QStringList previewed;
        chart.setChartPreviewer([&](QChartView& view) { previewed << view.objectName(); });
        auto& pages = Child<QTabWidget>(chart, "pcCharts");
        pages.setCurrentIndex(6);
        Child<QPushButton>(chart, "btPrint").click();
        pages.setCurrentIndex(5);
        Child<QPushButton>(chart, "btPrint").click();
        EXPECT_EQ(previewed, QStringList{"chTopSpammers"});

        const std::string chartPdf = temp_.File("chart.pdf");
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(chartPdf));
        PrintChart(printer, Child<QChartView>(chart, "chTopSpammers"), "Kelvane");
        EXPECT_EQ(testsupport::FileBytes(chartPdf).substr(0, 4), "%PDF");
    });
    EXPECT_EQ(testsupport::FileBytes(pdf).substr(0, 4), "%PDF");
}

// What each table hands to the printer: its column headings with its rows, the headings opening
// every page.
TEST_F(TfrmChartTest, PrintedTablesCarryTheirHeadingsOnEveryPage) {
    const std::string pdf = temp_.File("table.pdf");
    showTuesday([&](TfrmChart& chart) {
        chart.setPrintAsker([&](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(QString::fromStdString(pdf));
            return true;
        });
        QStringList titles;
        std::vector<QStringList> headings;
        std::vector<QStringList> firstRows;
        chart.setTablePrinter(
            [&](QPrinter& printer, const PrintedTable& table, const QString& title) {
                titles << title;
                headings.push_back(PrintedLine(table, kHeadingsLine));
                firstRows.push_back(PrintedLine(table, 0));
                for (const std::vector<int>& page : PrintedPages(table, 2))
                    EXPECT_EQ(page.front(), kHeadingsLine);
                PrintTable(printer, table, title);
            });
        auto& pages = Child<QTabWidget>(chart, "pcCharts");
        for (int page : {6, 7}) {
            pages.setCurrentIndex(page);
            Child<QPushButton>(chart, "btPrint").click();
        }
        EXPECT_EQ(titles, (QStringList{"E-mail traffic", "Deleted Spam"}));
        ASSERT_EQ(headings.size(), 2u);
        for (std::size_t table = 0; table < headings.size(); ++table) {
            QTableView& view = *pages.widget(6 + static_cast<int>(table))->findChild<QTableView*>();
            QStringList shown;
            QStringList row;
            for (int column = 0; column < view.model()->columnCount(); ++column) {
                shown << view.model()->headerData(column, Qt::Horizontal).toString();
                row << view.model()->index(0, column).data().toString();
            }
            EXPECT_FALSE(shown.contains(QString()));
            EXPECT_EQ(headings[table], shown);
            EXPECT_EQ(firstRows[table], row);
        }
    });
    EXPECT_EQ(testsupport::FileBytes(pdf).substr(0, 4), "%PDF");
}

TEST(TablePrinting, HeadingsOpenEveryPageAndEachPageTakesARow) {
    PrintedTable table;
    table.widths = {1, 1};
    table.rowCount = 5;
    table.cell = [](int row, int column) { return QStringLiteral("%1.%2").arg(row).arg(column); };
    using Pages = std::vector<std::vector<int>>;
    EXPECT_EQ(PrintedPages(table, 3), (Pages{{0, 1, 2}, {3, 4}})) << "no headings";
    table.headings = {"First", "Second"};
    EXPECT_EQ(PrintedPages(table, 3),
              (Pages{{kHeadingsLine, 0, 1}, {kHeadingsLine, 2, 3}, {kHeadingsLine, 4}}));
    EXPECT_EQ(PrintedPages(table, 0).size(), 5u) << "a page too small still takes a row";
    EXPECT_EQ(PrintedLine(table, kHeadingsLine), (QStringList{"First", "Second"}));
    EXPECT_EQ(PrintedLine(table, 4), (QStringList{"4.0", "4.1"}));
    table.rowCount = 0;
    EXPECT_EQ(PrintedPages(table, 3), (Pages{{kHeadingsLine}}));
}

TEST_F(TfrmChartTest, AMissingLogSaysSoAndShowsNoStatistics) {
    EXPECT_FALSE(showStatistics([](TfrmChart&) {}));
    EXPECT_THAT(boxes_.shown,
                ElementsAre("error: The activity log file does not exist!  Either you have "
                            "cleared/deleted the activity log or you have not yet begun to use "
                            "Kelvane."));
}

TEST_F(TfrmChartTest, SkippedLinesAreCountedInTheTitleArea) {
    writeLog(Check(2, "Ann", kTuesday205) + "MAIL CHECK many msg(s)\r\nDELETE SPAM on x\r\n");
    ASSERT_TRUE(showStatistics([&](TfrmChart& chart) {
        auto& skipped = Child<QLabel>(chart, "lblSkipped");
        EXPECT_TRUE(skipped.isVisible());
        EXPECT_EQ(skipped.text(), "2 line(s) of the log could not be read and were skipped.");
    }));
}

TEST_F(TfrmChartTest, TheLogIsReadUnderTheBusyCursor) {
    std::string log;
    for (int i = 0; i < 20000; ++i) log += Check(1, "Ann", kTuesday205);
    writeLog(log);
    TfrmChart chart(boxes_, [] { return kNow; });
    std::vector<Qt::CursorShape> shapes;
    ASSERT_TRUE(chart.readInLogFile(logFile_, [&](std::uint64_t, std::uint64_t) {
        shapes.push_back(QApplication::overrideCursor() ? QApplication::overrideCursor()->shape()
                                                        : Qt::ArrowCursor);
    }));
    ASSERT_FALSE(shapes.empty());
    EXPECT_EQ(shapes.front(), Qt::WaitCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(TfrmChartTest, NoSecondStatisticsWhileOneIsShown) {
    showTuesday([&](TfrmChart&) {
        ASSERT_NE(opener_, nullptr);
        EXPECT_TRUE(opener_->busy());
        opener_->open();  // returns at once: no second selection window
    });
}

TEST_F(TfrmChartTest, TheSelectionWindowTakesTheSettingsLogAndBrowses) {
    writeLog("");
    QString askedIn;
    TfrmChartMain::Services services = this->services();
    services.askFile = [&](QWidget*, const QString& folder) {
        askedIn = folder;
        return QStringLiteral("/elsewhere/Q4_26.txt");
    };
    bool busy = false;
    TfrmChartMain window(boxes_, busy, services);
    window.show();
    auto& name = Child<QLineEdit>(window, "Edit1");
    EXPECT_EQ(name.text().toStdString(), logFile_);
    EXPECT_FALSE(Child<QProgressBar>(window, "progBar").isVisible());
    Child<QToolButton>(window, "SpeedButton1").click();
    EXPECT_EQ(askedIn.toStdString(), temp_.path().string());
    EXPECT_EQ(name.text(), "/elsewhere/Q4_26.txt");
    window.reject();
}

TEST(ZoomableChartViewTest, DragsZoomInResetAndMove) {
    EXPECT_EQ(ChartDragOf({10, 10}, {60, 50}), ChartDrag::ZoomIn);
    EXPECT_EQ(ChartDragOf({60, 50}, {10, 10}), ChartDrag::Reset);
    EXPECT_EQ(ChartDragOf({10, 50}, {60, 10}), ChartDrag::None);
    EXPECT_EQ(ChartDragOf({10, 10}, {12, 12}), ChartDrag::None);

    auto* chart = NewHalfHourChart(QLocale::c());
    ZoomableChartView view(chart);
    view.resize(600, 400);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    auto* axis = qobject_cast<QCategoryAxis*>(chart->axes(Qt::Horizontal).at(0));
    const auto drag = [&](Qt::MouseButton button, QPoint from, QPoint to) {
        QWidget* surface = view.viewport();
        QTest::mousePress(surface, button, {}, from);
        QMouseEvent move(QEvent::MouseMove, to, surface->mapToGlobal(to), Qt::NoButton, button,
                         Qt::NoModifier);
        QApplication::sendEvent(surface, &move);
        QTest::mouseRelease(surface, button, {}, to);
    };
    const QRectF plot = chart->plotArea();
    drag(Qt::LeftButton, plot.topLeft().toPoint() + QPoint(10, 10), plot.center().toPoint());
    EXPECT_GT(axis->min(), 0);
    EXPECT_LT(axis->max(), 47);
    const qreal zoomedMin = axis->min();
    drag(Qt::RightButton, plot.center().toPoint(), plot.center().toPoint() + QPoint(40, 0));
    EXPECT_LT(axis->min(), zoomedMin);  // moved to the right: earlier slots come into view
    drag(Qt::LeftButton, plot.center().toPoint(), plot.topLeft().toPoint());
    EXPECT_EQ(axis->min(), 0);
    EXPECT_EQ(axis->max(), 47);
}

}  // namespace
}  // namespace kelvane
