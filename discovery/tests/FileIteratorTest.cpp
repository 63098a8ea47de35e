#include "FileIterator.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <future>
#include <map>
#include <mutex>
#include <thread>

#include "CaseName.h"
#include "TempFolder.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testsupport::WriteFileBytes;

// What a walk reported, safe to fill from the worker thread.
class Recorder {
  public:
    void Attach(TFileIterator& iterator) {
        iterator.SetOnActivate([this] { Add("activate"); });
        iterator.SetOnAddFile([this](const std::string& name, const FileDetails& details) {
            const std::lock_guard lock(mutex_);
            events_.push_back("add");
            added_.push_back(name);
            details_[name] = details;
        });
        iterator.SetOnTerminate([this] { Add("terminate"); });
    }

    std::vector<std::string> Added() const {
        const std::lock_guard lock(mutex_);
        std::vector<std::string> sorted = added_;
        std::sort(sorted.begin(), sorted.end());
        return sorted;
    }
    std::vector<std::string> Events() const {
        const std::lock_guard lock(mutex_);
        return events_;
    }
    FileDetails Details(const std::string& name) const {
        const std::lock_guard lock(mutex_);
        return details_.at(name);
    }

  private:
    void Add(const char* event) {
        const std::lock_guard lock(mutex_);
        events_.push_back(event);
    }

    mutable std::mutex mutex_;
    std::vector<std::string> events_;
    std::vector<std::string> added_;
    std::map<std::string, FileDetails> details_;
};

std::string ErrorText(const std::function<void()>& action) {
    try {
        action();
    } catch (const EFileIteratorError& error) {
        return error.what();
    }
    return "no error";
}

// Folders nested below `top` deeper than a path may be long, with a file at the bottom; made and
// removed through descriptors, since their paths cannot be used.
class DeepChain {
  public:
    explicit DeepChain(const std::string& top) {
        int fd = ::open(top.c_str(), O_RDONLY | O_DIRECTORY);
        for (std::size_t depth = 0; fd >= 0 && depth < kLevels; ++depth) {
            fds_.push_back(fd);
            fd = ::mkdirat(fd, name_.c_str(), 0755) == 0
                     ? ::openat(fd, name_.c_str(), O_RDONLY | O_DIRECTORY)
                     : -1;
        }
        if (fd < 0) return;
        fds_.push_back(fd);
        const int file = ::openat(fd, "deep.txt", O_WRONLY | O_CREAT, 0644);
        made_ = file >= 0;
        if (file >= 0) ::close(file);
    }
    ~DeepChain() {
        if (fds_.size() == kLevels + 1) ::unlinkat(fds_.back(), "deep.txt", 0);
        for (std::size_t i = fds_.size(); i-- > 0;) {
            if (i + 1 < fds_.size()) ::unlinkat(fds_[i], name_.c_str(), AT_REMOVEDIR);
            ::close(fds_[i]);
        }
    }
    DeepChain(const DeepChain&) = delete;
    DeepChain& operator=(const DeepChain&) = delete;
    bool made() const { return made_; }

  private:
    static constexpr std::size_t kLevels = 25;
    const std::string name_ = std::string(200, 'x');
    std::vector<int> fds_;
    bool made_ = false;
};

