// How long the main window takes to list a mailbox: the real window, its front end and a check
// session over the settings store and program folder kelvane-check would use ($XDG_CONFIG_HOME,
// $KELVANE_DATA_DIR), with the window program's event pump and date format. One check of the
// selected mailbox, shown, then the window closes and logs out.
//   WindowListingBench [--expect=N]
// Prints "N rows listed in T ms"; exits 1 when a box was shown, the check did not end cleanly
// or, with --expect, the list does not hold N rows. Run it with QT_QPA_PLATFORM=offscreen when
// there is no display; bench/window-listing.sh runs it next to kelvane-check.
#include <QApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "CheckSession.h"
#include "DisplayText.h"
#include "LocaleListDate.h"
#include "MessageListModel.h"
#include "ProgramPaths.h"
#include "TfrmMain.h"
#include "WindowEventPump.h"
#include "WindowFrontEnd.h"

namespace kelvane {
namespace {

constexpr int kTimeOutSeconds = 120;

// A box would wait for a click nobody gives; its text goes to standard error instead and the
// run counts as failed.
class ConsoleBoxes : public MessageBoxes {
  public:
    void Error(const std::string& text) override { Print("error", text); }
    void Warning(const std::string& text) override { Print("warning", text); }
    void Information(const std::string& text) override { Print("information", text); }
    bool Confirm(const std::string& text) override {
        Print("confirm", text);
        return false;
    }
    int shown = 0;

  private:
    void Print(const char* kind, const std::string& text) {
        std::cerr << kind << ": " << SafeDisplayText(text) << "\n";
        ++shown;
    }
};

std::optional<int> ExpectedRows(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.starts_with("--expect=")) return std::stoi(std::string(arg.substr(9)));
    }
    return std::nullopt;
}

int Run(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::optional<int> expected = ExpectedRows(argc, argv);
    ConsoleBoxes boxes;
    TfrmMain window;
    WindowFrontEnd frontEnd(window, boxes);
    CheckSession session(paths::ProgramDirectory(), paths::SettingsFile(), frontEnd);
    frontEnd.setRun(&session.run);
    session.client.TimeOut = kTimeOutSeconds;
    session.run.SetDateFormatter(LocaleListDate(QLocale::system()));
    for (const std::string& problem : session.Load()) boxes.Warning(problem);
    InstallWindowEventPump();
    window.attachRun(session.run, boxes);
    window.show();

    QElapsedTimer timer;
    timer.start();
    session.run.setCurrentMailbox(ValidMailboxNumber(session.model.accounts.which));
    const RunOutcome outcome = session.run.Check({.chooseMailbox = false});
    // What is still queued for the window is part of showing the list.
    QCoreApplication::processEvents();
    const qint64 elapsed = timer.elapsed();

    const int rows = window.messageList().rowCount();
    window.close();
    RemoveWindowEventPump();
    std::printf("%d rows listed in %lld ms\n", rows, static_cast<long long>(elapsed));
    const bool complete = !expected || rows == *expected;
    if (!complete) std::cerr << "error: expected " << *expected << " rows\n";
    return outcome == RunOutcome::Done && boxes.shown == 0 && complete ? 0 : 1;
}

}  // namespace
}  // namespace kelvane

int main(int argc, char** argv) {
    try {
        return kelvane::Run(argc, argv);
    } catch (const std::exception& error) {
        kelvane::RemoveWindowEventPump();
        std::cerr << "error: " << kelvane::SafeDisplayText(error.what()) << "\n";
        return 1;
    }
}
