#include "TfrmOptionsMain.h"

#include "AtomicFile.h"
#include "KnownListText.h"
#include "KnownSpammers.h"
#include "MarkPictures.h"
#include "MessageBoxes.h"
#include "ProgramPaths.h"
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

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTextDocument>
#include <QVBoxLayout>
#include <filesystem>

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

QLabel* Wrapped(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

QLabel* Picture(MarkState mark, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setPixmap(MarkPixmap(mark));
    return label;
}

QRadioButton* Radio(const char* name, const QString& caption, QWidget* parent) {
    auto* button = new QRadioButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    return button;
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

QWidget* TfrmOptionsMain::createSizePage() {
    auto* page = new QWidget(this);
    auto* layout = new QGridLayout(page);
    layout->addWidget(Wrapped(tr("Note: Only messages with a check mark will be deleted.  The "
                                 "question mark is to notify you of a potential spam message to "
                                 "delete."),
                              page),
                      0, 0, 1, 8);
    const auto addRow = [&](int row, const char* boxName, const QString& caption,
                            const char* numberName, int maximum, int step, const char* checkName,
                            const char* questionName, QCheckBox*& box, QSpinBox*& number,
                            QRadioButton*& check, QRadioButton*& question) {
        box = new QCheckBox(caption, page);
        box->setObjectName(QLatin1String(boxName));
        number = new QSpinBox(page);
        number->setObjectName(QLatin1String(numberName));
        number->setRange(0, maximum);
        number->setSingleStep(step);
        check = Radio(checkName, tr("check mark"), page);
        question = Radio(questionName, tr("question"), page);
        auto* group = new QButtonGroup(page);
        group->addButton(check);
        group->addButton(question);
        layout->addWidget(box, row, 0);
        layout->addWidget(number, row, 1);
        layout->addWidget(new QLabel(tr("bytes, "), page), row, 2);
        layout->addWidget(new QLabel(tr("then mark the message with a"), page), row, 3);
        layout->addWidget(check, row, 4);
        layout->addWidget(Picture(kCheckMark, page), row, 5);
        layout->addWidget(question, row, 6);
        layout->addWidget(Picture(kQuestionMark, page), row, 7);
        connect(box, &QCheckBox::clicked, this, &TfrmOptionsMain::applySizeEnabling);
    };
    addRow(1, "cbSmaller", tr("If the message size is smaller than"), "nSmaller",
           SpamOptions::kSmallerMax, 1, "rbSmallerCheck", "rbSmallerQuestion", cbSmaller_,
           nSmaller_, rbSmallerCheck_, rbSmallerQuestion_);
    addRow(2, "cbLarger", tr("If the message size is larger than"), "nLarger",
           SpamOptions::kLargerMax, 100, "rbLargerCheck", "rbLargerQuestion", cbLarger_, nLarger_,
           rbLargerCheck_, rbLargerQuestion_);
    layout->setRowStretch(3, 1);
    return page;
}

void TfrmOptionsMain::applySizeEnabling() {
    for (QWidget* field : {static_cast<QWidget*>(nSmaller_), static_cast<QWidget*>(rbSmallerCheck_),
                           static_cast<QWidget*>(rbSmallerQuestion_)}) {
        field->setEnabled(cbSmaller_->isChecked());
    }
    for (QWidget* field : {static_cast<QWidget*>(nLarger_), static_cast<QWidget*>(rbLargerCheck_),
                           static_cast<QWidget*>(rbLargerQuestion_)}) {
        field->setEnabled(cbLarger_->isChecked());
    }
}

QWidget* TfrmOptionsMain::createBlackListPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("Spammers"), page));
    top->addStretch();
    lblSpamCount_ = new QLabel(page);
    lblSpamCount_->setObjectName(QStringLiteral("lblSpamCount"));
    top->addWidget(lblSpamCount_);
    layout->addLayout(top);
    layout->addWidget(Wrapped(
        tr("This is an editable list of the e-mail addresses and domain names of known spammers "
           "collected from various public sources on the internet.   You may add or delete from "
           "this list."),
        page));
    auto* compare = new QHBoxLayout;
    cbKnownSpammers_ = new QCheckBox(
        tr("Compare e-mail with this list of known spammers. Will be marked with :"), page);
    cbKnownSpammers_->setObjectName(QStringLiteral("cbKnownSpammers"));
    compare->addWidget(cbKnownSpammers_);
    compare->addWidget(Picture(kBlacklistMark, page));
    compare->addStretch();
    layout->addLayout(compare);
    memo1_ = new QPlainTextEdit(page);
    memo1_->setObjectName(QStringLiteral("memo1"));
    memo1_->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(memo1_, 1);
    pnlKnown_ = new QLabel(page);
    pnlKnown_->setObjectName(QStringLiteral("pnlKnown"));
    pnlKnown_->hide();
    layout->addWidget(pnlKnown_);
    auto* buttons = new QHBoxLayout;
    const auto add = [&](const char* name, const QString& caption) {
        auto* button = new QPushButton(caption, page);
        button->setObjectName(QLatin1String(name));
        buttons->addWidget(button);
        return button;
    };
    btKnownEdit_ = add("btEditKnown", tr("&Edit"));
    btKnownSave_ = add("btSaveKnown", tr("&Save"));
    btKnownCancel_ = add("btCancelKnown", tr("Cancel"));
    buttons->addStretch();
    layout->addLayout(buttons);
    connect(btKnownEdit_, &QPushButton::clicked, this, &TfrmOptionsMain::editKnownClicked);
    connect(btKnownSave_, &QPushButton::clicked, this, &TfrmOptionsMain::saveKnownClicked);
    connect(btKnownCancel_, &QPushButton::clicked, this, &TfrmOptionsMain::cancelKnownClicked);
    return page;
}

