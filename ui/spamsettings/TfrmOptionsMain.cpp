#include "TfrmOptionsMain.h"

#include "MessageBoxes.h"
#include "RuleDialogFields.h"
#include "RuleGridEditing.h"
#include "RuleTableModel.h"
#include "RuleTableOperations.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "SpamSettings.h"
#include "TfrmAlwaysAccept.h"
#include "TfrmHeaders.h"
#include "TfrmOptionsFROM.h"
#include "TfrmOptionsSubject.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace kelvane {

namespace {

constexpr RuleTableKind kRuleKinds[] = {RuleTableKind::Subject, RuleTableKind::Header,
                                        RuleTableKind::Sender, RuleTableKind::Exceptions};

const SettingKey& WidthKey(RuleTableKind kind) {
    switch (kind) {
        case RuleTableKind::Subject:
            return settingkeys::SubjectColumnWidth;
        case RuleTableKind::Header:
            return settingkeys::HeadersColumnWidth;
        case RuleTableKind::Sender:
            return settingkeys::SenderColumnWidth;
        case RuleTableKind::Exceptions:
            break;
    }
    return settingkeys::ExceptionsColumnWidth;
}

RuleGridPage::Texts PageTexts(RuleTableKind kind) {
    switch (kind) {
        case RuleTableKind::Subject:
            return {"gridSubject",
                    "lblSubjectCount",
                    QObject::tr("If a subject line matches the criteria below the email will be "
                                "considered a SPAM"),
                    QObject::tr("Conditions"),
                    QStringLiteral("Kelvane - Subject Line Settings"),
                    true,
                    QObject::tr("Import spam keywords")};
        case RuleTableKind::Header:
            return {"gridHeader",
                    "lblHeaderCount",
                    QObject::tr("If an e-mail header matches a criteria below it will be "
                                "considered a SPAM."),
                    QObject::tr("Conditions"),
                    QStringLiteral("Kelvane - Email Header Settings"),
                    false,
                    QString()};
        case RuleTableKind::Sender:
            return {"gridFrom",
                    "lblFromCount",
                    QObject::tr("If a message is from someone matching a pattern below it will "
                                "be considered a SPAM"),
                    QObject::tr("Conditions"),
                    QStringLiteral("Kelvane - Sender Settings"),
                    false,
                    QString()};
        case RuleTableKind::Exceptions:
            break;
    }
    return {"gridExcept",
            "lblExceptCount",
            QObject::tr("Always accept e-mail under the following conditions. Message will be "
                        "marked with a bitmap."),
            QObject::tr("Exceptions"),
            QStringLiteral("Kelvane - List of Exceptions "),
            true,
            QObject::tr("Import e-mail addresses")};
}

// Opens `dialog` on the row (unless new) and writes its fields back when OK closes it.
template <typename Dialog, typename Fields>
bool RunRuleDialog(Dialog& dialog, RuleTable& table, int current, bool isNew,
                   Fields (*fromRow)(const RuleTable&, int),
                   void (*fill)(RuleTable&, int, const Fields&)) {
    if (!isNew) dialog.setFields(fromRow(table, current));
    if (dialog.exec() != QDialog::Accepted) return false;
    const int row = isNew ? RowForNewRule(table, current) : current;
    fill(table, row, dialog.fields());
    return true;
}

}  // namespace

