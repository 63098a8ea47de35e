#include "DisplayText.h"
#include "ProgramPaths.h"
#include "ProgramWindows.h"
#include "SingleInstance.h"
#include "WindowEventPump.h"

#include <QApplication>
#include <QIcon>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>

namespace kelvane {
namespace {

int RunProgram(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvane"));
    QApplication::setOrganizationName(QStringLiteral("Tarnwick Corporation"));
    QApplication::setApplicationVersion(QStringLiteral(KELVANE_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/kelvane.svg")));

    // A second start brings the first copy forward instead.
    SingleInstance guard(
        SingleInstance::DefaultName(QString::fromStdString(paths::SettingsFile())));
    if (!guard.tryBecomeFirst()) return 0;

    ProgramWindows program(paths::ProgramDirectory(), paths::SettingsFile());
    QObject::connect(&guard, &SingleInstance::showRequested,
                     [&program] { program.window().showApplication(); });
    // Relative names given to other programs (the mail program) start from here.
    std::error_code ignored;
    std::filesystem::current_path(program.session().folder, ignored);
    InstallWindowEventPump();
    program.Start();
    const int result = app.exec();
    RemoveWindowEventPump();
    program.Finish();
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
