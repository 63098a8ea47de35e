#include "TfrmChart.h"

#include <QApplication>
#include <QChart>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "MessageBoxes.h"
#include "ShownText.h"
#include "StatsCharts.h"
#include "StatsDates.h"
#include "StatsTableModel.h"
#include "TablePrinting.h"
#include "TfrmSelectDateRange.h"
#include "ZoomableChartView.h"

namespace kelvane {

namespace {

enum Page {
    kDayOfWeek,
    kHourOfDay,
    kDayByDay,
    kShare,
    kTopDomains,
    kTopSpammers,
    kTraffic,
    kSpamDeleted
};

constexpr ActivitySeries kBoxSeries[] = {ActivitySeries::Found, ActivitySeries::Deleted,
                                         ActivitySeries::Checks};

// The busy cursor while the log is read or counted.
struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

QPushButton* Button(const char* name, const QString& caption, const QString& hint,
                    QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(hint);
    return button;
}

void PreviewChart(QWidget* parent, QChartView& view) {
    QPrintPreviewDialog preview(parent);
    preview.setWindowTitle(QObject::tr("Kelvane"));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, [&view](QPrinter* printer) {
        PrintChart(*printer, view, QObject::tr("Kelvane"));
    });
    preview.exec();
}

}  // namespace

TfrmChart::TfrmChart(MessageBoxes& boxes, Clock now, QWidget* parent)
    : QDialog(parent),
      boxes_(boxes),
      now_(std::move(now)),
      filter_(DefaultFilter(now_())),
      trafficModel_(new StatsTableModel(tables_, StatsGrid::Traffic, this)),
      deletedModel_(new StatsTableModel(tables_, StatsGrid::Deleted, this)),
      dateRange_(std::make_unique<TfrmSelectDateRange>(this)),
      askPrinter_([this](QPrinter& printer) { return AskTablePrinter(this, printer); }),
      printTable_([](QPrinter& printer, const PrintedTable& table, const QString& title) {
          PrintTable(printer, table, title);
      }),
      previewChart_([this](QChartView& view) { PreviewChart(this, view); }) {
    setObjectName(QStringLiteral("frmChart"));
    setWindowTitle(tr("Chart of Activity"));
    resize(780, 560);
    auto* layout = new QVBoxLayout(this);
    lblTitle_ = new QLabel(this);
    lblTitle_->setObjectName(QStringLiteral("lblTitle"));
    lblTitle_->setTextFormat(Qt::PlainText);
    lblTitle_->setAlignment(Qt::AlignHCenter);
    QFont bold = lblTitle_->font();
    bold.setBold(true);
    lblTitle_->setFont(bold);
    layout->addWidget(lblTitle_);
    lblSkipped_ = new QLabel(this);
    lblSkipped_->setObjectName(QStringLiteral("lblSkipped"));
    lblSkipped_->setAlignment(Qt::AlignHCenter);
    lblSkipped_->hide();
    layout->addWidget(lblSkipped_);

    pages_ = new QTabWidget(this);
    pages_->setObjectName(QStringLiteral("pcCharts"));
    const QLocale locale = QLocale::system();
    pages_->addTab(newChartPage("tsDayOfWeek", NewWeekdayChart(locale), &weekdayView_),
                   tr("Day of week"));
    pages_->addTab(newLinePage("tsHourOfDay", NewHalfHourChart(locale), &hourView_, "sbTime",
                               {"cbFoundHour", "cbDeletedHour", "cbCheckedHour"}),
                   tr("Hour of day"));
    pages_->addTab(newLinePage("tsDayByDay", NewDayByDayChart(), &dayView_, "sbDayDay",
                               {"cbFound", "cbDeleted", "cbChecked"}),
                   tr("Day by day"));
    pages_->addTab(newChartPage("tsPercentDeleted", NewShareChart(), &pieView_), tr("% Deleted"));
    pages_->addTab(newChartPage("tsTopDomains", NewTopChart(QColor(128, 128, 192)), &domainsView_),
                   tr("Top 10 Spam Domains"));
    pages_->addTab(newChartPage("tsTopSpammers", NewTopChart(QColor(0, 128, 128)), &spammersView_),
                   tr("Top 10 Spammers"));
    pages_->addTab(newTablePage("tsTraffic", trafficModel_, trafficOrder_), tr("Email traffic"));
    pages_->addTab(newTablePage("tsSpamDeleted", deletedModel_, deletedOrder_), tr("Spam Deleted"));
    trafficView_ = pages_->widget(kTraffic)->findChild<QTableView*>();
    deletedView_ = pages_->widget(kSpamDeleted)->findChild<QTableView*>();
    trafficView_->setObjectName(QStringLiteral("gridTraffic"));
    deletedView_->setObjectName(QStringLiteral("gridDeleted"));
    layout->addWidget(pages_, 1);
    layout->addWidget(newBottomRow());
    pnlHints_ = newHintsPanel();
}