QWidget* TfrmOptionsMain::createValidDomainsPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Wrapped(tr("Kelvane can check the \"reply-to\" field for valid domain "
                                 "names.  Often invalid domain names are good indicators that the "
                                 "e-mail is indeed junk."),
                              page));
    layout->addWidget(Wrapped(tr("The domain name is the part of the address after the at sign: "
                                 "in ann@mail.example.org it is mail.example.org."),
                              page));
    cbValid_ =
        new QCheckBox(tr("Check for valid domain names within the senders e-mail address?"), page);
    cbValid_->setObjectName(QStringLiteral("cbValid"));
    layout->addWidget(cbValid_);
    pnlValid_ = new QWidget(page);
    pnlValid_->setObjectName(QStringLiteral("pnlValid"));
    auto* panel = new QGridLayout(pnlValid_);
    panel->addWidget(
        new QLabel(tr("If the domain name is invalid or unknown mark the message with:"),
                   pnlValid_),
        0, 0, 1, 4);
    rbCheck_ = Radio("rbCheck", tr("&check mark"), pnlValid_);
    rbQuestion_ = Radio("rbQuestion", tr("&question mark"), pnlValid_);
    panel->addWidget(Picture(kCheckMark, pnlValid_), 1, 0);
    panel->addWidget(rbCheck_, 1, 1);
    panel->addWidget(Picture(kQuestionMark, pnlValid_), 1, 2);
    panel->addWidget(rbQuestion_, 1, 3);
    panel->addWidget(
        new QLabel(tr("Note: Only messages with a check mark will be deleted."), pnlValid_), 2, 0,
        1, 4);
    edUnknown_ = new QLabel(pnlValid_);
    edUnknown_->setObjectName(QStringLiteral("edUnknown"));
    panel->addWidget(edUnknown_, 3, 0);
    panel->addWidget(new QLabel(tr("unknown domains have been detected"), pnlValid_), 3, 1, 1, 2);
    auto* reset = new QPushButton(tr("Reset counter"), pnlValid_);
    reset->setObjectName(QStringLiteral("btResetUnknown"));
    panel->addWidget(reset, 3, 3);
    connect(reset, &QPushButton::clicked, this, &TfrmOptionsMain::resetUnknownClicked);
    layout->addWidget(pnlValid_);
    layout->addStretch();
    connect(cbValid_, &QCheckBox::toggled, pnlValid_, &QWidget::setVisible);
    return page;
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

