#include "CheckSession.h"
#include "DisplayText.h"
#include "LocaleListDate.h"
#include "ProgramPaths.h"
#include "QtMessageBoxes.h"
#include "TfrmMain.h"
#include "WindowEventPump.h"
#include "WindowFrontEnd.h"

#include <QApplication>
#include <QIcon>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>

namespace kelvane {
namespace {

constexpr int kTimeOutSeconds = 120;

int RunProgram(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvane"));
    QApplication::setOrganizationName(QStringLiteral("Tarnwick Corporation"));
    QApplication::setApplicationVersion(QStringLiteral(KELVANE_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/kelvane.svg")));

    TfrmMain window;
    QtMessageBoxes boxes(&window);
    WindowFrontEnd frontEnd(window, boxes);
    CheckSession session(paths::ProgramDirectory(), paths::SettingsFile(), frontEnd);
    frontEnd.setRun(&session.run);
    session.client.TimeOut = kTimeOutSeconds;
    session.run.SetDateFormatter(LocaleListDate(QLocale::system()));
    for (const std::string& problem : session.Load()) boxes.Error(problem);
    // Relative names given to other programs (the mail program, later) start from here.
    std::error_code ignored;
    std::filesystem::current_path(session.folder, ignored);
    InstallWindowEventPump();
    window.attachRun(session.run, boxes);
    window.setStartedInTray(session.model.general.sysTray);
    if (window.startedInTray())
        window.hideApplication();
    else
        window.show();
    const int result = app.exec();
    RemoveWindowEventPump();
    return result;
}

}  // namespace
}  // namespace kelvane

// The commands catch their own errors and show them in a box; whatever escapes before or after
// the window ends the program with a line on standard error, not with an abort.
int main(int argc, char** argv) {
    try {
        return kelvane::RunProgram(argc, argv);
    } catch (const std::exception& error) {
        kelvane::RemoveWindowEventPump();
        std::cerr << "error: " << kelvane::SafeDisplayText(error.what()) << "\n";
        return 1;
    } catch (...) {
        kelvane::RemoveWindowEventPump();
        std::cerr << "error: unknown error\n";
        return 1;
    }
}
