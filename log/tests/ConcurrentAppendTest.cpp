#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <regex>
#include <string>

#include "ActivityLog.h"
#include "LogTestFiles.h"

namespace kelvane {
namespace {

using logtest::CrLfLines;
using logtest::FileBytes;
using logtest::TempFolder;

constexpr int kRecordsPerWriter = 500;

// A long server name makes each record big enough that writing it in pieces would show.
const std::string kServer = "pop." + std::string(300, 's') + ".example.net";

// Waits until `start` is closed by the parent, appends the writer's numbered records and ends
// the process without returning into the test runner.
[[noreturn]] void AppendRecords(const std::string& name, const std::string& writer, int start) {
    char go;
    while (::read(start, &go, 1) < 0) {
    }
    ActivityLog log([name] { return name; }, [] { return LocalDateTime{2000, 3, 14, 14, 5, 0}; });
    bool allWritten = true;
    for (int number = 0; number < kRecordsPerWriter; ++number) {
        allWritten = log.WriteCheckRecord(number, writer, kServer) && allWritten;
    }
    ::_exit(allWritten ? 0 : 1);
}

TEST(ConcurrentAppendTest, TwoProcessesNeverInterleaveTheirRecords) {
    TempFolder folder;
    const std::string name = folder.File("activity.txt");
    int start[2];
    ASSERT_EQ(::pipe(start), 0);

    pid_t writers[2];
    const char* writerNames[2] = {"window", "cron"};
    for (int i = 0; i < 2; ++i) {
        writers[i] = ::fork();
        ASSERT_GE(writers[i], 0);
        if (writers[i] == 0) {
            ::close(start[1]);
            AppendRecords(name, writerNames[i], start[0]);
        }
    }
    ::close(start[0]);
    ::close(start[1]);  // both writers start at once
    for (pid_t writer : writers) {
        int status = 0;
        ASSERT_EQ(::waitpid(writer, &status, 0), writer);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    const std::regex record("MAIL CHECK (\\d+) msg\\(s\\) for \"(window|cron)\" on server " +
                            kServer + " at Tue 3/14/2000 2:05 PM");
    std::map<std::string, int> nextNumber;
    const auto lines = CrLfLines(FileBytes(name));
    for (const std::string& line : lines) {
        std::smatch parts;
        ASSERT_TRUE(std::regex_match(line, parts, record)) << line.substr(0, 80);
        EXPECT_EQ(std::stoi(parts[1]), nextNumber[parts[2]]++) << "out of order: " << parts[2];
    }
    EXPECT_EQ(nextNumber["window"], kRecordsPerWriter);
    EXPECT_EQ(nextNumber["cron"], kRecordsPerWriter);
    EXPECT_EQ(lines.size(), 2u * kRecordsPerWriter);
}

}  // namespace
}  // namespace kelvane
