#include "QtMessageBoxes.h"

#include <QMessageBox>

namespace kelvane {

namespace {

const QString kTitle = QStringLiteral("Kelvane");

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

void QtMessageBoxes::Error(const std::string& text) {
    QMessageBox::critical(parent_, kTitle, Text(text));
}

void QtMessageBoxes::Warning(const std::string& text) {
    QMessageBox::warning(parent_, kTitle, Text(text));
}

void QtMessageBoxes::Information(const std::string& text) {
    QMessageBox::information(parent_, kTitle, Text(text));
}

bool QtMessageBoxes::Confirm(const std::string& text) {
    return QMessageBox::question(parent_, kTitle, Text(text), QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

}  // namespace kelvane