// A small tree with the things a walk must pass over: a hidden folder, links to folders (one of
// them back to the top), a link to nowhere and a FIFO.
class FileIteratorTreeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Write("a.txt", "abc");
        Write("sub/b.txt", "b");
        Write("sub/deeper/c.txt", "c");
        Write(".hidden/d.txt", "d");
        Write(".dotfile", "");
        fs::create_directory_symlink(At("sub"), At("link-to-sub"));
        fs::create_directory_symlink(root_, At("loop"));
        fs::create_symlink(At("a.txt"), At("link-to-a"));
        fs::create_symlink(At("missing"), At("dangling"));
        ASSERT_EQ(::mkfifo(At("fifo").c_str(), 0600), 0);
        iterator_.SetRootFolder(root_);
        recorder_.Attach(iterator_);
    }

    std::string At(const std::string& relative) const { return root_ + "/" + relative; }
    void Write(const std::string& relative, const std::string& bytes) const {
        fs::create_directories(fs::path(At(relative)).parent_path());
        WriteFileBytes(At(relative), bytes);
    }
    std::vector<std::string> All(std::vector<std::string> relatives) const {
        for (std::string& name : relatives) name = At(name);
        std::sort(relatives.begin(), relatives.end());
        return relatives;
    }

    testsupport::TempFolder temp_;
    const std::string root_ = temp_.File("root");
    Recorder recorder_;
    TFileIterator iterator_;
};

TEST_F(FileIteratorTreeTest, ReportsEveryFileOnceBetweenActivateAndTerminate) {
    iterator_.Walk();
    EXPECT_EQ(recorder_.Added(),
              All({"a.txt", "sub/b.txt", "sub/deeper/c.txt", ".dotfile", "link-to-a"}));
    const auto events = recorder_.Events();
    EXPECT_EQ(events.front(), "activate");
    EXPECT_EQ(events.back(), "terminate");
    EXPECT_EQ(std::count(events.begin(), events.end(), "terminate"), 1);
    EXPECT_EQ(iterator_.State(), FileIteratorState::Idle);
}

struct OptionsCase {
    const char* name;
    FileIteratorOptions options;
    std::vector<std::string> added;  // full paths where marked with a leading "*"
};

class FileIteratorOptionsTest : public FileIteratorTreeTest,
                                public ::testing::WithParamInterface<OptionsCase> {};

