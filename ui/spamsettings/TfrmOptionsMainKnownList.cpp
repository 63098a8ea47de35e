// The known spammers page's editor: shown read-only, edited on request, saved back to its file.
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextDocument>
#include <filesystem>

#include "AtomicFile.h"
#include "KnownListText.h"
#include "KnownSpammers.h"
#include "MessageBoxes.h"
#include "ProgramPaths.h"
#include "TfrmOptionsMain.h"

namespace kelvane {

std::string TfrmOptionsMain::knownFile() const {
    return paths::JoinPath(folder_, paths::kKnownSpammersFile);
}

// Read-only and grey until "&Edit".
void TfrmOptionsMain::LoadMemoofKnownSpammers() {
    setKnownEditable(false);
    btKnownSave_->setEnabled(false);
    btKnownCancel_->setEnabled(false);
    std::optional<std::string> text;
    try {
        text = ReadWholeFile(knownFile());
    } catch (const FileError& error) {
        boxes_.Error(error.what());
    }
    const bool found = text.has_value();
    for (QPushButton* button : {btKnownEdit_, btKnownSave_, btKnownCancel_}) {
        button->setVisible(found);
    }
    pnlKnown_->setText(found ? QString() : tr("Could not locate the known spammer blacklist!"));
    pnlKnown_->setVisible(!found);
    knownText_ = KnownListText(found ? *text : std::string());
    memo1_->setPlainText(QString::fromStdString(knownText_.shown()));
}

// The editor's text with its line breaks as LF; unlike toPlainText it keeps no-break spaces, so
// that a line the user did not touch reads back as it was shown.
std::string TfrmOptionsMain::knownEditorText() const {
    QString text = memo1_->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text.toStdString();
}

// White while it takes typing, grey like a button face while it does not.
void TfrmOptionsMain::setKnownEditable(bool editable) {
    memo1_->setReadOnly(!editable);
    QPalette colours = memo1_->palette();
    const QPalette standard = QApplication::palette(memo1_);
    colours.setColor(QPalette::Base,
                     editable ? standard.color(QPalette::Base) : standard.color(QPalette::Button));
    memo1_->setPalette(colours);
}

bool TfrmOptionsMain::knownEditing() const {
    return btKnownSave_->isEnabled();
}

void TfrmOptionsMain::editKnownClicked() {
    setKnownEditable(true);
    memo1_->setFocus();
    btKnownSave_->setEnabled(true);
    btKnownCancel_->setEnabled(true);
}

void TfrmOptionsMain::cancelKnownClicked() {
    LoadMemoofKnownSpammers();
    updateCounts();
}

void TfrmOptionsMain::saveKnownClicked() {
    saveKnownList();
}

// Rebuilds the blacklist from the editor and writes it to its file, lines the user did not touch
// keeping their bytes. A write that fails says why and leaves the edits in the editor, still
// editable, so that nothing typed is lost.
bool TfrmOptionsMain::saveKnownList() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    pnlKnown_->setText(tr("Re-building list ... stand by"));
    pnlKnown_->show();
    setKnownEditable(false);
    btKnownSave_->setEnabled(false);
    btKnownCancel_->setEnabled(false);
    const int top = memo1_->verticalScrollBar()->value();
    const std::string edited = knownEditorText();
    KnownSpammers rebuilt;
    rebuilt.Assign(KnownListFromEditor(knownText_.FileText(edited)));
    if (!knownText_.unchanged(edited) && std::filesystem::exists(knownFile())) {
        try {
            WriteKnownListFile(knownFile(), rebuilt.entries());
        } catch (const FileError& error) {
            QApplication::restoreOverrideCursor();
            pnlKnown_->hide();
            editKnownClicked();
            boxes_.Error(error.what());
            return false;
        }
    }
    known_ = std::move(rebuilt);
    LoadMemoofKnownSpammers();
    memo1_->verticalScrollBar()->setValue(top);
    updateCounts();
    QApplication::restoreOverrideCursor();
    return true;
}

}  // namespace kelvane
