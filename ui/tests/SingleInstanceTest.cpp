#include "SingleInstance.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QSignalSpy>
#include <QTest>
#include <cstring>
#include <string>

namespace kelvane {
namespace {

QString TestName() {
    return SingleInstance::DefaultName() +
           QStringLiteral("-test-%1").arg(QCoreApplication::applicationPid());
}

TEST(SingleInstanceTest, ASecondCopyAsksTheFirstToShowItselfAndEnds) {
    SingleInstance first(TestName());
    ASSERT_TRUE(first.tryBecomeFirst());
    QSignalSpy shown(&first, &SingleInstance::showRequested);

    SingleInstance second(TestName());
    EXPECT_FALSE(second.tryBecomeFirst());
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown.count() == 1; }, 2000));
}

TEST(SingleInstanceTest, ASocketLeftByACrashedCopyIsTakenOver) {
    const QString name = TestName() + QStringLiteral("-stale");
    // A socket file nobody listens on stands in for a copy that crashed.
    const std::string path = (QDir::tempPath() + QLatin1Char('/') + name).toStdString();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    ASSERT_TRUE(QFile::exists(QString::fromStdString(path)));

    SingleInstance copy(name);
    EXPECT_TRUE(copy.tryBecomeFirst());
    SingleInstance later(name);
    EXPECT_FALSE(later.tryBecomeFirst()) << "the new first copy answers";
}

}  // namespace
}  // namespace kelvane
