#include "DeletedJunkServices.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <memory>

namespace kelvane {
namespace {

std::optional<std::string> ChooseRestoreFile(QWidget* parent, QString& folder,
                                             const std::string& suggested) {
    QFileDialog dialog(parent, QObject::tr("Restore the deleted message to"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The quarantine never replaces a file; the error names the one that exists.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilter(QObject::tr("E-mail messages (*.eml);;All files (*)"));
    dialog.setDefaultSuffix(QStringLiteral("eml"));
    dialog.setDirectory(folder);
    dialog.selectFile(QString::fromStdString(suggested));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString chosen = dialog.selectedFiles().first();
    folder = QFileInfo(chosen).absolutePath();
    return chosen.toStdString();
}

bool StartDetached(const std::vector<std::string>& command) {
    if (command.empty()) return false;
    QStringList arguments;
    for (std::size_t i = 1; i < command.size(); ++i)
        arguments << QString::fromStdString(command[i]);
    return QProcess::startDetached(QString::fromStdString(command.front()), arguments);
}

}  // namespace

void CompleteDeletedJunkServices(DeletedJunkServices& services, QWidget* dialogParent) {
    if (!services.chooseRestoreFile) {
        // The next restore starts in the folder the last one went to.
        auto folder = std::make_shared<QString>(QDir::homePath());
        services.chooseRestoreFile = [dialogParent, folder](const std::string& suggested) {
            return ChooseRestoreFile(dialogParent, *folder, suggested);
        };
    }
    if (!services.mailProgram) services.mailProgram = [] { return std::string(); };
    if (!services.startProgram) services.startProgram = StartDetached;
}

}  // namespace kelvane
