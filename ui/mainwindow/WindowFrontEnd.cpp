#include "WindowFrontEnd.h"

#include "CheckRun.h"
#include "EventPump.h"
#include "MessageListModel.h"
#include "ShownText.h"
#include "TfrmMain.h"
#include "TfrmRetrieving.h"
#include "TfrmTrustCertificate.h"
#include "TfrmWhichMailbox.h"
#include "TmsRemotePOP.h"

namespace kelvane {

WindowFrontEnd::WindowFrontEnd(TfrmMain& window, MessageBoxes& boxes)
    : window_(window), boxes_(boxes) {}

WindowFrontEnd::~WindowFrontEnd() {
    window_.showRows(nullptr);
}

void WindowFrontEnd::setRun(CheckRun* run) {
    run_ = run;
    window_.showRows(run_ ? &run_->rows() : nullptr);
}

std::optional<int> WindowFrontEnd::PickMailbox(int current,
                                               const std::vector<MailboxChoice>& choices) {
    TfrmWhichMailbox picker(choices, current, boxes_, &window_);
    if (picker.exec() != QDialog::Accepted) return std::nullopt;
    return picker.chosenMailbox();
}

bool WindowFrontEnd::OfferTrust(const std::string& reason, const TlsCertificate& certificate) {
    TfrmTrustCertificate dialog(reason, certificate, &window_);
    return dialog.exec() == QDialog::Accepted;
}

void WindowFrontEnd::ShowStatus(const std::string& text) {
    window_.setStatusText(ShownText(text));
}

void WindowFrontEnd::ShowProgressWindow(const std::string& title) {
    // An unattended check of a program hidden in the tray works out of sight.
    if (quiet_ && quiet_()) return;
    window_.showProgressFor(ShownText(title), ShownText(run_->client().UserName),
                            ShownText(run_->client().Server));
}

void WindowFrontEnd::HideProgressWindow() {
    window_.hideProgressWindow();
}

void WindowFrontEnd::ShowProgressMessage(const std::string& text) {
    window_.progressWindow().setMessage(ShownText(text));
}

void WindowFrontEnd::ShowProgressBar(int maximum, int position) {
    TfrmRetrieving& progress = window_.progressWindow();
    if (maximum == 0)
        progress.hideProgress();
    else
        progress.setProgress(position, maximum);
}

void WindowFrontEnd::RowsReset() {
    window_.messageList().rowsReset();
}

// Rows from kept header blocks come without a network wait in between: the window shows them
// and sees a Cancel as they come, as often as the pump allows.
void WindowFrontEnd::RowAppended(int index) {
    window_.messageList().rowAppended(index);
    PumpEvents();
}

void WindowFrontEnd::MarksChanged() {
    window_.messageList().marksChanged();
}

void WindowFrontEnd::SetBusy(bool busy) {
    if (busy) {
        if (runStarting_) runStarting_();
        window_.disableAllButtons();
    } else {
        window_.enableAllButtons();
    }
}

// The run's own steps: the gate lets them through while the run is on the stack.
void WindowFrontEnd::OpenGeneralSettings() {
    window_.openGeneralSettings(Origin::RunStep);
}

void WindowFrontEnd::LaunchMailProgram() {
    window_.launchMailProgram(Origin::RunStep);
}

void WindowFrontEnd::CloseProgram() {
    if (window_.startedInTray())
        window_.hideApplication();
    else
        window_.close();
}

}  // namespace kelvane
