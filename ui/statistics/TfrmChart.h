#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "LogAnalysis.h"
#include "StatsGrids.h"
#include "TablePrinting.h"

class QChart;
class QChartView;
class QComboBox;
class QFrame;
class QLabel;
class QPrinter;
class QTabWidget;
class QTableView;

namespace kelvane {

class MessageBoxes;
class StatsTableModel;
class TfrmSelectDateRange;

// "Chart of Activity": eight pages of charts and tables over one activity log, read once when
// the window is made; the range and the mailbox choice count again on "Redraw".
class TfrmChart : public QDialog {
    Q_OBJECT
  public:
    using Clock = std::function<LocalDateTime()>;
    using Progress = std::function<void(std::uint64_t done, std::uint64_t size)>;

    TfrmChart(MessageBoxes& boxes, Clock now, QWidget* parent = nullptr);
    ~TfrmChart() override;

    // Reads the log; false, after saying why, when it is missing or cannot be read.
    bool readInLogFile(const std::string& path, const Progress& progress = {});
    // The first counting, before the window is shown.
    void plotAll();

    // What "Print" uses; tests print to a file instead of asking, and see what a table hands
    // to the printer.
    using TablePrinter =
        std::function<void(QPrinter&, const PrintedTable& table, const QString& title)>;
    void setPrintAsker(std::function<bool(QPrinter&)> ask) { askPrinter_ = std::move(ask); }
    void setTablePrinter(TablePrinter print) { printTable_ = std::move(print); }
    void setChartPreviewer(std::function<void(QChartView&)> preview) {
        previewChart_ = std::move(preview);
    }

    const StatsFilter& filter() const { return filter_; }
    const Readings& readings() const { return readings_; }
    const MailShare& share() const { return share_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QWidget* newChartPage(const char* name, QChart* chart, QChartView** view);
    QWidget* newLinePage(const char* name, QChart* chart, QChartView** view, const char* scrollBar,
                         const char* const (&boxes)[3]);
    QWidget* newTablePage(const char* name, StatsTableModel* model, GridSortOrder& order);
    QWidget* newBottomRow();
    QFrame* newHintsPanel();
    void FormShow();
    void setTitle();
    void btPlotClick();
    void btDateRangeClick();
    void btPrintClick();
    void btHintClick();
    void fillInGrids();
    void RecomputePie();
    void PlotReadings();
    void printTable(StatsTableModel& model, QTableView& view, const QString& title);

    MessageBoxes& boxes_;
    Clock now_;
    LogTables tables_;
    StatsFilter filter_;
    GridRows rows_;
    Readings readings_;
    MailShare share_;
    GridSortOrder trafficOrder_;
    GridSortOrder deletedOrder_;
    StatsTableModel* trafficModel_;
    StatsTableModel* deletedModel_;
    std::unique_ptr<TfrmSelectDateRange> dateRange_;
    std::function<bool(QPrinter&)> askPrinter_;
    TablePrinter printTable_;
    std::function<void(QChartView&)> previewChart_;

    QLabel* lblTitle_ = nullptr;
    QLabel* lblSkipped_ = nullptr;
    QTabWidget* pages_ = nullptr;
    QComboBox* cbMailbox_ = nullptr;
    QFrame* pnlHints_ = nullptr;
    QChartView* weekdayView_ = nullptr;
    QChartView* hourView_ = nullptr;
    QChartView* dayView_ = nullptr;
    QChartView* pieView_ = nullptr;
    QChartView* domainsView_ = nullptr;
    QChartView* spammersView_ = nullptr;
    QTableView* trafficView_ = nullptr;
    QTableView* deletedView_ = nullptr;
};

}  // namespace kelvane
