// The main window's commands: what each one does once the gate lets it start, and the ways in
// that the window itself offers (its buttons, the run's own steps, the mail program's launch).
#include <QProcess>
#include <QPushButton>

#include "CheckRun.h"
#include "GatedConnect.h"
#include "MailProgramLaunch.h"
#include "MessageBoxes.h"
#include "TfrmMain.h"
#include "TfrmRetrieving.h"

namespace kelvane {

bool TfrmMain::request(Command command, Origin origin) {
    return gate_.Run(command, origin, [this, command] { perform(command); });
}

void TfrmMain::connectRunCommands() {
    bindCommand(btList_, Command::Check);
    bindCommand(btDelete_, Command::Delete);
    bindCommand(btRemark_, Command::AutoMark);
    bindCommand(btMark_, Command::Mark);
    bindCommand(btResetAll_, Command::ResetMarks);
    bindCommand(btLaunch_, Command::LaunchMailProgram);
    connect(&progressWindow(), &TfrmRetrieving::cancelClicked, this,
            [this] { request(Command::Cancel); });
}

void TfrmMain::bindCommand(QPushButton* button, Command command) {
    ConnectGated(gate_, button, command, [this, command] { perform(command); });
}

void TfrmMain::perform(Command command) {
    const auto call = [](const std::function<void()>& open) {
        if (open) open();
    };
    switch (command) {
        case Command::Check:
            run_->Check();
            break;
        case Command::Delete:
            run_->Delete();
            break;
        case Command::AutoMark:
            run_->AutoMark();
            break;
        case Command::Mark:
            markClicked();
            break;
        case Command::ResetMarks:
            resetClicked();
            break;
        case Command::Why:
            whyClicked();
            break;
        case Command::ViewHeaders:
            viewHeaderClicked();
            break;
        case Command::ViewBody:
            viewMessageClicked();
            break;
        case Command::AddToExceptions:
            addToExceptionsClicked();
            break;
        case Command::AddToSpamList:
            addToSpamListClicked();
            break;
        case Command::LaunchMailProgram:
            startMailProgram(run_->mailProgram());
            break;
        case Command::SpamSettings:
            call(openSpamSettings_);
            break;
        case Command::GeneralSettings:
            call(openGeneralSettings_);
            break;
        case Command::Statistics:
            call(openStatistics_);
            break;
        case Command::DeletedJunk:
            call(openDeletedJunk_);
            break;
        case Command::Help:
            call(openHelp_);
            break;
        case Command::About:
            showAbout();
            break;
        case Command::Exit:
        case Command::Cancel:
            exitClicked();
            break;
        default:
            break;  // the tray's and the timer's own, which the program runs itself
    }
}

void TfrmMain::exitClicked() {
    if (busy_ && run_)
        run_->Cancel();
    else if (startedInTray_)
        hideApplication();
    else
        close();
}

void TfrmMain::openGeneralSettings(Origin origin) {
    request(Command::GeneralSettings, origin);
}

void TfrmMain::launchMailProgram(Origin origin) {
    request(Command::LaunchMailProgram, origin);
}

void TfrmMain::launchMailProgram(const std::string& program) {
    gate_.Run(Command::LaunchMailProgram, Origin::User,
              [this, program] { startMailProgram(program); });
}

// Emptying the list is safe here: the gate lets this run only when no run works on the rows,
// or as the deletion run's own last step, after it emptied them.
void TfrmMain::startMailProgram(const std::string& program) {
    runPaused([this, &program] {
        if (IsBlankMailProgram(program)) {
            boxes_->Error(kMailProgramNotSpecified);
            return;
        }
        const std::vector<std::string> command = MailProgramCommand(program);
        QStringList arguments;
        for (std::size_t i = 1; i < command.size(); ++i) {
            arguments << QString::fromStdString(command[i]);
        }
        if (command.empty() ||
            !QProcess::startDetached(QString::fromStdString(command.front()), arguments)) {
            boxes_->Error(kUnableToLaunchMailProgram);
            return;
        }
        disableAllButtons();
        run_->MailProgramLaunched();
        enableAllButtons();
    });
}

}  // namespace kelvane
