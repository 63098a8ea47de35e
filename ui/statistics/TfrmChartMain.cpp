#include "TfrmChartMain.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QToolButton>
#include <QVBoxLayout>

namespace kelvane {

namespace {

constexpr int kProgressSteps = 1000;

QString AskLogFile(QWidget* parent, const QString& folder) {
    return QFileDialog::getOpenFileName(
        parent, QObject::tr("Location of Kelvane activity log file"), folder,
        QObject::tr("Activity log files (*.txt);;All files (*)"));
}

}  // namespace

TfrmChartMain::TfrmChartMain(MessageBoxes& boxes, bool& busy, Services services, QWidget* parent)
    : QDialog(parent),
      boxes_(boxes),
      busy_(busy),
      services_(std::move(services)),
      edit1_(new QLineEdit(this)),
      progBar_(new QProgressBar(this)) {
    if (!services_.askFile) services_.askFile = AskLogFile;
    setObjectName(QStringLiteral("frmChartMain"));
    setWindowTitle(tr("Activity Log Statistics for Kelvane"));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(tr("Kelvane Activity Statistics"), this);
    title->setObjectName(QStringLiteral("lblTitle"));
    QFont big = title->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.4);
    title->setFont(big);
    layout->addWidget(title, 0, Qt::AlignHCenter);
    layout->addWidget(new QLabel(tr("Open existing activity log:"), this));

    auto* fileRow = new QHBoxLayout;
    edit1_->setObjectName(QStringLiteral("Edit1"));
    edit1_->setMinimumWidth(360);
    auto* browse = new QToolButton(this);
    browse->setObjectName(QStringLiteral("SpeedButton1"));
    browse->setText(QStringLiteral("..."));
    browse->setToolTip(tr("Browse for the activity log file"));
    fileRow->addWidget(edit1_, 1);
    fileRow->addWidget(browse);
    layout->addLayout(fileRow);

    progBar_->setObjectName(QStringLiteral("progBar"));
    progBar_->setRange(0, kProgressSteps);
    progBar_->hide();
    layout->addWidget(progBar_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setObjectName(QStringLiteral("Button1"));
    ok->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("Button2"));
    layout->addWidget(buttons);

    connect(ok, &QPushButton::clicked, this, &TfrmChartMain::Button1Click);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(browse, &QToolButton::clicked, this, &TfrmChartMain::SpeedButton1Click);
}

void TfrmChartMain::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) edit1_->setText(QString::fromStdString(services_.logFileName()));
    QDialog::showEvent(event);
}

// The progress bar is drawn at once rather than through the event loop: no click can start
// anything while the log is read.
void TfrmChartMain::Button1Click() {
    if (busy_) return;
    busy_ = true;
    {
        TfrmChart chart(boxes_, services_.now, parentWidget());
        progBar_->setValue(0);
        progBar_->show();
        const bool read = chart.readInLogFile(
            edit1_->text().toStdString(), [this](std::uint64_t done, std::uint64_t size) {
                progBar_->setValue(size == 0 ? kProgressSteps
                                             : static_cast<int>(done * kProgressSteps / size));
                progBar_->repaint();
            });
        progBar_->hide();
        if (read) {
            chart.plotAll();
            hide();
            if (services_.chartMade) services_.chartMade(chart);
            chart.exec();
        }
    }
    busy_ = false;
    accept();
}

void TfrmChartMain::SpeedButton1Click() {
    const QString folder = QFileInfo(edit1_->text()).absolutePath();
    const QString chosen = services_.askFile(this, folder);
    if (!chosen.isEmpty()) edit1_->setText(chosen);
}

}  // namespace kelvane