TfrmOptionsMain::TfrmOptionsMain(SpamSettings& spam, KnownSpammers& known, SettingsStore& store,
                                 MessageBoxes& boxes, std::string folder,
                                 SpamWindowServices services, QWidget* parent)
    : QDialog(parent),
      spam_(spam),
      known_(known),
      store_(store),
      boxes_(boxes),
      folder_(std::move(folder)),
      services_(std::move(services)) {
    if (!services_.chooseCountry) services_.chooseCountry = ChooseCountry;
    setObjectName(QStringLiteral("frmOptionsMain"));
    setWindowTitle(tr("Spam Settings"));
    auto* layout = new QVBoxLayout(this);
    pages_ = new QTabWidget(this);
    pages_->setObjectName(QStringLiteral("PageControl1"));
    pages_->addTab(createRulePage(RuleTableKind::Subject), tr("Subject"));
    pages_->addTab(createRulePage(RuleTableKind::Header), tr("Headers"));
    pages_->addTab(createRulePage(RuleTableKind::Sender), tr("Sender"));
    pages_->addTab(createSizePage(), tr("Size"));
    pages_->addTab(createRulePage(RuleTableKind::Exceptions), tr("Exceptions"));
    pages_->addTab(createBlackListPage(), tr("BlackList"));
    pages_->addTab(createValidDomainsPage(), tr("Valid Domains"));
    pages_->addTab(createDeletedMessagesPage(), tr("Deleted messages"));
    layout->addWidget(pages_, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("btOK"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("btCancel"));
    QPushButton* help = buttons->addButton(tr("&Help"), QDialogButtonBox::HelpRole);
    help->setObjectName(QStringLiteral("btHelp"));
    connect(ok, &QPushButton::clicked, this, &TfrmOptionsMain::btOKClick);
    connect(cancel, &QPushButton::clicked, this, &TfrmOptionsMain::reject);
    connect(help, &QPushButton::clicked, this, [this] {
        if (services_.openHelp) services_.openHelp(100);
    });
    layout->addWidget(buttons);

    // Stored widths first; a rule file's own widths, already in the tables, win.
    for (RuleTableKind kind : kRuleKinds) {
        QTableView& grid = rulePage(kind).grid();
        const RuleTable& table = spam_.table(kind);
        for (int column = 0; column < grid.model()->columnCount(); ++column) {
            const long long stored = store_.ReadInteger(WidthKey(kind), column);
            if (stored > 0) grid.setColumnWidth(column, static_cast<int>(stored));
            if (table.columnWidth(column) > 0)
                grid.setColumnWidth(column, table.columnWidth(column));
        }
    }
    selectPage(Page::Subject);
    resize(720, 520);
}

RuleGridPage& TfrmOptionsMain::rulePage(RuleTableKind kind) {
    return *rulePages_[static_cast<std::size_t>(kind)];
}

void TfrmOptionsMain::selectPage(Page page) {
    pages_->setCurrentIndex(static_cast<int>(page));
}

QWidget* TfrmOptionsMain::createRulePage(RuleTableKind kind) {
    auto* page = new RuleGridPage(
        spam_, kind, PageTexts(kind),
        [this](RuleTable& table, int current, bool isNew) {
            return editRule(table, current, isNew);
        },
        boxes_, this);
    rulePages_[static_cast<std::size_t>(kind)] = page;
    return page;
}

bool TfrmOptionsMain::editRule(RuleTable& table, int current, bool isNew) {
    switch (table.kind()) {
        case RuleTableKind::Subject: {
            TfrmOptionsSubject dialog(boxes_, this);
            return RunRuleDialog(dialog, table, current, isNew, SubjectFieldsFromRow,
                                 subjectAfterShowmodal);
        }
        case RuleTableKind::Header: {
            const std::vector<std::string> mailboxes =
                services_.mailboxEntries ? services_.mailboxEntries() : std::vector<std::string>();
            TfrmHeaders dialog(boxes_, mailboxes, this, services_.chooseCountry);
            return RunRuleDialog(dialog, table, current, isNew, HeaderFieldsFromRow,
                                 headerAfterShowmodal);
        }
        case RuleTableKind::Sender: {
            TfrmOptionsFROM dialog(boxes_, this, services_.chooseCountry);
            return RunRuleDialog(dialog, table, current, isNew, SenderFieldsFromRow,
                                 FromAfterShowModal);
        }
        case RuleTableKind::Exceptions:
            break;
    }
    TfrmAlwaysAccept dialog(boxes_, this);
    return RunRuleDialog(dialog, table, current, isNew, ExceptionFieldsFromRow,
                         exceptAfterShowmodal);
}

int TfrmOptionsMain::exec() {
    FormShow();
    return QDialog::exec();
}

void TfrmOptionsMain::open() {
    FormShow();
    QDialog::open();
}

void TfrmOptionsMain::FormShow() {
    unknownReset_ = false;
    for (RuleTableKind kind : kRuleKinds) spam_.table(kind).applyHeadings();
    reloadGrids();
    optionsToControls();
    LoadMemoofKnownSpammers();
    applySizeEnabling();
    updateCounts();
}

void TfrmOptionsMain::optionsToControls() {
    const SpamOptions& options = spam_.options();
    cbSmaller_->setChecked(options.smallerOn);
    nSmaller_->setValue(options.smallerLimit);
    (options.smallerCheckMark ? rbSmallerCheck_ : rbSmallerQuestion_)->setChecked(true);
    cbLarger_->setChecked(options.largerOn);
    nLarger_->setValue(options.largerLimit);
    (options.largerCheckMark ? rbLargerCheck_ : rbLargerQuestion_)->setChecked(true);
    cbKnownSpammers_->setChecked(options.compareKnownSpammers);
    cbValid_->setChecked(options.checkValidDomain);
    pnlValid_->setVisible(options.checkValidDomain);
    (options.invalidDomainCheckMark ? rbCheck_ : rbQuestion_)->setChecked(true);
    edUnknown_->setText(QString::fromStdString(options.unknownDomainCount));
    const QuarantineLimits& kept = options.quarantine;
    chKeepDeleted_->setChecked(kept.keep);
    spKeepDays_->setValue(kept.days);
    spKeepWholeKiB_->setValue(static_cast<int>(kept.wholeLimit / 1024));
    spKeepTotalMB_->setValue(static_cast<int>(kept.totalBytes / 1000000));
}

void TfrmOptionsMain::controlsToOptions() {
    SpamOptions& options = spam_.options();
    options.smallerOn = cbSmaller_->isChecked();
    options.smallerLimit = nSmaller_->value();
    options.smallerCheckMark = rbSmallerCheck_->isChecked();
    options.largerOn = cbLarger_->isChecked();
    options.largerLimit = nLarger_->value();
    options.largerCheckMark = rbLargerCheck_->isChecked();
    options.compareKnownSpammers = cbKnownSpammers_->isChecked();
    options.checkValidDomain = cbValid_->isChecked();
    options.invalidDomainCheckMark = rbCheck_->isChecked();
    QuarantineLimits& kept = options.quarantine;
    kept.keep = chKeepDeleted_->isChecked();
    kept.days = spKeepDays_->value();
    kept.wholeLimit = spKeepWholeKiB_->value() * 1024LL;
    kept.totalBytes = spKeepTotalMB_->value() * 1000000LL;
    // The counter is not taken from its label: checks here and elsewhere raise the stored count
    // while the window is open. Only the user's reset changes it.
    if (unknownReset_) spam_.ResetUnknownDomainCount();
    unknownReset_ = false;
}

void TfrmOptionsMain::updateCounts() {
    for (RuleTableKind kind : kRuleKinds) rulePage(kind).updateCount();
    // A final line break ends the last line; it does not start another.
    const QString text = memo1_->toPlainText();
    const int lines =
        text.isEmpty() ? 0 : text.count(QLatin1Char('\n')) + (text.endsWith('\n') ? 0 : 1);
    lblSpamCount_->setText(QString::number(lines));
}

void TfrmOptionsMain::btOKClick() {
    for (RuleTableKind kind : kRuleKinds) {
        RuleTable& table = spam_.table(kind);
        DeleteDupsFromGrid(table);
        // The rule files keep the widths the user gave the columns.
        const QTableView& grid = rulePage(kind).grid();
        for (int column = 0; column < grid.model()->columnCount(); ++column) {
            table.setColumnWidth(column, grid.columnWidth(column));
        }
    }
    controlsToOptions();
    for (const std::string& problem : spam_.Savesettings(SaveMode::EditedKeepingHits))
        boxes_.Error(problem);
    reloadGrids();
    // The window stays open over edits of the list that could not be saved.
    if (knownEditing() && !saveKnownList()) return;
    accept();
}

// The tables changed under the grids: duplicates went, or the files were read back.
void TfrmOptionsMain::reloadGrids() {
    for (RuleTableKind kind : kRuleKinds) rulePage(kind).reload();
}

void TfrmOptionsMain::reject() {
    unknownReset_ = false;
    for (const std::string& problem : spam_.readSettings()) boxes_.Error(problem);
    reloadGrids();
    if (knownEditing()) cancelKnownClicked();
    QDialog::reject();
}

void TfrmOptionsMain::saveColumnWidths() {
    for (RuleTableKind kind : kRuleKinds) {
        QTableView& grid = rulePage(kind).grid();
        for (int column = 0; column < grid.model()->columnCount(); ++column) {
            store_.WriteInteger(WidthKey(kind), grid.columnWidth(column), column);
        }
    }
}

}  // namespace kelvane
