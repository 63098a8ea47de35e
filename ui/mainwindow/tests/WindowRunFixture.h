#pragma once

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QTreeView>
#include <stdexcept>
#include <string>
#include <vector>

#include "ActivityLog.h"
#include "CheckRun.h"
#include "DomainChecker.h"
#include "GeneralSettings.h"
#include "KnownSpammers.h"
#include "RecordingMessageBoxes.h"
#include "SettingsStore.h"
#include "SpamSettings.h"
#include "TempFolder.h"
#include "TfrmMain.h"
#include "TmsRemotePOP.h"
#include "WindowFrontEnd.h"

namespace kelvane::windowtest {

// Every domain exists, unless a test hands the lookups to a real checker.
class AllDomainsExist : public DomainChecker {
  public:
    DomainAnswer CheckDomainExists(const std::string& domain) override {
        return real ? real->CheckDomainExists(domain) : DomainAnswer::Exists;
    }
    void Cancel() override {
        if (real) real->Cancel();
    }
    void ClearCancel() override {
        if (real) real->ClearCancel();
    }

    DomainChecker* real = nullptr;
};

// The window's own front end that also notes, whenever the run shows a status, what the status
// panel reads, how many rows the list holds and what the progress window's title reads at that
// moment.
class WatchedFrontEnd : public WindowFrontEnd {
  public:
    WatchedFrontEnd(TfrmMain& window, MessageBoxes& boxes);
    void ShowStatus(const std::string& text) override;

    std::vector<std::string> panelTexts;
    std::vector<int> rowCounts;
    std::vector<std::string> progressTitles;

  private:
    TfrmMain& window_;
};

// The main window wired to a real run over mailbox 1 (password "pw"), shown offscreen. Mailbox 3
// is configured but not checked, so that every listing logs out and no picker is asked. The
// settings and the log live in a temp folder; every domain exists; dates are written as in the
// United States, whatever the machine's locale.
class WindowRunFixture : public ::testing::Test {
  protected:
    WindowRunFixture();
    ~WindowRunFixture() override;
    void SetUp() override;

    // Mailbox `n` in both the store and the model.
    void Configure(int n, const std::string& address, const std::string& user, bool check);

    template <typename T>
    T* child(const char* name) {
        T* found = window.findChild<T*>(QLatin1String(name));
        if (!found) throw std::runtime_error(std::string("no widget named ") + name);
        return found;
    }
    QTreeView* list() { return child<QTreeView>("ListView1"); }
    int listedRows() { return list()->model()->rowCount(); }
    // What the list shows in `column` of `row`.
    QString cellText(int row, int column);
    QPushButton* button(const char* name) { return child<QPushButton>(name); }
    QString status() { return child<QLabel>("pnlStatus")->text(); }
    std::string LogText() const;
    std::vector<std::string> ListedSubjects();
    // Back from a run: "E&xit", checking possible, no progress window, still shown.
    void ExpectIdle();

    testsupport::TempFolder folder;
    SettingsStore store;
    GeneralSettingsModel model;
    SpamSettings spam;
    KnownSpammers known;
    AllDomainsExist domains;
    TmsRemotePOP client;
    ActivityLog log;
    testsupport::RecordingMessageBoxes boxes;
    TfrmMain window;
    WatchedFrontEnd front;
    CheckRun run;
};

}  // namespace kelvane::windowtest
