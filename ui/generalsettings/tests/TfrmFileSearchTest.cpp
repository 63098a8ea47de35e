#include "RecordingMessageBoxes.h"
#include "TempFolder.h"
#include "TfrmFileSearch.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelvane {
namespace {

namespace fs = std::filesystem;
using testsupport::RecordingMessageBoxes;

// Holds a walk at the `at`-th file it looks at until let go, so that a test can act while the
// search runs.
class WalkGate {
  public:
    explicit WalkGate(int at) : at_(at) {}

    TfrmFileSearch::WalkObserver Observer() {
        return [this](const std::string&) {
            if (++seen_ != at_) return;
            reached_ = true;
            // Bounded, so that a window which never lets the walk go fails rather than hangs.
            std::unique_lock lock(mutex_);
            opened_.wait_for(lock, std::chrono::seconds(5), [this] { return open_; });
        };
    }
    bool Reached() const { return reached_; }
    void LetGo() {
        const std::lock_guard lock(mutex_);
        open_ = true;
        opened_.notify_all();
    }

  private:
    const int at_;
    std::atomic<int> seen_{0};
    std::atomic<bool> reached_{false};
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

class TfrmFileSearchTest : public ::testing::Test {
  protected:
    // A walk still held must go on, or the window's end would wait for it for ever.
    ~TfrmFileSearchTest() override {
        if (gate_) gate_->LetGo();
    }

    std::string Write(const std::string& relative) const {
        const fs::path path = fs::path(root_) / relative;
        fs::create_directories(path.parent_path());
        testsupport::WriteFileBytes(path.string(), "x");
        return path.string();
    }

    // Shows a fresh window seeking `name` in `source`, which starts the search.
    TfrmFileSearch& Open(const std::string& name, const std::string& source) {
        window_ = std::make_unique<TfrmFileSearch>(boxes_);
        window_->setFileName(name);
        window_->setSource(source);
        if (gate_) window_->setWalkObserver(gate_->Observer());
        window_->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        return *window_;
    }
    TfrmFileSearch& Open(const std::string& name) { return Open(name, root_); }

    // Opens with the walk held at its `at`-th file, once it got there.
    void OpenHeld(const std::string& name, int at) {
        gate_ = std::make_unique<WalkGate>(at);
        Open(name);
        ASSERT_TRUE(QTest::qWaitFor([this] { return gate_->Reached(); }, 5000));
    }

    template <typename T>
    T* Child(const char* name) {
        T* found = window_->findChild<T*>(QLatin1String(name));
        if (!found) throw std::runtime_error(std::string("no widget named ") + name);
        return found;
    }
    QPushButton* Button(const char* name) { return Child<QPushButton>(name); }
    QListWidget* Files() { return Child<QListWidget>("lbFiles"); }
    QString Status() { return Child<QLabel>("lblStatus")->text(); }
    void Click(const char* name) { QTest::mouseClick(Button(name), Qt::LeftButton); }

    bool WaitUntilIdle() {
        return QTest::qWaitFor([this] { return Button("btStart")->isEnabled(); }, 10000);
    }

    std::vector<std::string> Listed() {
        std::vector<std::string> entries;
        for (int i = 0; i < Files()->count(); ++i) {
            entries.push_back(Files()->item(i)->text().toStdString());
        }
        return entries;
    }

    // Which of the buttons can be clicked, and whether the animation runs.
    std::string Controls() {
        std::string state;
        for (const char* name : {"btStart", "btCancel", "btClose", "btSource"}) {
            if (Button(name)->isEnabled()) state += std::string(name) + " ";
        }
        if (Child<QProgressBar>("pbSearching")->isVisible()) state += "animated";
        return state;
    }
    static constexpr const char* kIdle = "btStart btClose btSource ";

