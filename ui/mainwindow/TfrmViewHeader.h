#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QLabel;
class QPlainTextEdit;

namespace kelvane {

// The text viewer of the message list: why a message was marked, the header blocks of messages,
// or the body of one. The lines come from outside and are shown as plain text, never run.
class TfrmViewHeader : public QDialog {
    Q_OBJECT

  public:
    enum class Use { Headers, Reasons, Body };

    explicit TfrmViewHeader(QWidget* parent = nullptr);

    void setUse(Use use);
    void setLines(const std::vector<std::string>& lines);
    QString titleText() const;
    QString text() const;

  private:
    QLabel* lblTitle_ = nullptr;
    QPlainTextEdit* memo_ = nullptr;
};

}  // namespace kelvane
