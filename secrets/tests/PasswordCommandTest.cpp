#include "PasswordCommand.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <thread>

#include "CaseName.h"
#include "TempFolder.h"

namespace kelvane {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using Clock = std::chrono::steady_clock;

// What every command below prints where it prints a password; no error text may hold it.
const std::string kPassword = "hunter2";

// `command` with every "FILE" replaced by `file`.
std::string WithFile(std::string command, const std::string& file) {
    for (auto at = command.find("FILE"); at != std::string::npos; at = command.find("FILE", at)) {
        command.replace(at, 4, file);
    }
    return command;
}

// The error text of a command that fails, or the password it gave as a failure's text.
std::string ErrorOf(const std::string& command, const PasswordCommandLimits& limits = {},
                    const std::function<void()>& wait = {}) {
    try {
        return "gave a password: " + RunPasswordCommand(command, wait, limits);
    } catch (const PasswordCommandError& error) {
        return error.what();
    }
}

// How many processes of group `group` have not ended; ended ones nobody reaps yet do not count.
int LiveMembers(pid_t group) {
    int live = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string stat = testsupport::FileBytes(entry.path().string() + "/stat");
        const auto close = stat.rfind(')');
        if (close == std::string::npos) continue;
        char state = 0;
        int parent = 0;
        int processGroup = 0;
        if (std::sscanf(stat.c_str() + close + 1, " %c %d %d", &state, &parent, &processGroup) ==
                3 &&
            processGroup == group && state != 'Z' && state != 'X') {
            ++live;
        }
    }
    return live;
}

