#pragma once

#include <deque>
#include <string>
#include <vector>

#include "MessageBoxes.h"

namespace kelvane::testsupport {

// Remembers every box shown, as "error: text", "warning: text", "information: text" or
// "confirm: text", and answers confirmations from a queue (Yes when it is empty).
class RecordingMessageBoxes : public MessageBoxes {
  public:
    void Error(const std::string& text) override { shown.push_back("error: " + text); }
    void Warning(const std::string& text) override { shown.push_back("warning: " + text); }
    void Information(const std::string& text) override { shown.push_back("information: " + text); }
    bool Confirm(const std::string& text) override {
        shown.push_back("confirm: " + text);
        if (answers.empty()) return true;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<std::string> shown;
    std::deque<bool> answers;
};

}  // namespace kelvane::testsupport
