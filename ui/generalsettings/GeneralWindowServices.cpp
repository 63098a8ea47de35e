#include "GeneralWindowServices.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>

#include "AlarmPlayer.h"
#include "MessageBoxes.h"
#include "PeerFolder.h"
#include "ProgramPaths.h"
#include "TagRas.h"

namespace kelvane {
namespace {

std::vector<std::string> DialUpPeers() {
    int error = 0;
    return PeerNames(TagRas::kPeersFolder, error);
}

bool OpenWithDesktop(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

std::optional<std::string> RunFileDialog(QWidget* parent, QFileDialog::AcceptMode mode,
                                         const QString& filter, const QString& suffix,
                                         const std::string& current) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(suffix);
    if (!current.empty()) dialog.selectFile(QString::fromStdString(current));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

}  // namespace

void CompleteGeneralWindowServices(GeneralWindowServices& services,
                                   const std::string& programFolder, MessageBoxes& boxes,
                                   QWidget* dialogParent) {
    if (!services.dialUpEntries) services.dialUpEntries = DialUpPeers;
    if (!services.findMailProgram) {
        services.findMailProgram = [] { return std::optional<std::string>(); };
    }
    if (!services.launchMailProgram) services.launchMailProgram = [](const std::string&) {};
    if (!services.openFile) services.openFile = OpenWithDesktop;
    if (!services.openBrowser) {
        services.openBrowser = [](const std::string& url) {
            return QDesktopServices::openUrl(QUrl::fromEncoded(QByteArray::fromStdString(url)));
        };
    }
    if (!services.showHelp) {
        services.showHelp = [programFolder, &boxes](int topic) {
            QUrl url = QUrl::fromLocalFile(
                QString::fromStdString(paths::JoinPath(programFolder, paths::kHelpFile)));
            url.setFragment(QStringLiteral("topic%1").arg(topic));
            if (!QDesktopServices::openUrl(url))
                boxes.Error("Unable to open help file - kelvane.hlp.");
        };
    }
    if (!services.browseSoundFile) {
        services.browseSoundFile = [dialogParent](const std::string& current) {
            return RunFileDialog(dialogParent, QFileDialog::AcceptOpen,
                                 QStringLiteral("Sound files (*.wav);;All files (*)"),
                                 QStringLiteral("wav"), current);
        };
    }
    if (!services.browseLogFile) {
        services.browseLogFile = [dialogParent](const std::string& current) {
            return RunFileDialog(dialogParent, QFileDialog::AcceptSave,
                                 QStringLiteral("Text files (*.txt);;All files (*)"),
                                 QStringLiteral("txt"), current);
        };
    }
    if (!services.today) services.today = SystemLocalTime;
    if (services.autostartConfigHome.empty()) {
        services.autostartConfigHome = services.discovery.configHome;
    }
    if (services.programPath.empty()) {
        services.programPath = QCoreApplication::applicationFilePath().toStdString();
    }
    if (!services.sound) services.sound = std::make_shared<QtSoundPlayer>();
    if (!services.alarm) {
        auto alarm = std::make_shared<AlarmPlayer>(services.sound);
        services.alarm = [alarm](bool on, const std::string& file, bool repeat) {
            alarm->playAlarmSound(on, file, repeat);
        };
    }
}

}  // namespace kelvane
