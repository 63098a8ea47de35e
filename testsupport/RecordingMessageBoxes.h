#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "MessageBoxes.h"

namespace kelvane::testsupport {

// Remembers every box shown, as "error: text", "warning: text", "information: text" or
// "confirm: text", and answers confirmations from a queue (Yes when it is empty).
class RecordingMessageBoxes : public MessageBoxes {
  public:
    void Error(const std::string& text) override { Show("error: " + text); }
    void Warning(const std::string& text) override { Show("warning: " + text); }
    void Information(const std::string& text) override { Show("information: " + text); }
    bool Confirm(const std::string& text) override {
        Show("confirm: " + text);
        if (answers.empty()) return true;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<std::string> shown;
    std::deque<bool> answers;
    // Called with each box as it is shown, while the code that showed it waits.
    std::function<void(const std::string&)> onShown;

  private:
    void Show(const std::string& box) {
        shown.push_back(box);
        if (onShown) onShown(box);
    }
};

}  // namespace kelvane::testsupport
