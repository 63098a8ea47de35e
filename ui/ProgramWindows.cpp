#include "ProgramWindows.h"

#include <QDialog>
#include <filesystem>
#include <system_error>

#include "LocaleListDate.h"
#include "ShippedDefaults.h"
#include "TfrmGeneral.h"
#include "TfrmMailProgramSearch.h"

namespace kelvane {
namespace {

constexpr int kTimeOutSeconds = 120;

bool SettingsFileMissing(const std::string& settingsFile) {
    std::error_code error;
    return !std::filesystem::exists(settingsFile, error) && !error;
}

}  // namespace

ProgramWindows::ProgramWindows(const std::string& folder, const std::string& settingsFile,
                               GeneralWindowServices generalServices, MessageBoxes* boxes)
    : realBoxes_(&window_),
      boxes_(boxes != nullptr ? *boxes : realBoxes_),
      frontEnd_(window_, boxes_),
      firstStart_(SettingsFileMissing(settingsFile)),
      session_(folder, settingsFile, frontEnd_),
      generalServices_(std::move(generalServices)) {
    frontEnd_.setRun(&session_.run);
    session_.client.TimeOut = kTimeOutSeconds;
    session_.run.SetDateFormatter(LocaleListDate(QLocale::system()));
}

ProgramWindows::~ProgramWindows() = default;

GeneralWindowServices ProgramWindows::completeServices(GeneralWindowServices services) {
    if (!services.findMailProgram) {
        services.findMailProgram = [this]() -> std::optional<std::string> {
            TfrmMailProgramSearch search(boxes_, general_.get());
            if (search.exec() != QDialog::Accepted) return std::nullopt;
            return search.selectedProgram();
        };
    }
    if (!services.launchMailProgram) {
        services.launchMailProgram = [this](const std::string& program) {
            window_.launchMailProgram(program);
        };
    }
    return services;
}

void ProgramWindows::Start() {
    for (const std::string& problem : CopyShippedDefaults(session_.folder)) boxes_.Error(problem);
    for (const std::string& problem : session_.Load()) boxes_.Error(problem);
    general_ = std::make_unique<TfrmGeneral>(
        session_.model, session_.store, session_.spam, boxes_, session_.folder,
        completeServices(std::move(generalServices_)), &window_);
    window_.setGeneralSettingsOpener([this] { openGeneralSettings(); });
    window_.attachRun(session_.run, boxes_);
    window_.setStartedInTray(session_.model.general.sysTray);
    if (window_.startedInTray())
        window_.hideApplication();
    else
        window_.show();
    if (firstStart_) {
        general_->selectMailboxesPage();
        openGeneralSettings();
    }
}

// Modal, but without a loop of its own: the request may come from inside a run, which returns
// while the window stays open.
void ProgramWindows::openGeneralSettings() {
    if (general_->isVisible()) return;
    general_->setWindowModality(Qt::ApplicationModal);
    general_->show();
    general_->raise();
    general_->activateWindow();
}

void ProgramWindows::Finish() {
    if (general_) general_->saveAtProgramEnd();
}

}  // namespace kelvane