TfrmChart::~TfrmChart() = default;

QWidget* TfrmChart::newChartPage(const char* name, QChart* chart, QChartView** view) {
    auto* page = new QWidget(this);
    page->setObjectName(QLatin1String(name));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    *view = new ZoomableChartView(chart, page);
    (*view)->setObjectName(QStringLiteral("ch") + QLatin1String(name).mid(2));
    layout->addWidget(*view);
    return page;
}

// The depth bar and the three check boxes sit under the lines, at the left.
QWidget* TfrmChart::newLinePage(const char* name, QChart* chart, QChartView** view,
                                const char* scrollBar, const char* const (&boxes)[3]) {
    QWidget* page = newChartPage(name, chart, view);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(5, 0, 0, 4);
    row->setSpacing(5);
    auto* depth = new QScrollBar(Qt::Horizontal, page);
    depth->setObjectName(QLatin1String(scrollBar));
    depth->setRange(5, 70);
    depth->setSingleStep(5);
    depth->setPageStep(5);
    depth->setValue(5);
    depth->setFixedWidth(120);
    depth->setToolTip(tr("Depth: the thickness of the lines"));
    connect(depth, &QScrollBar::valueChanged, this,
            [chart](int value) { SetLineDepth(*chart, value); });
    row->addWidget(depth);
    const QString captions[] = {tr("Found"), tr("Deleted"), tr("Checked")};
    for (int i = 0; i < 3; ++i) {
        auto* box = new QCheckBox(captions[i], page);
        box->setObjectName(QLatin1String(boxes[i]));
        box->setChecked(true);
        QLineSeries* line = ActivityLine(*chart, kBoxSeries[i]);
        connect(box, &QCheckBox::toggled, line, &QLineSeries::setVisible);
        row->addWidget(box);
    }
    row->addStretch(1);
    static_cast<QVBoxLayout*>(page->layout())->addLayout(row);
    return page;
}

QWidget* TfrmChart::newTablePage(const char* name, StatsTableModel* model, GridSortOrder& order) {
    auto* page = new QWidget(this);
    page->setObjectName(QLatin1String(name));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* view = new QTableView(page);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setWordWrap(false);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    view->horizontalHeader()->setSectionsClickable(true);
    view->horizontalHeader()->setStretchLastSection(true);
    // The table sorts only rows that are there: at least two.
    connect(view->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [view, model, &order](int column) {
                if (model->dataRowCount() < 2) return;
                const bool ascending = order.Click(column);
                model->sortRows(column, ascending);
                view->horizontalHeader()->setSortIndicatorShown(true);
                view->horizontalHeader()->setSortIndicator(
                    column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
            });
    const int widths[] = {90, 80, 160, 140, 70, 250, 160};
    for (int column = 0; column < model->columnCount(); ++column)
        view->setColumnWidth(column, widths[column]);
    layout->addWidget(view);
    return page;
}

QWidget* TfrmChart::newBottomRow() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(5);
    cbMailbox_ = new QComboBox(row);
    cbMailbox_->setObjectName(QStringLiteral("cbMailbox"));
    cbMailbox_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto* label = new QLabel(tr("&Select :"), row);
    label->setBuddy(cbMailbox_);
    layout->addWidget(label);
    layout->addWidget(cbMailbox_);
    auto* redraw =
        Button("btPlot", tr("Redraw"), tr("Click here after changing the mailbox to view"), row);
    auto* range = Button("btDateRange", tr("Date Range"), QString(), row);
    auto* hints = Button("btHint", tr("Hints"), tr("Hints on graph scroll/zoom"), row);
    auto* print = Button("btPrint", tr("Print"), tr("Print this page"), row);
    auto* close = Button("btClose", tr("Close"), tr("Return to Kelvane"), row);
    for (QPushButton* button : {redraw, range, hints, print, close}) button->setAutoDefault(false);
    layout->addWidget(redraw);
    layout->addWidget(range);
    layout->addStretch(1);
    layout->addWidget(hints);
    layout->addWidget(print);
    layout->addWidget(close);
    connect(redraw, &QPushButton::clicked, this, &TfrmChart::btPlotClick);
    connect(range, &QPushButton::clicked, this, &TfrmChart::btDateRangeClick);
    connect(hints, &QPushButton::clicked, this, &TfrmChart::btHintClick);
    connect(print, &QPushButton::clicked, this, &TfrmChart::btPrintClick);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    return row;
}

QFrame* TfrmChart::newHintsPanel() {
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("pnlHints"));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(panel);
    for (const QString& text :
         {tr("Graph Zoom/Navigation Hints"),
          tr("Left click and drag mouse from upper left to lower right to zoom"),
          tr("Left click and drag mouse from lower right to upper left to reset"),
          tr("Right click and drag mouse to move graph")}) {
        layout->addWidget(new QLabel(text, panel));
    }
    auto* ok = Button("btHintOK", tr("OK"), QString(), panel);
    ok->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, panel, &QWidget::hide);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    panel->adjustSize();
    panel->hide();
    return panel;
}

