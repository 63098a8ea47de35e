#include "SingleInstance.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <latch>
#include <memory>
#include <optional>
#include <string>

#include "TempFolder.h"

namespace kelvane {
namespace {

using ::testing::HasSubstr;

// A user id that is not this process's: a stranger's copy, as far as the guard knows.
uid_t Stranger() {
    return ::geteuid() + 1;
}

// A Unix socket bound at `path`; listening on it when `live`, else left behind like a crashed
// copy's. The caller closes the descriptor; the file stays.
int SocketAt(const std::string& path, bool live) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) std::abort();
    if (live && ::listen(fd, 4) != 0) std::abort();
    return fd;
}

// Holds the lock of the socket `path` the way a running first copy does.
class HeldLock {
  public:
    explicit HeldLock(const std::string& path)
        : fd_(::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
        if (fd_ < 0 || ::flock(fd_, LOCK_EX | LOCK_NB) != 0) std::abort();
    }
    ~HeldLock() { ::close(fd_); }

  private:
    int fd_;
};

class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        Set(value);
    }
    ~ScopedEnv() { Set(old_); }

  private:
    void Set(const std::optional<std::string>& value) {
        if (value)
            ::setenv(name_, value->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    const char* name_;
    std::optional<std::string> old_;
};

class SingleInstanceTest : public ::testing::Test {
  protected:
    QString folder() const { return QString::fromStdString(temp_.path().string()); }
    std::string Path(const QString& name) const { return temp_.File(name.toStdString()); }

    testsupport::TempFolder temp_;  // 0700, this user's
};

TEST_F(SingleInstanceTest, ASecondCopyAsksTheFirstToShowItselfAndEnds) {
    const QString name = SingleInstance::DefaultName() +
                         QStringLiteral("-test-%1").arg(QCoreApplication::applicationPid());
    QString problem;
    const QString runtime = SingleInstance::SocketFolder(&problem);
    ASSERT_FALSE(runtime.isEmpty()) << problem.toStdString();
    const std::string socketFile = (runtime + QLatin1Char('/') + name).toStdString();
    {
        SingleInstance first(name);
        ASSERT_TRUE(first.tryBecomeFirst());
        QSignalSpy shown(&first, &SingleInstance::showRequested);
        EXPECT_TRUE(std::filesystem::exists(socketFile));

        SingleInstance second(name);
        EXPECT_FALSE(second.tryBecomeFirst());
        EXPECT_TRUE(QTest::qWaitFor([&] { return shown.count() == 1; }, 2000));
    }
    EXPECT_FALSE(std::filesystem::exists(socketFile)) << "the first copy takes its socket along";
    SingleInstance next(name);
    EXPECT_TRUE(next.tryBecomeFirst());
}

TEST_F(SingleInstanceTest, TheSocketFolderIsTheUsersAlone) {
    const std::string uid = std::to_string(::geteuid());
    const struct {
        const char* name;
        const char* runtime;  // made 0700 unless its mode says otherwise
        mode_t runtimeMode;
        bool runtimeIsLink;
        bool runtimeOfAnotherUser;
        const char* fallbackState;  // "", "open" (0777) or "link"
        bool fallback;              // the folder in the temporary folder is chosen
        bool usable;
    } cases[] = {
        {"a private runtime folder", "run", 0700, false, false, "", false, true},
        {"no runtime folder", nullptr, 0, false, false, "", true, true},
        {"a relative runtime folder", "", 0, false, false, "", true, true},
        {"a runtime folder others may enter", "run", 0755, false, false, "", true, true},
        {"a runtime folder that is a link", "run", 0700, true, false, "", true, true},
        {"another user's runtime folder (sudo)", "run", 0700, false, true, "", true, true},
        {"a fallback open to others", nullptr, 0, false, false, "open", true, false},
        {"a fallback that is a link", nullptr, 0, false, false, "link", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.runtimeOfAnotherUser && ::geteuid() != 0) continue;  // needs chown
        testsupport::TempFolder base;
        std::filesystem::create_directory(base.path() / "tmp");
        std::optional<std::string> runtime;
        if (c.runtime && *c.runtime) {
            std::filesystem::create_directory(base.path() / "real");
            ::chmod(base.File("real").c_str(), c.runtimeMode);
            if (c.runtimeOfAnotherUser) {
                ASSERT_EQ(::chown(base.File("real").c_str(), 65534, 0), 0);
            }
            if (c.runtimeIsLink)
                std::filesystem::create_directory_symlink(base.path() / "real",
                                                          base.path() / "run");
            else
                std::filesystem::rename(base.path() / "real", base.path() / "run");
            runtime = base.File("run");
        } else if (c.runtime) {
            runtime = "run";
        }
        const std::string fallback = base.File("tmp/kelvane-" + uid);
        if (std::strcmp(c.fallbackState, "open") == 0) {
            std::filesystem::create_directory(fallback);
            ::chmod(fallback.c_str(), 0777);
        } else if (std::strcmp(c.fallbackState, "link") == 0) {
            std::filesystem::create_directory_symlink(base.path(), fallback);
        }
        const ScopedEnv runtimeEnv("XDG_RUNTIME_DIR", runtime);
        const ScopedEnv tmpEnv("TMPDIR", base.File("tmp"));

        QString problem;
        const std::string chosen = SingleInstance::SocketFolder(&problem).toStdString();
        if (!c.usable) {
            EXPECT_EQ(chosen, "");
            EXPECT_THAT(problem.toStdString(), HasSubstr("is not a folder of this user's alone"));
            continue;
        }
        EXPECT_EQ(problem.toStdString(), "");
        EXPECT_EQ(chosen, c.fallback ? fallback : base.File("run"));
        EXPECT_EQ(testsupport::FilePermissions(chosen), 0700u);
    }
}

TEST_F(SingleInstanceTest, InAFolderOthersMayEnterTheCopyRunsUnguardedAndSaysWhy) {
    ::chmod(temp_.path().c_str(), 0755);
    SingleInstance copy(QStringLiteral("open"), folder(), ::geteuid());
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(copy.tryBecomeFirst());
    EXPECT_THAT(::testing::internal::GetCapturedStderr(),
                HasSubstr("not checking for another running copy"));
    EXPECT_TRUE(temp_.IsEmpty()) << "no socket and no lock in such a folder";
}

// With the lock free, whatever sits at the socket's path is not a running copy of this user's:
// the new copy takes the name over and later copies find it, not the leftover.
TEST_F(SingleInstanceTest, WhatALockFreePathHoldsIsTakenOver) {
    const struct {
        const char* name;
        const char* leftover;
    } cases[] = {
        {"nothing", ""},
        {"a socket left by a crashed copy", "dead"},
        {"a stranger listening without the lock", "live"},
        {"a plain file", "file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString name =
            QString::fromLatin1(c.name).replace(QLatin1Char(' '), QLatin1Char('-'));
        const std::string path = Path(name);
        int leftover = -1;
        if (std::strcmp(c.leftover, "file") == 0)
            testsupport::WriteFileBytes(path, "x");
        else if (*c.leftover)
            leftover = SocketAt(path, std::strcmp(c.leftover, "live") == 0);

        SingleInstance copy(name, folder(), ::geteuid());
        QSignalSpy shown(&copy, &SingleInstance::showRequested);
        EXPECT_TRUE(copy.tryBecomeFirst());
        SingleInstance later(name, folder(), ::geteuid());
        EXPECT_FALSE(later.tryBecomeFirst()) << "the new first copy answers";
        EXPECT_TRUE(QTest::qWaitFor([&] { return shown.count() == 1; }, 2000));
        if (leftover >= 0) ::close(leftover);
    }
}

// A copy that holds the lock is believed only when it runs as this user.
TEST_F(SingleInstanceTest, AnAnswerFromAnotherUserIsNotBelieved) {
    const struct {
        const char* name;
        uid_t believed;
        bool first;
        const char* says;
    } cases[] = {
        {"this user's copy", ::geteuid(), false, ""},
        {"another user's listener", Stranger(), true, "belongs to another user"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString name =
            QString::fromLatin1(c.name).replace(QLatin1Char(' '), QLatin1Char('-'));
        const std::string path = Path(name);
        const HeldLock lock(path);
        const int listener = SocketAt(path, true);

        SingleInstance copy(name, folder(), c.believed);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(copy.tryBecomeFirst(), c.first);
        EXPECT_THAT(::testing::internal::GetCapturedStderr(), HasSubstr(c.says));
        EXPECT_TRUE(std::filesystem::exists(path)) << "another's socket is left alone";
        ::close(listener);
    }
}

TEST_F(SingleInstanceTest, TheFirstCopyIgnoresRequestsFromAnotherUser) {
    SingleInstance first(QStringLiteral("first"), folder(), Stranger());
    ASSERT_TRUE(first.tryBecomeFirst());
    QSignalSpy shown(&first, &SingleInstance::showRequested);

    QLocalSocket knock;
    knock.connectToServer(QString::fromStdString(Path(QStringLiteral("first"))));
    ASSERT_TRUE(knock.waitForConnected(1000));
    knock.write("show\n");
    knock.flush();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return knock.state() == QLocalSocket::UnconnectedState; }, 2000))
        << "the stranger is hung up on";
    QTest::qWait(100);
    EXPECT_EQ(shown.count(), 0);
}

