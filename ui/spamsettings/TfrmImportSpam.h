#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QLabel;
class QPlainTextEdit;

namespace kelvane {

// "Import new keywords": lines pasted or typed in, one rule each.
class TfrmImportSpam : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmImportSpam(QWidget* parent = nullptr);

    // "Import spam keywords" unless changed (the exceptions import addresses).
    void setTitle(const QString& title);
    // The lines given with OK, a line equal to the one before it left out.
    std::vector<std::string> lines() const;

  private:
    QLabel* lblTitle_ = nullptr;
    QPlainTextEdit* memo_ = nullptr;
};

}  // namespace kelvane