TEST_P(FileIteratorOptionsTest, ShapeWhatIsReported) {
    iterator_.SetOptions(GetParam().options);
    iterator_.Walk();
    std::vector<std::string> expected;
    for (const std::string& name : GetParam().added) {
        expected.push_back(name.front() == '*' ? At(name.substr(1)) : name);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(recorder_.Added(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Options, FileIteratorOptionsTest,
    ::testing::Values(OptionsCase{"bare-names",
                                  fiRecurseFolders | fiDetails,
                                  {"a.txt", "b.txt", "c.txt", ".dotfile", "link-to-a"}},
                      OptionsCase{"top-folder-only", fiPath, {"*a.txt", "*.dotfile", "*link-to-a"}},
                      OptionsCase{
                          "names-of-the-top-folder", 0, {"a.txt", ".dotfile", "link-to-a"}}),
    testsupport::ParamName());

TEST_F(FileIteratorTreeTest, DetailsOnlyWhenAskedFor) {
    iterator_.Walk();
    for (const char* name : {"a.txt", "link-to-a"}) {
        const FileDetails details = recorder_.Details(At(name));
        EXPECT_EQ(details.size, 3u) << name;
        EXPECT_TRUE(S_ISREG(details.mode)) << name;
        EXPECT_NEAR(static_cast<double>(details.modified), static_cast<double>(std::time(nullptr)),
                    3600.0);
    }
    iterator_.SetOptions(fiPath);
    iterator_.Walk();
    const FileDetails none = recorder_.Details(At("a.txt"));
    EXPECT_EQ(none.size, 0u);
    EXPECT_EQ(none.mode, 0u);
    EXPECT_EQ(none.modified, 0);
}

TEST_F(FileIteratorTreeTest, ATrailingSlashAndSkippedFoldersAreHonoured) {
    iterator_.SetRootFolder(root_ + "/");
    iterator_.SetSkippedFolders({At("sub/")});
    iterator_.Walk();
    EXPECT_EQ(recorder_.Added(), All({"a.txt", ".dotfile", "link-to-a"}));
}

TEST_F(FileIteratorTreeTest, TheQueryDecidesWhatIsAdded) {
    std::vector<std::string> asked;
    iterator_.SetOnAddFileQuery([&](const std::string& name, const FileDetails&, bool& add) {
        EXPECT_TRUE(add) << "the answer comes preset to yes";
        asked.push_back(name);
        add = name.ends_with(".txt");
    });
    iterator_.Walk();
    EXPECT_EQ(asked.size(), 5u);
    EXPECT_EQ(recorder_.Added(), All({"a.txt", "sub/b.txt", "sub/deeper/c.txt"}));

    // The query alone is reason enough for a walk.
    iterator_.SetOnAddFile(nullptr);
    asked.clear();
    iterator_.Walk();
    EXPECT_EQ(asked.size(), 5u);
}

TEST_F(FileIteratorTreeTest, NoWalkWithoutAFileHandler) {
    iterator_.SetOnAddFile(nullptr);
    iterator_.Walk();
    iterator_.WalkInThread();
    iterator_.WaitForWalkThread();
    EXPECT_TRUE(recorder_.Events().empty()) << "not even OnActivate or OnTerminate";
    EXPECT_EQ(iterator_.State(), FileIteratorState::Idle);
}

TEST_F(FileIteratorTreeTest, ARootThatIsNoFolderGivesAnEmptyWalk) {
    for (const std::string& root : {At("missing"), At("a.txt")}) {
        TFileIterator iterator;
        Recorder recorder;
        recorder.Attach(iterator);
        iterator.SetRootFolder(root);
        iterator.Walk();
        EXPECT_EQ(recorder.Events(), (std::vector<std::string>{"activate", "terminate"})) << root;
    }
}

TEST_F(FileIteratorTreeTest, AFolderThatCannotBeReadIsPassedOver) {
    // A path longer than the system takes cannot be opened, whoever runs the test.
    const DeepChain chain(At("sub"));
    ASSERT_TRUE(chain.made());
    iterator_.Walk();
    EXPECT_EQ(recorder_.Added(),
              All({"a.txt", "sub/b.txt", "sub/deeper/c.txt", ".dotfile", "link-to-a"}));
}

TEST_F(FileIteratorTreeTest, AFolderWithoutPermissionIsPassedOver) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every folder whatever its permissions";
    ASSERT_EQ(::chmod(At("sub").c_str(), 0), 0);
    iterator_.Walk();
    ::chmod(At("sub").c_str(), 0755);
    EXPECT_EQ(recorder_.Added(), All({"a.txt", ".dotfile", "link-to-a"}));
}

TEST_F(FileIteratorTreeTest, AnErrorInAHandlerEndsTheWalkAfterTerminate) {
    iterator_.SetOnAddFile(
        [](const std::string&, const FileDetails&) { throw std::runtime_error("handler failed"); });
    EXPECT_THROW(iterator_.Walk(), std::runtime_error);
    EXPECT_EQ(recorder_.Events(), (std::vector<std::string>{"activate", "terminate"}));
    EXPECT_EQ(iterator_.State(), FileIteratorState::Idle);

    iterator_.WalkInThread();
    EXPECT_THROW(iterator_.WaitForWalkThread(), std::runtime_error);
    EXPECT_NO_THROW(iterator_.WaitForWalkThread()) << "the error is told once";
    EXPECT_EQ(recorder_.Events().size(), 4u);
    EXPECT_EQ(iterator_.State(), FileIteratorState::Idle);
}

TEST_F(FileIteratorTreeTest, StopWhileIdleChangesNothing) {
    iterator_.Stop();
    EXPECT_EQ(iterator_.State(), FileIteratorState::Idle);
    iterator_.Walk();
    EXPECT_EQ(recorder_.Added().size(), 5u);
}

TEST_F(FileIteratorTreeTest, ANewWalkInThreadJoinsTheEndedOne) {
    iterator_.WalkInThread();
    while (iterator_.State() != FileIteratorState::Idle) std::this_thread::sleep_for(1ms);
    iterator_.WalkInThread();
    iterator_.WaitForWalkThread();
    EXPECT_EQ(recorder_.Added().size(), 10u);
}

// Many files, and a handler that holds the worker at the first one until the test lets it go.
class HeldWalkTest : public FileIteratorTreeTest {
  protected:
    void SetUp() override {
        FileIteratorTreeTest::SetUp();
        for (int i = 0; i < 40; ++i) Write("many/f" + std::to_string(i), "x");
        iterator_.SetOnAddFile([this](const std::string&, const FileDetails&) {
            if (added_.fetch_add(1) == 0) {
                reached_.set_value();
                release_.wait();
            }
        });
    }
    void TearDown() override {
        iterator_.Stop();
        LetGo();
        iterator_.WaitForWalkThread();
    }
    bool Reached() { return reachedFuture_.wait_for(10s) == std::future_status::ready; }
    void LetGo() {
        if (!letGone_.exchange(true)) letGo_.set_value();
    }

    std::atomic<int> added_{0};
    std::promise<void> reached_;
    std::future<void> reachedFuture_ = reached_.get_future();
    std::atomic<bool> letGone_{false};
    std::promise<void> letGo_;
    std::shared_future<void> release_ = letGo_.get_future().share();
};

TEST_F(HeldWalkTest, StopEndsTheWalkBeforeTheNextEntry) {
    iterator_.WalkInThread();
    ASSERT_TRUE(Reached());
    EXPECT_EQ(iterator_.State(), FileIteratorState::Running);
    EXPECT_EQ(ErrorText([&] { iterator_.SetRootFolder("/"); }), kOptionsLockedMessage);
    EXPECT_EQ(ErrorText([&] { iterator_.SetOptions(fiPath); }), kOptionsLockedMessage);
    EXPECT_EQ(ErrorText([&] { iterator_.Walk(); }), kIteratorBusyMessage);
    EXPECT_EQ(ErrorText([&] { iterator_.WalkInThread(); }), kIteratorBusyMessage);

    iterator_.Stop();
    EXPECT_EQ(iterator_.State(), FileIteratorState::StopRequested);
    LetGo();
    iterator_.WaitForWalkThread();
    EXPECT_EQ(added_.load(), 1);
    EXPECT_EQ(recorder_.Events(), (std::vector<std::string>{"activate", "terminate"}));
    EXPECT_EQ(iterator_.State(), FileIteratorState::Idle);
    EXPECT_EQ(iterator_.RootFolder(), root_) << "the refused change left the root as it was";
    EXPECT_NO_THROW(iterator_.SetRootFolder("/"));
}

TEST(FileIteratorLifetime, DestroyingTheIteratorStopsAndJoinsItsWalk) {
    testsupport::TempFolder temp;
    for (int i = 0; i < 40; ++i) WriteFileBytes(temp.File("f" + std::to_string(i)), "x");
    auto iterator = std::make_unique<TFileIterator>();
    TFileIterator* const raw = iterator.get();
    std::atomic<int> added{0};
    std::atomic<bool> terminated{false};
    std::promise<void> reached;
    iterator->SetRootFolder(temp.path().string());
    iterator->SetOnAddFile([&](const std::string&, const FileDetails&) {
        if (added.fetch_add(1) > 0) return;
        reached.set_value();
        // Held until the destructor asks for the stop.
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (raw->State() != FileIteratorState::StopRequested &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(1ms);
        }
    });
    iterator->SetOnTerminate([&] { terminated = true; });
    iterator->WalkInThread();
    ASSERT_EQ(reached.get_future().wait_for(10s), std::future_status::ready);
    iterator.reset();
    EXPECT_TRUE(terminated.load()) << "the walk ended before the iterator went";
    EXPECT_EQ(added.load(), 1);
}

}  // namespace
}  // namespace kelvane