std::string TfrmOptionsMain::knownFile() const {
    return paths::JoinPath(folder_, paths::kKnownSpammersFile);
}

// Read-only and grey until "&Edit".
void TfrmOptionsMain::LoadMemoofKnownSpammers() {
    setKnownEditable(false);
    btKnownSave_->setEnabled(false);
    btKnownCancel_->setEnabled(false);
    std::optional<std::string> text;
    try {
        text = ReadWholeFile(knownFile());
    } catch (const FileError& error) {
        boxes_.Error(error.what());
    }
    const bool found = text.has_value();
    for (QPushButton* button : {btKnownEdit_, btKnownSave_, btKnownCancel_}) {
        button->setVisible(found);
    }
    pnlKnown_->setText(found ? QString() : tr("Could not locate the known spammer blacklist!"));
    pnlKnown_->setVisible(!found);
    knownText_ = KnownListText(found ? *text : std::string());
    memo1_->setPlainText(QString::fromStdString(knownText_.shown()));
}

// The editor's text with its line breaks as LF; unlike toPlainText it keeps no-break spaces, so
// that a line the user did not touch reads back as it was shown.
std::string TfrmOptionsMain::knownEditorText() const {
    QString text = memo1_->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text.toStdString();
}

// White while it takes typing, grey like a button face while it does not.
void TfrmOptionsMain::setKnownEditable(bool editable) {
    memo1_->setReadOnly(!editable);
    QPalette colours = memo1_->palette();
    const QPalette standard = QApplication::palette(memo1_);
    colours.setColor(QPalette::Base,
                     editable ? standard.color(QPalette::Base) : standard.color(QPalette::Button));
    memo1_->setPalette(colours);
}

bool TfrmOptionsMain::knownEditing() const {
    return btKnownSave_->isEnabled();
}

void TfrmOptionsMain::editKnownClicked() {
    setKnownEditable(true);
    memo1_->setFocus();
    btKnownSave_->setEnabled(true);
    btKnownCancel_->setEnabled(true);
}

void TfrmOptionsMain::cancelKnownClicked() {
    LoadMemoofKnownSpammers();
    updateCounts();
}

void TfrmOptionsMain::saveKnownClicked() {
    saveKnownList();
}

// Rebuilds the blacklist from the editor and writes it to its file, lines the user did not touch
// keeping their bytes. A write that fails says why and leaves the edits in the editor, still
// editable, so that nothing typed is lost.
bool TfrmOptionsMain::saveKnownList() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    pnlKnown_->setText(tr("Re-building list ... stand by"));
    pnlKnown_->show();
    setKnownEditable(false);
    btKnownSave_->setEnabled(false);
    btKnownCancel_->setEnabled(false);
    const int top = memo1_->verticalScrollBar()->value();
    const std::string edited = knownEditorText();
    KnownSpammers rebuilt;
    rebuilt.Assign(KnownListFromEditor(knownText_.FileText(edited)));
    if (!knownText_.unchanged(edited) && std::filesystem::exists(knownFile())) {
        try {
            WriteKnownListFile(knownFile(), rebuilt.entries());
        } catch (const FileError& error) {
            QApplication::restoreOverrideCursor();
            pnlKnown_->hide();
            editKnownClicked();
            boxes_.Error(error.what());
            return false;
        }
    }
    known_ = std::move(rebuilt);
    LoadMemoofKnownSpammers();
    memo1_->verticalScrollBar()->setValue(top);
    updateCounts();
    QApplication::restoreOverrideCursor();
    return true;
}

void TfrmOptionsMain::resetUnknownClicked() {
    if (!boxes_.Confirm("Really clear out unknown count?")) return;
    edUnknown_->setText(QStringLiteral("0"));
    unknownReset_ = true;
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
