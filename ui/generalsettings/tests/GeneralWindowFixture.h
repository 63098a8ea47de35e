#pragma once

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QTest>
#include <QWidget>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "DiscoveryTree.h"
#include "GeneralSettings.h"
#include "RecordingMessageBoxes.h"
#include "SettingsStore.h"
#include "SpamSettings.h"
#include "TempFolder.h"
#include "TfrmGeneral.h"

namespace kelvane::testsupport {

// Remembers what the window asked of the sound system.
class RecordingSoundPlayer : public SoundPlayer {
  public:
    void play(const std::string& file, bool loop) override {
        calls.push_back("play " + file + (loop ? " looping" : " once"));
    }
    void stop() override { calls.push_back("stop"); }
    std::vector<std::string> calls;
};

// A general settings window over a store, a program folder and a home of the test's own, with
// every outside effect recorded.
class GeneralWindowFixture : public ::testing::Test {
  protected:
    GeneralWindowFixture() : store_(temp_.File("kelvane.conf")), spam_(temp_.File("program")) {
        std::filesystem::create_directories(programFolder());
        services_.discovery = home_.env;
        services_.dialUpEntries = [] { return std::vector<std::string>(); };
        services_.findMailProgram = [] { return std::optional<std::string>(); };
        services_.launchMailProgram = [this](const std::string& program) {
            launched_.push_back(program);
        };
        services_.openFile = [this](const std::string& path) {
            opened_.push_back(path);
            return openSucceeds_;
        };
        services_.showHelp = [this](int topic) { helpTopics_.push_back(topic); };
        services_.browseSoundFile = [](const std::string&) { return std::optional<std::string>(); };
        services_.browseLogFile = [](const std::string&) { return std::optional<std::string>(); };
        services_.today = [] { return LocalDateTime{2024, 5, 10, 12, 0, 0}; };
        services_.sound = player_;
    }

    std::string programFolder() const { return temp_.File("program"); }

    // Loads the model as the program does, then makes and shows the window.
    TfrmGeneral& open() {
        window_.reset();
        model_.Load(store_);
        window_ = std::make_unique<TfrmGeneral>(model_, store_, spam_, boxes_, programFolder(),
                                                services_);
        window_->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        return *window_;
    }

    // Shows the same window again, as the program does each time the user opens it.
    void reshow() {
        window_->hide();
        window_->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }

    template <typename T>
    T* child(const QString& name) {
        T* found = window_->findChild<T*>(name);
        if (!found) throw std::runtime_error("no widget named " + name.toStdString());
        return found;
    }

    // Clicks a button, check box or radio button, on whichever page it is.
    void click(const QString& name) { child<QAbstractButton>(name)->click(); }

    // Stores mailbox `n` as complete, through the model as the window would.
    void storeAccount(int n, const MailboxAccount& account) {
        GeneralSettingsModel model;
        model.Load(store_);
        model.accounts.Account(n) = account;
        ASSERT_EQ(model.Save(store_), std::nullopt);
    }

    TempFolder temp_;
    DiscoveryTree home_;
    SettingsStore store_;
    SpamSettings spam_;
    GeneralSettingsModel model_;
    RecordingMessageBoxes boxes_;
    std::shared_ptr<RecordingSoundPlayer> player_ = std::make_shared<RecordingSoundPlayer>();
    std::vector<std::string> launched_;
    std::vector<std::string> opened_;
    bool openSucceeds_ = true;
    std::vector<int> helpTopics_;
    GeneralWindowServices services_;
    std::unique_ptr<TfrmGeneral> window_;
};

}  // namespace kelvane::testsupport