// Whether group `group` ends within a few seconds; a killed process takes a moment to go.
bool GroupEnds(pid_t group) {
    for (int tries = 0; tries < 300 && LiveMembers(group) > 0; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return LiveMembers(group) == 0;
}

pid_t GroupInFile(const std::string& file) {
    return pid_t(std::stol("0" + testsupport::FileBytes(file)));
}

struct PasswordCase {
    const char* name;
    const char* command;
    std::string password;  // empty when the command fails
    ::testing::Matcher<std::string> error = ::testing::_;
    PasswordCommandLimits limits{};
};

void PrintTo(const PasswordCase& c, std::ostream* out) {
    *out << c.name;
}

class PasswordCommandCase : public ::testing::TestWithParam<PasswordCase> {};

TEST_P(PasswordCommandCase, GivesTheFirstLineOrNamesTheFailure) {
    const PasswordCase& c = GetParam();
    if (!c.password.empty()) {
        EXPECT_EQ(RunPasswordCommand(c.command, {}, c.limits), c.password);
        return;
    }
    const std::string error = ErrorOf(c.command, c.limits);
    EXPECT_THAT(error, c.error);
    EXPECT_THAT(error, HasSubstr("The password command "));
    EXPECT_THAT(error, Not(HasSubstr(kPassword)));
}

PasswordCommandLimits MostOutput(std::size_t bytes) {
    PasswordCommandLimits limits;
    limits.mostOutput = bytes;
    return limits;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PasswordCommandCase,
    ::testing::Values(
        PasswordCase{"first line only", "printf 'hunter2\\nsecond\\n'", kPassword},
        PasswordCase{"CR LF trimmed", "printf 'hunter2\\r\\nsecond\\r\\n'", kPassword},
        PasswordCase{"no line end", "printf hunter2", kPassword},
        PasswordCase{"blanks are part of it", "printf ' hunter 2 \\n'", " hunter 2 "},
        PasswordCase{"error chatter on success", "echo 'gpg: using key' >&2; echo hunter2",
                     kPassword},
        PasswordCase{"nothing to read", "cat; echo hunter2", kPassword},
        PasswordCase{"exactly the most output", "printf 'hunter2\\n'", kPassword, ::testing::_,
                     MostOutput(8)},
        PasswordCase{"one byte more than the most output", "printf 'hunter2\\nx'", "",
                     "The password command printed more than 8 bytes", MostOutput(8)},
        PasswordCase{"status and first error line",
                     "echo hunter2; printf 'gpg: decryption failed\\nsecond\\n' >&2; exit 2", "",
                     "The password command exited with status 2: gpg: decryption failed"},
        PasswordCase{"error line made safe", "printf '\\033[31mno key\\t!\\n' >&2; exit 1", "",
                     "The password command exited with status 1:  [31mno key !"},
        PasswordCase{"status without error line", "echo hunter2; exit 1", "",
                     "The password command exited with status 1"},
        PasswordCase{"program not found", "/nonexistent/kelvane-pass", "",
                     AllOf(HasSubstr("exited with status 127: "), HasSubstr("not found"))},
        PasswordCase{"prints nothing", "true", "", "The password command printed no password"},
        PasswordCase{"empty first line", "printf '\\nhunter2\\n'", "",
                     "The password command printed no password"},
        PasswordCase{"killed by a signal", "echo hunter2; kill -KILL $$", "",
                     "The password command was stopped by signal 9"},
        PasswordCase{"signal with error line", "echo 'pass: interrupted' >&2; kill -TERM $$", "",
                     "The password command was stopped by signal 15: pass: interrupted"},
        PasswordCase{"huge output", "yes hunter2 | head -c 10M", "",
                     "The password command printed more than 65536 bytes"},
        PasswordCase{"huge error output", "yes | head -c 10M >&2; echo hunter2", "",
                     "The password command printed more than 65536 bytes"}),
    testsupport::ParamName());

struct TimeOutCase {
    const char* name;
    const char* command;  // writes its process group's number to FILE first
};

void PrintTo(const TimeOutCase& c, std::ostream* out) {
    *out << c.name;
}

class PasswordCommandTimeOut : public ::testing::TestWithParam<TimeOutCase> {};

TEST_P(PasswordCommandTimeOut, StopsTheWholeGroup) {
    testsupport::TempFolder folder;
    const std::string file = folder.File("group");
    PasswordCommandLimits limits;
    limits.seconds = 1;

    const auto start = Clock::now();
    const std::string error = ErrorOf(WithFile(GetParam().command, file), limits);

    EXPECT_EQ(error, "The password command did not finish within 1 second");
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(8)) << "the command was not stopped";
    const pid_t group = GroupInFile(file);
    ASSERT_GT(group, 1);
    EXPECT_TRUE(GroupEnds(group)) << "processes of the command live on";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PasswordCommandTimeOut,
    ::testing::Values(
        TimeOutCase{"sleeps", "echo $$ > FILE; sleep 10; echo hunter2"},
        TimeOutCase{"ignores the request to end", "trap '' TERM; echo $$ > FILE; sleep 10"},
        TimeOutCase{"started more processes", "echo $$ > FILE; sleep 10 & sleep 10 & wait"},
        TimeOutCase{"closed its output", "echo $$ > FILE; exec >&- 2>&-; sleep 10"}),
    testsupport::ParamName());

TEST(PasswordCommand, EndsWithItsShellThoughAProcessItLeftHoldsTheOutput) {
    testsupport::TempFolder folder;
    const std::string file = folder.File("left");
    const auto start = Clock::now();

    EXPECT_EQ(RunPasswordCommand(WithFile("sleep 10 & echo $! > FILE; echo hunter2", file)),
              kPassword);

    EXPECT_LT(Clock::now() - start, std::chrono::seconds(8));
    const pid_t left = GroupInFile(file);
    ASSERT_GT(left, 1);
    ::kill(left, SIGKILL);
}

TEST(PasswordCommand, TurnsTheEventPumpWhileItRuns) {
    int calls = 0;
    EXPECT_EQ(RunPasswordCommand("sleep 0.3; echo hunter2", [&calls] { ++calls; }), kPassword);
    EXPECT_GT(calls, 1);
}

TEST(PasswordCommand, AFailingEventPumpStopsTheCommand) {
    testsupport::TempFolder folder;
    const std::string file = folder.File("group");
    EXPECT_THROW(RunPasswordCommand(WithFile("echo $$ > FILE; sleep 10", file),
                                    [&file] {
                                        if (GroupInFile(file) > 0) {
                                            throw std::runtime_error("window closed");
                                        }
                                    }),
                 std::runtime_error);
    const pid_t group = GroupInFile(file);
    ASSERT_GT(group, 1);
    EXPECT_TRUE(GroupEnds(group));
}

}  // namespace
}  // namespace kelvane
