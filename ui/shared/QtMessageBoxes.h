#pragma once

#include "MessageBoxes.h"

class QWidget;

namespace kelvane {

// The program's message boxes as real modal boxes over `parent`, titled with the program's name.
class QtMessageBoxes : public MessageBoxes {
  public:
    explicit QtMessageBoxes(QWidget* parent = nullptr) : parent_(parent) {}

    void Error(const std::string& text) override;
    void Warning(const std::string& text) override;
    void Information(const std::string& text) override;
    bool Confirm(const std::string& text) override;

  private:
    QWidget* parent_;
};

}  // namespace kelvane
