#include "FileSearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <future>
#include <mutex>

#include "CaseName.h"
#include "TempFolder.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct SoughtCase {
    const char* name;
    const char* path;
    const char* sought;
    bool found;
};

class IsFileSoughtTest : public ::testing::TestWithParam<SoughtCase> {};

TEST_P(IsFileSoughtTest, ComparesTheNameInCapitals) {
    EXPECT_EQ(IsFileSought(GetParam().path, GetParam().sought), GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(
    Names, IsFileSoughtTest,
    ::testing::Values(SoughtCase{"same", "/usr/bin/geary", "geary", true},
                      SoughtCase{"other-case", "/opt/Thunderbird/THUNDERBIRD", "thunderbird", true},
                      SoughtCase{"folder-of-that-name", "/opt/geary/readme", "geary", false},
                      SoughtCase{"longer-name", "/usr/bin/geary-bin", "geary", false},
                      SoughtCase{"bare-name", "geary", "GEARY", true}),
    testsupport::ParamName());

// A search over a tree of the test's own; the events are kept for the test to read.
class FileSearchTest : public ::testing::Test {
  protected:
    FileSearchTest()
        : search_(FileSearch::Events{[this] { Record("started"); },
                                     [this](const std::string& folder) {
                                         const std::lock_guard lock(mutex_);
                                         folders_.push_back(folder);
                                     },
                                     [this](const std::string&, int count) {
                                         Record("found " + std::to_string(count));
                                         if (count == 1 && holdAtFirst_) Hold();
                                     },
                                     [this](const FileSearchOutcome& outcome) {
                                         const std::lock_guard lock(mutex_);
                                         outcomes_.push_back(outcome);
                                     }}) {
        search_.SetSource(root_);
    }
    ~FileSearchTest() override {
        search_.Cancel();
        LetGo();
        search_.WaitUntilEnded();
    }

    void Write(const std::string& relative) const {
        const fs::path path = fs::path(root_) / relative;
        fs::create_directories(path.parent_path());
        testsupport::WriteFileBytes(path.string(), "x");
    }
    void Record(const std::string& event) {
        const std::lock_guard lock(mutex_);
        events_.push_back(event);
    }
    void Hold() {
        reached_.set_value();
        auto release = release_;
        release.wait();
    }
    void LetGo() {
        if (!letGone_.exchange(true)) letGo_.set_value();
    }
    FileSearchOutcome Run() {
        search_.Start();
        search_.WaitUntilEnded();
        const std::lock_guard lock(mutex_);
        return outcomes_.at(0);
    }

    testsupport::TempFolder temp_;
    const std::string root_ = temp_.File("tree");
    std::mutex mutex_;
    std::vector<std::string> events_;
    std::vector<std::string> folders_;
    std::vector<FileSearchOutcome> outcomes_;
    bool holdAtFirst_ = false;
    std::promise<void> reached_;
    std::atomic<bool> letGone_{false};
    std::promise<void> letGo_;
    std::shared_future<void> release_ = letGo_.get_future().share();
    FileSearch search_;
};

TEST_F(FileSearchTest, ListsEveryFileOfTheNameWithItsFullPath) {
    Write("a/thunderbird");
    Write("b/c/Thunderbird");
    Write("b/thunderbird-bin");
    search_.SetSought("thunderbird");
    const FileSearchOutcome outcome = Run();

    std::vector<std::string> files = outcome.files;
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files,
              (std::vector<std::string>{root_ + "/a/thunderbird", root_ + "/b/c/Thunderbird"}));
    EXPECT_EQ(outcome.status, "Files found: 2");
    EXPECT_EQ(outcome.error, "");
    EXPECT_EQ(events_, (std::vector<std::string>{"started", "found 1", "found 2"}));
    std::sort(folders_.begin(), folders_.end());
    EXPECT_EQ(folders_, (std::vector<std::string>{root_ + "/a", root_ + "/b", root_ + "/b/c"}))
        << "the folder of every file looked at";
}

TEST_F(FileSearchTest, NoFileOfTheNameIsAnError) {
    Write("a/thunderbird");
    search_.SetSought("geary");
    EXPECT_EQ(search_.SourceCaption(), "S&ource:  " + root_);
    const FileSearchOutcome outcome = Run();
    EXPECT_TRUE(outcome.files.empty());
    EXPECT_EQ(outcome.status, "Files found: 0");
    EXPECT_EQ(outcome.error, "No files with the name of geary were found on Source: " + root_);
    EXPECT_EQ(search_.SourceCaption(), "Source: " + root_);
}

TEST_F(FileSearchTest, AnEmptySourceOrNameIsRefused) {
    search_.SetSought("geary");
    search_.SetSought("");
    EXPECT_EQ(search_.Sought(), "geary");
    search_.SetSource("");
    try {
        search_.Start();
        ADD_FAILURE() << "an empty source was searched";
    } catch (const EFileIteratorError& error) {
        EXPECT_STREQ(error.what(), kInvalidSourceMessage);
    }
    EXPECT_FALSE(search_.Running());
    EXPECT_TRUE(events_.empty());
}

TEST_F(FileSearchTest, CancellingEndsWithTheFilesFoundSoFar) {
    for (int i = 0; i < 30; ++i) Write("d" + std::to_string(i) + "/sylpheed");
    search_.SetSought("sylpheed");
    holdAtFirst_ = true;
    search_.Start();
    ASSERT_EQ(reached_.get_future().wait_for(10s), std::future_status::ready);
    EXPECT_TRUE(search_.Running());
    EXPECT_THROW(search_.Start(), EFileIteratorError) << "one search at a time";

    search_.SetSought("changed");  // the running search keeps the name it started with
    search_.Cancel();
    LetGo();
    search_.WaitUntilEnded();
    EXPECT_FALSE(search_.Running());
    ASSERT_EQ(outcomes_.size(), 1u);
    EXPECT_EQ(outcomes_[0].files.size(), 1u);
    EXPECT_EQ(outcomes_[0].status, "Files found: 1");
    EXPECT_EQ(outcomes_[0].error, "");
}

}  // namespace
}  // namespace kelvane
