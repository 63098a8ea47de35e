#include "QtMessageBoxes.h"

#include "ShownText.h"

#include <QMessageBox>

namespace kelvane {

namespace {

const QString kTitle = QStringLiteral("Kelvane");

// The texts are often a server's reply or a file's contents: made safe and shown as plain text,
// never as markup.
QMessageBox::StandardButton Show(QWidget* parent, QMessageBox::Icon icon, const std::string& text,
                                 QMessageBox::StandardButtons buttons = QMessageBox::Ok) {
    QMessageBox box(icon, kTitle, ShownLines(text), buttons, parent);
    box.setTextFormat(Qt::PlainText);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

void QtMessageBoxes::Error(const std::string& text) {
    Show(parent_, QMessageBox::Critical, text);
}

void QtMessageBoxes::Warning(const std::string& text) {
    Show(parent_, QMessageBox::Warning, text);
}

void QtMessageBoxes::Information(const std::string& text) {
    Show(parent_, QMessageBox::Information, text);
}

bool QtMessageBoxes::Confirm(const std::string& text) {
    return Show(parent_, QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

}  // namespace kelvane