    testsupport::TempFolder temp_;
    const std::string root_ = temp_.File("tree");
    RecordingMessageBoxes boxes_;
    std::unique_ptr<WalkGate> gate_;  // before the window, which waits for a held walk
    std::unique_ptr<TfrmFileSearch> window_;
};

TEST_F(TfrmFileSearchTest, ShowingSearchesAndListsEveryFileOfTheName) {
    const std::string first = Write("a/thunderbird");
    const std::string second = Write("b/c/Thunderbird");
    Write("b/thunderbird-bin");
    Open("thunderbird");
    EXPECT_EQ(window_->windowTitle(), "File Search");
    EXPECT_EQ(Child<QLabel>("lblFileName")->text(), "thunderbird");
    ASSERT_TRUE(WaitUntilIdle());

    std::vector<std::string> listed = Listed();
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (std::vector<std::string>{first, second}));
    EXPECT_EQ(Files()->currentRow(), 0);
    EXPECT_EQ(Status(), "Files found: 2");
    EXPECT_EQ(Button("btClose")->text(), "Select");
    EXPECT_EQ(Button("btSource")->text().toStdString(), "Source: " + root_);
    EXPECT_EQ(Controls(), kIdle);
    EXPECT_TRUE(boxes_.shown.empty());

    const std::string shownFirst = Listed().at(0);
    Click("btClose");
    EXPECT_EQ(window_->result(), QDialog::Accepted);
    EXPECT_FALSE(window_->isVisible());
    EXPECT_EQ(window_->selectedFile(), shownFirst);
}

TEST_F(TfrmFileSearchTest, ADoubleClickTakesThatEntry) {
    Write("a/geary");
    Write("b/geary");
    Open("geary");
    ASSERT_TRUE(WaitUntilIdle());
    ASSERT_EQ(Files()->count(), 2);

    const std::string second = Listed().at(1);
    QWidget* viewport = Files()->viewport();
    const QPoint at = Files()->visualItemRect(Files()->item(1)).center();
    // A view takes a double click only after the press that began it.
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(viewport, Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(window_->result(), QDialog::Accepted);
    EXPECT_EQ(window_->selectedFile(), second);
}

// The path taken is the one on disk, though the list shows its controls as blanks.
TEST_F(TfrmFileSearchTest, TakesTheFileAsFoundNotAsShown) {
    const std::string odd = Write("with\ttab/geary");
    Open("geary");
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ(Listed(), std::vector<std::string>{root_ + "/with tab/geary"});
    Click("btClose");
    EXPECT_EQ(window_->selectedFile(), odd);
}

TEST_F(TfrmFileSearchTest, NoFileOfTheNameIsAnErrorAndCloseTakesNothing) {
    Write("a/thunderbird");
    Open("geary");
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ(boxes_.shown, std::vector<std::string>{"error: No files with the name of geary "
                                                     "were found on Source: " +
                                                     root_});
    EXPECT_EQ(Status(), "Files found: 0");
    EXPECT_EQ(Button("btClose")->text(), "&Close");
    EXPECT_EQ(Controls(), kIdle);

    Click("btClose");
    EXPECT_EQ(window_->result(), QDialog::Accepted);
    EXPECT_EQ(window_->selectedFile(), "");
}

TEST_F(TfrmFileSearchTest, AnEmptySourceIsRefusedInAnErrorBox) {
    Open("geary", "");
    EXPECT_EQ(boxes_.shown, std::vector<std::string>{"error: Invalid Source"});
    EXPECT_EQ(Controls(), kIdle);
    EXPECT_EQ(Button("btSource")->text(), "S&ource:  ");
    EXPECT_FALSE(window_->searching());
}

TEST_F(TfrmFileSearchTest, WhileSearchingOnlyCancelWorksAndCancelKeepsWhatWasFound) {
    for (int i = 0; i < 30; ++i) Write("d" + std::to_string(i) + "/sylpheed");
    OpenHeld("sylpheed", 3);
    EXPECT_EQ(Controls(), "btCancel animated");
    EXPECT_TRUE(window_->searching());

    Click("btCancel");
    gate_->LetGo();
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ(Controls(), kIdle);
    EXPECT_FALSE(window_->searching());
    EXPECT_GE(Files()->count(), 1);
    EXPECT_LT(Files()->count(), 30) << "the walk went on after Cancel";
    EXPECT_EQ(Status().toStdString(), "Files found: " + std::to_string(Files()->count()));
    EXPECT_EQ(Files()->currentRow(), 0);
    EXPECT_TRUE(window_->isVisible());
    EXPECT_TRUE(boxes_.shown.empty());
}

// However the window goes during a walk, it returns only once the walk has ended, and carries
// out what the walk hands over meanwhile (the walk is let go from the window's own thread).
TEST_F(TfrmFileSearchTest, ClosingDuringAWalkWaitsForItsEnd) {
    struct Case {
        const char* name;
        std::function<void(std::unique_ptr<TfrmFileSearch>&)> close;
    };
    const Case cases[] = {
        {"close", [](auto& window) { window->close(); }},
        {"escape", [](auto& window) { QTest::keyClick(window.get(), Qt::Key_Escape); }},
        {"destroyed", [](auto& window) { window.reset(); }},
    };
    for (int i = 0; i < 40; ++i) Write("d" + std::to_string(i) + "/evolution");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OpenHeld("evolution", 2);
        bool letGo = false;
        QTimer::singleShot(20, [&] {
            letGo = true;
            gate_->LetGo();
        });
        c.close(window_);
        EXPECT_TRUE(letGo) << "returned while the walk was held";
        if (window_) {
            EXPECT_FALSE(window_->searching());
            EXPECT_FALSE(window_->isVisible());
            EXPECT_EQ(window_->result(), QDialog::Rejected);
            EXPECT_EQ(Controls(), kIdle) << "the walk's end was carried out";
        }
        EXPECT_TRUE(boxes_.shown.empty());
    }
}

TEST_F(TfrmFileSearchTest, TheFileNameLabelAsksForAnotherName) {
    struct Case {
        const char* name;
        std::string answer;
        std::string sought;
    };
    const Case cases[] = {{"another name", "geary", "geary"}, {"cancelled", "", "thunderbird"}};
    Write("a/thunderbird");
    Write("b/geary");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Open("thunderbird");
        ASSERT_TRUE(WaitUntilIdle());
        std::vector<std::string> asked;
        window_->setAskFileName([&](QWidget*, const std::string& current) {
            asked.push_back(current);
            return c.answer;
        });
        QTest::mouseClick(Child<QLabel>("lblFileName"), Qt::LeftButton);
        EXPECT_EQ(asked, std::vector<std::string>{"thunderbird"});
        EXPECT_EQ(Child<QLabel>("lblFileName")->text().toStdString(), c.sought);

        Click("btStart");
        ASSERT_TRUE(WaitUntilIdle());
        EXPECT_EQ(Listed(), std::vector<std::string>{root_ + (c.sought == "geary" ? "/b/" : "/a/") +
                                                     c.sought});
    }
}

TEST_F(TfrmFileSearchTest, TheSourceButtonBrowsesForTheFolderToSearch) {
    struct Case {
        const char* name;
        std::string chosen;
        std::string caption;  // after choosing
        std::vector<std::string> found;
    };
    const std::string inner = Write("R&D/kmail");
    const std::string outer = Write("kmail");
    const Case cases[] = {
        {"a folder", root_ + "/R&D", "S&ource:  " + root_ + "/R&&D", {inner}},
        {"cancelled", "", "Source: " + root_, {inner, outer}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Open("kmail");
        ASSERT_TRUE(WaitUntilIdle());
        std::vector<std::string> startedAt;
        window_->setChooseFolder([&](QWidget*, const std::string& current) {
            startedAt.push_back(current);
            return c.chosen;
        });
        Click("btSource");
        EXPECT_EQ(startedAt, std::vector<std::string>{root_});
        EXPECT_EQ(Button("btSource")->text().toStdString(), c.caption);

        Click("btStart");
        ASSERT_TRUE(WaitUntilIdle());
        std::vector<std::string> listed = Listed();
        std::sort(listed.begin(), listed.end());
        EXPECT_EQ(listed, c.found);
    }
}

}  // namespace
}  // namespace kelvane
