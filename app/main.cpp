#include "ActivityLog.h"
#include "AtomicFile.h"
#include "CheckRun.h"
#include "EventPump.h"
#include "GeneralSettings.h"
#include "KnownSpammers.h"
#include "LogFileNames.h"
#include "MXDomainChecker.h"
#include "ProgramPaths.h"
#include "QtMessageBoxes.h"
#include "SettingsStore.h"
#include "SpamSettings.h"
#include "TfrmMain.h"
#include "TmsRemotePOP.h"
#include "WindowFrontEnd.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <memory>
#include <string>

namespace kelvane {
namespace {

constexpr int kDefaultPort = 110;
constexpr int kTimeOutSeconds = 120;
// The decoders pump after every few lines; the window needs far fewer redraws than that.
constexpr qint64 kPumpIntervalMs = 20;

// Everything the window's runs work with, made once for the whole program.
struct Session {
    Session(const std::string& folder, TfrmMain& window)
        : store(paths::SettingsFile()),
          spam(folder),
          log([this, folder] {
              return CurrentLogFileName(
                  model.general.logfile,
                  LogNamingFrom(model.general.logMonth, model.general.logQuarter),
                  SystemLocalTime(), folder);
          }),
          boxes(&window),
          frontEnd(window, boxes, model.accounts, client),
          run(spam, model, store, client, log, known, domains, frontEnd) {}
    SettingsStore store;
    GeneralSettingsModel model;
    SpamSettings spam;
    KnownSpammers known;
    MXDomainChecker domains;
    TmsRemotePOP client;
    ActivityLog log;
    QtMessageBoxes boxes;
    WindowFrontEnd frontEnd;
    CheckRun run;
};

void LoadSession(Session& session, const std::string& folder) {
    session.model.Load(session.store);
    for (const std::string& problem : session.spam.readSettings()) session.boxes.Error(problem);
    try {
        session.known.LoadUpKnownList(paths::JoinPath(folder, paths::kKnownSpammersFile));
    } catch (const FileError& error) {
        session.boxes.Error(error.what());
    }
    session.client.DefaultPort = kDefaultPort;
    session.client.TimeOut = kTimeOutSeconds;
    session.client.SetMessageDirectory(folder);
    session.frontEnd.setRun(&session.run);
    session.run.CleanUpEMLFiles();
    session.run.LoadCurrentMailbox();
}

void InstallEventPump() {
    auto sinceLast = std::make_shared<QElapsedTimer>();
    sinceLast->start();
    SetEventPump([sinceLast] {
        if (sinceLast->elapsed() < kPumpIntervalMs) return;
        sinceLast->restart();
        QCoreApplication::processEvents();
    });
}

}  // namespace
}  // namespace kelvane

int main(int argc, char** argv) {
    using namespace kelvane;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvane"));
    QApplication::setOrganizationName(QStringLiteral("Tarnwick Corporation"));
    QApplication::setApplicationVersion(QStringLiteral(KELVANE_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/kelvane.svg")));

    TfrmMain window;
    const std::string folder = paths::ProgramDirectory();
    Session session(folder, window);
    LoadSession(session, folder);
    InstallEventPump();
    window.attachRun(session.run, session.client, session.boxes);
    window.show();
    const int result = app.exec();
    SetEventPump({});
    return result;
}
