#pragma once

#include <optional>
#include <string>
#include <vector>

#include "MailboxAccounts.h"
#include "MessageBoxes.h"
#include "TlsCertificate.h"

namespace kelvane {

// What a check or deletion run needs from the program that shows it: only what the run cannot do
// itself. The window program shows real widgets; the command line prints or ignores them.
class CheckFrontEnd : public MessageBoxes {
  public:
    // Offers `choices`, preselecting the one of `current`; the chosen mailbox number, or nothing
    // when the user cancelled.
    virtual std::optional<int> PickMailbox(int current,
                                           const std::vector<MailboxChoice>& choices) = 0;
    // The second status panel.
    virtual void ShowStatus(const std::string& text) = 0;
    // Something the user should know about the run that ended, e.g. that the DNS server did
    // not answer; shown after the run's last status.
    virtual void ShowNotice(const std::string& text) { ShowStatus(text); }
    virtual void ShowProgressWindow(const std::string& title) = 0;
    virtual void HideProgressWindow() = 0;
    virtual void ShowProgressMessage(const std::string& text) = 0;
    // `maximum` 0 hides the progress bar.
    virtual void ShowProgressBar(int maximum, int position) = 0;
    // The run's rows were emptied or replaced as a whole.
    virtual void RowsReset() = 0;
    // Row `index` was added at the end of the rows, with its mark.
    virtual void RowAppended(int index) = 0;
    // Marks of any rows changed; the rows themselves stayed.
    virtual void MarksChanged() = 0;
    // Buttons disabled and the third button reading "Cancel", or back to idle.
    virtual void SetBusy(bool busy) = 0;
    virtual void OpenGeneralSettings() = 0;
    virtual void LaunchMailProgram() = 0;
    // The exit-after-check rule: end the program (or hide it to the tray).
    virtual void CloseProgram() = 0;
    // The server's certificate was refused for `reason`: true when the user chose "Trust this
    // certificate for this mailbox". The run then stores its fingerprint for the mailbox. Where
    // nobody can be asked, the refusal is an error with the certificate's details.
    virtual bool OfferTrust(const std::string& reason, const TlsCertificate& certificate) {
        Error(reason + "\n" + certificate.Details());
        return false;
    }
};

}  // namespace kelvane
