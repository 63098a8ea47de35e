#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "CheckFrontEnd.h"

namespace kelvane {

class CheckRun;
class TfrmMain;

// Shows a check or deletion run in the main window, its progress window and message boxes.
class WindowFrontEnd : public CheckFrontEnd {
  public:
    // `boxes` must outlive the front end.
    WindowFrontEnd(TfrmMain& window, MessageBoxes& boxes);
    // The window stops listing the run's rows, which may be gone already.
    ~WindowFrontEnd() override;
    WindowFrontEnd(const WindowFrontEnd&) = delete;
    WindowFrontEnd& operator=(const WindowFrontEnd&) = delete;
    // The run shown; set once the run exists, before it starts. The window lists its rows until
    // another run is set or the front end goes.
    void setRun(CheckRun* run);
    // While `quiet` answers true, runs show no progress window.
    void setQuiet(std::function<bool()> quiet) { quiet_ = std::move(quiet); }
    // Called as every check, deletion and Auto mark begins (the alarm stops).
    void setRunStarting(std::function<void()> starting) { runStarting_ = std::move(starting); }

    void Error(const std::string& text) override { boxes_.Error(text); }
    void Warning(const std::string& text) override { boxes_.Warning(text); }
    void Information(const std::string& text) override { boxes_.Information(text); }
    bool Confirm(const std::string& text) override { return boxes_.Confirm(text); }
    std::optional<int> PickMailbox(int current, const std::vector<MailboxChoice>& choices) override;
    void ShowStatus(const std::string& text) override;
    void ShowProgressWindow(const std::string& title) override;
    void HideProgressWindow() override;
    void ShowProgressMessage(const std::string& text) override;
    void ShowProgressBar(int maximum, int position) override;
    void RowsReset() override;
    void RowAppended(int index) override;
    void MarksChanged() override;
    void SetBusy(bool busy) override;
    void OpenGeneralSettings() override;
    void LaunchMailProgram() override;
    void CloseProgram() override;
    // Shows the reason and the certificate's details modally; true on "Trust".
    bool OfferTrust(const std::string& reason, const TlsCertificate& certificate) override;

  private:
    TfrmMain& window_;
    MessageBoxes& boxes_;
    CheckRun* run_ = nullptr;
    std::function<bool()> quiet_;
    std::function<void()> runStarting_;
};

}  // namespace kelvane
