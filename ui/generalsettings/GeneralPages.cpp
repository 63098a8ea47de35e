// The pages of TfrmGeneral other than the mailboxes; its behaviour is in TfrmGeneral.cpp.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ShownText.h"
#include "TfrmGeneral.h"

namespace kelvane {
namespace {

template <typename T, typename... Args>
T* Named(const char* name, Args&&... args) {
    T* widget = new T(std::forward<Args>(args)...);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel* Text(const QString& text, bool wrap = true) {
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(wrap);
    return label;
}

QWidget* NewPage(QVBoxLayout*& layout) {
    auto* page = new QWidget;
    layout = new QVBoxLayout(page);
    return page;
}

}  // namespace

QWidget* TfrmGeneral::createConnectionPage() {
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewPage(layout);
    layout->addWidget(Text(tr("Specify a default connection to the internet:")));
    rasList_ = Named<QComboBox>("RASComboBox");
    layout->addWidget(rasList_);
    layout->addWidget(
        Text(tr("Select 'none' if you do not dial in to the internet or are using a "
                "cable modem or high speed connection.")));
    layout->addStretch(1);
    return page;
}

QWidget* TfrmGeneral::createAutomaticPage() {
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewPage(layout);
    layout->addWidget(
        Text(tr("Kelvane can run unattended and may delete e-mail without confirmation.")));
    rbManual_ = Named<QRadioButton>("rbManual", tr("Check e-mail manually"));
    rbAutomatic_ =
        Named<QRadioButton>("rbAutomatic", tr("Check e-mail unattended or automatically"));
    auto* group = new QButtonGroup(page);
    group->addButton(rbManual_);
    group->addButton(rbAutomatic_);
    rbManual_->setChecked(true);
    connect(rbManual_, &QRadioButton::clicked, this, &TfrmGeneral::applyPanels);
    connect(rbAutomatic_, &QRadioButton::clicked, this, &TfrmGeneral::applyPanels);
    layout->addWidget(rbManual_);
    layout->addWidget(rbAutomatic_);
    layout->addWidget(createManualPanel());
    layout->addWidget(createAutomaticPanel());
    layout->addStretch(1);
    return page;
}

QWidget* TfrmGeneral::createManualPanel() {
    pnlManual_ = Named<QWidget>("pnlManual");
    auto* layout = new QVBoxLayout(pnlManual_);
    layout->addWidget(
        Text(tr("These options only apply if checking e-mail manually.  They do not "
                "apply when e-mail is checked automatically.")));
    cbAsk_ =
        Named<QCheckBox>("cbAsk", tr("When deleting messages interactively, ask for confirmation"));
    cbLaunch_ = Named<QCheckBox>(
        "cbLaunch", tr("After deleting spam, launch e-mail program if there is e-mail to read"));
    cbExit_ =
        Named<QCheckBox>("cbExit", tr("If no mail is on the server, exit after checking e-mail"));
    for (QCheckBox* box : {cbAsk_, cbLaunch_, cbExit_}) layout->addWidget(box);
    return pnlManual_;
}

QWidget* TfrmGeneral::createAutomaticPanel() {
    pnlAutomatic_ = Named<QWidget>("pnlAutomatic");
    auto* layout = new QVBoxLayout(pnlAutomatic_);
    auto* every = new QHBoxLayout;
    every->addWidget(Text(tr("Check for mail every "), false));
    seMinutes_ = Named<QSpinBox>("seMinutes");
    seMinutes_->setRange(2, 600);
    seMinutes_->setSingleStep(1);
    every->addWidget(seMinutes_);
    every->addWidget(Text(tr("minutes"), false));
    every->addStretch(1);
    layout->addLayout(every);
    cbKill_ = Named<QCheckBox>(
        "cbKill", tr("Delete spam automatically from all mailboxes - no confirmation?"));
    connect(cbKill_, &QCheckBox::clicked, this, &TfrmGeneral::applyPanels);
    layout->addWidget(cbKill_);
    layout->addWidget(createSoundPanel());
    return pnlAutomatic_;
}

QWidget* TfrmGeneral::createSoundPanel() {
    pnlSound_ = Named<QWidget>("pnlSound");
    auto* layout = new QGridLayout(pnlSound_);
    cbAlarm_ =
        Named<QCheckBox>("cbAlarm", tr("&Play this sound file if there is e-mail on the server"));
    cbRepeat_ = Named<QCheckBox>("cbRepeat", tr("Repeat the alarm until keypress or mouse click?"));
    edAlarmFile_ = Named<QLineEdit>("edAlarmFile");
    auto* browse = Named<QPushButton>("btBrowseSound", tr("..."));
    btTest_ = Named<QPushButton>("btTest", tr("Test"));
    connect(browse, &QPushButton::clicked, this, &TfrmGeneral::browseSound);
    connect(btTest_, &QPushButton::clicked, this, &TfrmGeneral::btTestClick);
    // A looping test is of the file that was named; another name stops it.
    connect(edAlarmFile_, &QLineEdit::textEdited, this, [this] {
        if (btTest_->text() != tr("Test")) stopTestSound();
    });
    layout->addWidget(cbAlarm_, 0, 0, 1, 3);
    layout->addWidget(cbRepeat_, 1, 0, 1, 3);
    layout->addWidget(edAlarmFile_, 2, 0);
    layout->addWidget(browse, 2, 1);
    layout->addWidget(btTest_, 2, 2);
    return pnlSound_;
}

QWidget* TfrmGeneral::createStartUpPage() {
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewPage(layout);
    layout->addWidget(Text(
        tr("If this option is checked, the next time you start up Kelvane, it will not display "
           "the main screen.  It instead will start up on the system tray located on the status "
           "bar.")));
    layout->addWidget(
        Text(tr("Use this option if you are automatically checking new e-mail in the background.  "
                "Changes will not take effect until the next time you launch Kelvane.")));
    layout->addWidget(
        Text(tr("To start from the system tray, right click on the small hammer "
                "icon representing Kelvane.")));
    cbSysTray_ = Named<QCheckBox>("cbSysTray", tr("Start Kelvane up in the system tray?"));
    layout->addWidget(cbSysTray_);
    layout->addStretch(1);
    return page;
}

QWidget* TfrmGeneral::createLogPage() {
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewPage(layout);
    layout->addWidget(Text(tr("Store results in activity log file:")));
    auto* file = new QHBoxLayout;
    edLog_ = Named<QLineEdit>("Edit1");
    auto* browse = Named<QPushButton>("btBrowseLog", tr("..."));
    browse->setToolTip(tr("Browse for log file"));
    connect(browse, &QPushButton::clicked, this, &TfrmGeneral::browseLog);
    file->addWidget(edLog_, 1);
    file->addWidget(browse);
    layout->addLayout(file);

    rbAsIs_ =
        Named<QRadioButton>("rbAsIs", tr("&Use the name of the log file AS IS (no changes)?"));
    rbMonth_ = Named<QRadioButton>(
        "rbMonth",
        tr("Automatically pick a new name every &month? (i.e. Jan98.txt, Feb98.txt, ...)"));
    rbQuarter_ = Named<QRadioButton>(
        "rbQuarter",
        tr("Automatically pick a new name every &quarter? (Q1_98.txt, Q2_98.txt, ...)"));
    auto* naming = new QButtonGroup(page);
    for (QRadioButton* button : {rbAsIs_, rbMonth_, rbQuarter_}) {
        naming->addButton(button);
        layout->addWidget(button);
    }
    rbAsIs_->setChecked(true);
    layout->addWidget(createLogButtons());

    auto* count = new QHBoxLayout;
    lblCount_ = Named<QLabel>("lblCount");
    lblCount_->setTextFormat(Qt::PlainText);
    count->addWidget(lblCount_);
    count->addWidget(Text(tr("Spams have been deleted up till now"), false));
    count->addStretch(1);
    layout->addLayout(count);
    layout->addStretch(1);
    return page;
}

QWidget* TfrmGeneral::createLogButtons() {
    auto* buttons = new QWidget;
    auto* row = new QHBoxLayout(buttons);
    auto* view = Named<QPushButton>("btViewLog", tr("&View log file"));
    auto* clear = Named<QPushButton>("btClearLog", tr("&Clear log file"));
    auto* reset = Named<QPushButton>("btResetCounter", tr("&Reset counter"));
    btStatistics_ = Named<QPushButton>("btStatistics", tr("View &Statistics"));
    btStatistics_->hide();
    connect(view, &QPushButton::clicked, this, &TfrmGeneral::viewLog);
    connect(clear, &QPushButton::clicked, this, &TfrmGeneral::clearLog);
    connect(reset, &QPushButton::clicked, this, &TfrmGeneral::resetCounter);
    connect(btStatistics_, &QPushButton::clicked, this, [this] {
        if (showStatistics_) showStatistics_();
    });
    for (QPushButton* button : {view, clear, reset, btStatistics_}) row->addWidget(button);
    row->addStretch(1);
    return buttons;
}

QWidget* TfrmGeneral::createMailProgramPage() {
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewPage(layout);
    layout->addWidget(Text(tr("Mail program path/name:")));
    auto* path = new QHBoxLayout;
    edMail_ = Named<QLineEdit>("edMail");
    auto* find = Named<QPushButton>("btFindMail", tr("..."));
    find->setToolTip(tr("Find mail program"));
    connect(find, &QPushButton::clicked, this, &TfrmGeneral::findMail);
    path->addWidget(edMail_, 1);
    path->addWidget(find);
    layout->addLayout(path);
    layout->addWidget(Text(tr("Kelvane does not support AOL, MSN  or Compuserve mail.  Sorry.")));
    auto* launch = Named<QPushButton>("btLaunchMail", tr("Launch mail program"));
    connect(launch, &QPushButton::clicked, this,
            [this] { services_.launchMailProgram(edMail_->text().toStdString()); });
    layout->addWidget(launch, 0, Qt::AlignLeft);
    layout->addStretch(1);
    return page;
}

QWidget* TfrmGeneral::createButtons() {
    // Made inside the window, so that OK can become the window's default button.
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    QPushButton* help = buttons->addButton(tr("Help"), QDialogButtonBox::HelpRole);
    ok->setObjectName(QStringLiteral("btOK"));
    ok->setDefault(true);
    cancel->setObjectName(QStringLiteral("btCancel"));
    help->setObjectName(QStringLiteral("btHelp"));
    connect(ok, &QPushButton::clicked, this, &TfrmGeneral::btOKClick);
    connect(cancel, &QPushButton::clicked, this, &TfrmGeneral::reject);
    connect(help, &QPushButton::clicked, this, &TfrmGeneral::btHelpClick);
    return buttons;
}

void TfrmGeneral::fillDialUpList() {
    rasList_->addItem(tr("None"));
    // The entry's own name rides along: what is shown is only made safe to show.
    for (const std::string& entry : services_.dialUpEntries()) {
        rasList_->addItem(ShownText(entry), QByteArray::fromStdString(entry));
    }
}

}  // namespace kelvane
