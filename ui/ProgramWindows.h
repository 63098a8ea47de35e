#pragma once

#include <memory>
#include <string>

#include "CheckSession.h"
#include "GeneralWindowServices.h"
#include "QtMessageBoxes.h"
#include "TfrmMain.h"
#include "WindowFrontEnd.h"

namespace kelvane {

class TfrmGeneral;

// The window program's objects in the order they need each other: the main window and its boxes,
// the session that the runs work with, and the settings windows over the session's models.
class ProgramWindows {
  public:
    // `boxes` replaces the real message boxes when given (tests); it must outlive this object.
    ProgramWindows(const std::string& folder, const std::string& settingsFile,
                   GeneralWindowServices generalServices = {}, MessageBoxes* boxes = nullptr);
    ~ProgramWindows();
    ProgramWindows(const ProgramWindows&) = delete;
    ProgramWindows& operator=(const ProgramWindows&) = delete;

    // Loads the session and shows the program. Without a settings file (a first start) the
    // General settings window opens on its "Mailboxes" page, so the user sets up a mailbox.
    void Start();
    // The program's end: the general options written as the settings window holds them.
    void Finish();

    TfrmMain& window() { return window_; }
    TfrmGeneral& generalSettings() { return *general_; }
    CheckSession& session() { return session_; }

  private:
    void openGeneralSettings();
    GeneralWindowServices completeServices(GeneralWindowServices services);

    TfrmMain window_;
    QtMessageBoxes realBoxes_;
    MessageBoxes& boxes_;
    WindowFrontEnd frontEnd_;
    bool firstStart_;
    CheckSession session_;
    GeneralWindowServices generalServices_;
    std::unique_ptr<TfrmGeneral> general_;
};

}  // namespace kelvane