TEST_F(SingleInstanceTest, TwoCopiesStartingTogetherAgreeOnOne) {
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        const QString name = QStringLiteral("race-%1").arg(round);
        std::latch start(2);
        std::latch decided(2);
        std::atomic<int> firsts = 0;
        std::atomic<int> shown = 0;
        const auto copy = [&] {
            SingleInstance guard(name, folder(), ::geteuid());
            QSignalSpy spy(&guard, &SingleInstance::showRequested);
            start.arrive_and_wait();
            const bool first = guard.tryBecomeFirst();
            decided.arrive_and_wait();
            if (!first) return;
            ++firsts;
            if (QTest::qWaitFor([&] { return spy.count() > 0; }, 3000)) ++shown;
        };
        const std::unique_ptr<QThread> a(QThread::create(copy));
        const std::unique_ptr<QThread> b(QThread::create(copy));
        a->start();
        b->start();
        ASSERT_TRUE(a->wait(20000));
        ASSERT_TRUE(b->wait(20000));
        EXPECT_EQ(firsts.load(), 1);
        EXPECT_EQ(shown.load(), 1) << "the other copy found the first";
    }
}

TEST_F(SingleInstanceTest, ALockHolderThatNeverAnswersDoesNotKeepTheCopyFromRunning) {
    const HeldLock lock(Path(QStringLiteral("silent")));
    SingleInstance copy(QStringLiteral("silent"), folder(), ::geteuid());
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(copy.tryBecomeFirst());
    EXPECT_THAT(::testing::internal::GetCapturedStderr(), HasSubstr("does not answer"));
}

}  // namespace
}  // namespace kelvane
