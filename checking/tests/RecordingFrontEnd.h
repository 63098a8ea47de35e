#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "CheckFrontEnd.h"
#include "RecordingMessageBoxes.h"

namespace kelvane::testsupport {

// Writes down the statuses, boxes and requests of a run; answers the picker from `pick`.
class RecordingFrontEnd : public CheckFrontEnd {
  public:
    void Error(const std::string& text) override { boxes.Error(text); }
    void Warning(const std::string& text) override { boxes.Warning(text); }
    void Information(const std::string& text) override { boxes.Information(text); }
    bool Confirm(const std::string& text) override { return boxes.Confirm(text); }
    std::optional<int> PickMailbox(int current,
                                   const std::vector<MailboxChoice>& choices) override {
        pickerCurrent = current;
        pickerEntries.clear();
        for (const MailboxChoice& choice : choices) pickerEntries.push_back(choice.text);
        return pick;
    }
    void ShowStatus(const std::string& text) override {
        statuses.push_back(text);
        if (onStatus) onStatus(text);
    }
    void ShowProgressWindow(const std::string& title) override {
        requests.push_back("show " + title);
    }
    void HideProgressWindow() override { requests.push_back("hide"); }
    void ShowProgressMessage(const std::string&) override {}
    void ShowProgressBar(int, int) override {}
    void RowsReset() override {}
    void RowAppended(int) override {}
    void MarksChanged() override {}
    void SetBusy(bool busy) override { requests.push_back(busy ? "busy" : "idle"); }
    void OpenGeneralSettings() override { requests.push_back("general settings"); }
    void LaunchMailProgram() override { requests.push_back("launch"); }
    void CloseProgram() override { requests.push_back("close"); }
    bool OfferTrust(const std::string& reason, const TlsCertificate& certificate) override {
        requests.push_back("offer trust: " + reason + " (" + certificate.fingerprint + ")");
        return trust;
    }

    RecordingMessageBoxes boxes;
    std::vector<std::string> statuses;
    std::vector<std::string> requests;
    std::function<void(const std::string&)> onStatus;
    std::optional<int> pick;
    bool trust = false;  // the answer to OfferTrust
    int pickerCurrent = 0;
    std::vector<std::string> pickerEntries;
};

}  // namespace kelvane::testsupport