bool TfrmChart::readInLogFile(const std::string& path, const Progress& progress) {
    BusyCursor busy;
    switch (kelvane::readInLogFile(path, now_(), tables_, progress)) {
        case LogReadResult::Missing:
            boxes_.Error(kLogMissingText);
            return false;
        case LogReadResult::Unreadable:
            boxes_.Error(kLogUnreadableText);
            return false;
        case LogReadResult::Read:
            break;
    }
    cbMailbox_->clear();
    cbMailbox_->addItem(tr(kAllMailboxes));
    for (const std::string& mailbox : tables_.mailboxes) cbMailbox_->addItem(ShownText(mailbox));
    cbMailbox_->setCurrentIndex(0);
    if (tables_.skippedLines > 0) {
        lblSkipped_->setText(
            tr("%n line(s) of the log could not be read and were skipped.", "",
               static_cast<int>(std::min<std::uint64_t>(tables_.skippedLines, INT_MAX))));
        lblSkipped_->show();
    }
    return true;
}

void TfrmChart::plotAll() {
    BusyCursor busy;
    fillInGrids();
    PlotReadings();
    RecomputePie();
}

void TfrmChart::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) FormShow();
    QDialog::showEvent(event);
}

void TfrmChart::FormShow() {
    pages_->setCurrentIndex(kDayOfWeek);
    setTitle();
}

void TfrmChart::setTitle() {
    lblTitle_->setText(cbMailbox_->currentText() + tr(" from ") + ShortDateText(filter_.start) +
                       tr(" thru ") + ShortDateText(filter_.end));
}

// The choice in the drop-down counts from here on; choosing alone changes nothing.
void TfrmChart::btPlotClick() {
    BusyCursor busy;
    const int chosen = cbMailbox_->currentIndex();
    filter_.mailbox = chosen > 0 ? std::optional(tables_.mailboxes.at(chosen - 1)) : std::nullopt;
    setTitle();
    fillInGrids();
    RecomputePie();
    PlotReadings();
}

void TfrmChart::btDateRangeClick() {
    const std::optional<DateRange> range = dateRange_->ask({filter_.start, filter_.end}, now_());
    if (!range) return;
    filter_.start = range->start;
    filter_.end = range->end;
    btPlotClick();
}

void TfrmChart::btPrintClick() {
    switch (pages_->currentIndex()) {
        case kTraffic:
            printTable(*trafficModel_, *trafficView_, tr("E-mail traffic"));
            return;
        case kSpamDeleted:
            printTable(*deletedModel_, *deletedView_, tr("Deleted Spam"));
            return;
        default:
            break;
    }
    if (auto* view = pages_->currentWidget()->findChild<QChartView*>()) previewChart_(*view);
}

void TfrmChart::printTable(StatsTableModel& model, QTableView& view, const QString& title) {
    QPrinter printer;
    if (!askPrinter_(printer)) return;
    PrintedTable printed;
    for (int column = 0; column < model.columnCount(); ++column) {
        printed.widths.push_back(view.columnWidth(column));
        printed.headings << model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    }
    printed.rowCount = model.dataRowCount();
    printed.cell = [&model](int row, int column) {
        return model.data(model.index(row, column), Qt::DisplayRole).toString();
    };
    printTable_(printer, printed, title);
}

void TfrmChart::btHintClick() {
    pnlHints_->adjustSize();
    pnlHints_->move((width() - pnlHints_->width()) / 2, (height() - pnlHints_->height()) / 2);
    pnlHints_->raise();
    pnlHints_->show();
}

void TfrmChart::fillInGrids() {
    rows_ = kelvane::fillInGrids(tables_, filter_);
    trafficOrder_ = {};
    deletedOrder_ = {};
    for (QTableView* view : {trafficView_, deletedView_})
        view->horizontalHeader()->setSortIndicatorShown(false);
    trafficModel_->setRows(rows_.checks);
    deletedModel_->setRows(rows_.deletions);
}

void TfrmChart::RecomputePie() {
    share_ = kelvane::RecomputePie(tables_, rows_);
    ShowShare(*pieView_->chart(), share_);
}

void TfrmChart::PlotReadings() {
    readings_ = kelvane::PlotReadings(tables_, rows_);
    ShowWeekdays(*weekdayView_->chart(), readings_);
    ShowHalfHours(*hourView_->chart(), readings_);
    ShowDays(*dayView_->chart(), readings_);
    ShowTop(*domainsView_->chart(), readings_.topDomains);
    ShowTop(*spammersView_->chart(), readings_.topSenders);
}

}  // namespace kelvane
