#include "TfrmMailProgramSearch.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "MailProgramChoices.h"
#include "TfrmFileSearch.h"

namespace kelvane {
namespace {

constexpr QDir::Filters kAllFiles = QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot;

// Qt's own dialog rather than the desktop's, which may ignore the filter for executables.
std::string ChooseProgramInDialog(QWidget* parent) {
    QFileDialog dialog(parent, QObject::tr("Select your mail program"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({QObject::tr("Programs (*)"), QObject::tr("All files (*)")});
    dialog.setFilter(kAllFiles | QDir::Executable);
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString& filter) {
                         const bool programs = filter == dialog.nameFilters().constFirst();
                         dialog.setFilter(programs ? kAllFiles | QDir::Executable : kAllFiles);
                     });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
}

}  // namespace

TfrmMailProgramSearch::TfrmMailProgramSearch(MessageBoxes& boxes, QWidget* parent)
    : QDialog(parent),
      boxes_(boxes),
      chooseProgram_(ChooseProgramInDialog),
      searchRoot_(kFileSearchRoot) {
    setObjectName(QStringLiteral("frmMailProgramSearch"));
    setWindowTitle(tr("Search for mail program"));

    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(tr("Search for mail program"), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);
    layout->addWidget(new QLabel(tr("Select your mail program"), this));
    lbMailPrograms_ = new QListWidget(this);
    lbMailPrograms_->setObjectName(QStringLiteral("lbMailPrograms"));
    for (const MailProgramChoice& choice : kMailProgramChoices) {
        lbMailPrograms_->addItem(QString::fromUtf8(choice.caption.data(),
                                                   static_cast<qsizetype>(choice.caption.size())));
    }
    layout->addWidget(lbMailPrograms_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btOK"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmMailProgramSearch::okClicked);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void TfrmMailProgramSearch::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        lbMailPrograms_->setCurrentRow(static_cast<int>(kDefaultMailProgramChoice));
    }
}

void TfrmMailProgramSearch::okClicked() {
    const int row = lbMailPrograms_->currentRow();
    const std::string_view programFile =
        row < 0 ? std::string_view()
                : kMailProgramChoices.at(static_cast<std::size_t>(row)).programFile;
    if (programFile.empty()) {
        selected_ = chooseProgram_(this);
    } else {
        selected_ = searchFor(programFile);
    }
    accept();
}

std::string TfrmMailProgramSearch::searchFor(std::string_view programFile) {
    TfrmFileSearch search(boxes_, this);
    search.setFileName(std::string(programFile));
    search.setSource(searchRoot_);
    return search.exec() == QDialog::Accepted ? search.selectedFile() : std::string();
}

}  // namespace kelvane
