#include "MailboxAccounts.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include "TempFolder.h"

#include <filesystem>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "AtomicFile.h"
#include "CaseName.h"
#include "PasswordCipher.h"
#include "SettingsStore.h"

namespace kelvane {
namespace {

namespace sk = settingkeys;

// A settings file of its own in a temporary folder, removed afterwards.
class StoreTest : public ::testing::Test {
  protected:
    std::string FileText() const { return ReadWholeFile(store_.path()).value_or(""); }

    testsupport::TempFolder folder_;
    SettingsStore store_{folder_.File("10.conf")};
};

std::string Numbered(const std::string& stem, int n) {
    return stem + std::to_string(n);
}

// A complete account; the check flags of "old" accounts are the opposite of the others', and
// so are their protections.
MailboxAccount Filled(int n, const std::string& prefix) {
    const bool check = (n % 2 == 0) != (prefix == "old");
    const int security = prefix == "old" ? 2 - n % 3 : n % 3;
    return {Numbered(prefix + "pop", n) + ".example.net",
            Numbered(prefix + "user", n),
            check,
            Numbered(prefix + "Pw#", n),
            security,
            ""};
}

using MailboxAccountsTest = StoreTest;

TEST_F(MailboxAccountsTest, SavedAccountsReadBackWithPasswordsEnciphered) {
    MailboxAccounts saved;
    saved.which = 4;
    for (int n = 1; n <= 6; ++n) saved.Account(n) = Filled(n, "");
    saved.Account(2).password = "%";
    saved.Account(3).password = "with = and \\ and \"quotes\"";
    saved.Account(9).password = "left over in an unused mailbox";
    saved.Account(10).check = false;

    ASSERT_EQ(saved.saveServerSettings(store_), std::nullopt);

    const std::string text = FileText();
    for (const MailboxAccount& account : saved.accounts) {
        if (!account.password.empty()) {
            EXPECT_EQ(text.find(account.password), std::string::npos) << account.password;
        }
    }
    EXPECT_EQ(store_.ReadString(sk::PasswdN, 2).size(), 4u) << "one character, four digits";
    EXPECT_NE(text.find("Passwd7=\n"), std::string::npos) << "an empty password is empty text";
    EXPECT_EQ(store_.ReadString(sk::CheckN, 10), "0");

    MailboxAccounts read;
    read.which = 11;
    read.readServerSettings(store_);
    EXPECT_EQ(read.which, 4);
    for (int n = 1; n <= kMailboxCount; ++n) EXPECT_EQ(read.Account(n), saved.Account(n)) << n;
}

TEST_F(MailboxAccountsTest, ReadingKeepsTheTypedPasswordWhenNoneIsStored) {
    store_.WriteString(sk::ServerN, "pop.example.net", 1);
    store_.WriteString(sk::PasswdN, "not hex", 2);
    store_.WriteString(sk::PasswdN, EncipherPassword("stored"), 3);

    MailboxAccounts accounts;
    for (int n = 1; n <= 3; ++n) accounts.Account(n).password = "typed";
    accounts.readServerSettings(store_);

    EXPECT_EQ(accounts.Account(1).server, "pop.example.net");
    EXPECT_EQ(accounts.Account(1).password, "typed");
    EXPECT_EQ(accounts.Account(2).password, "") << "unreadable means no password";
    EXPECT_EQ(accounts.Account(3).password, "stored");
}

TEST_F(MailboxAccountsTest, SelectionOutsideTheTwelveMailboxesIsMailboxOne) {
    for (const char* stored : {"0", "13", "-2", "first"}) {
        store_.WriteString(sk::Which, stored);
        MailboxAccounts accounts;
        accounts.which = 5;
        accounts.readServerSettings(store_);
        EXPECT_EQ(accounts.which, 1) << stored;
    }
    store_.WriteString(sk::Which, "0xC");
    MailboxAccounts accounts;
    accounts.readServerSettings(store_);
    EXPECT_EQ(accounts.which, 12);
}

TEST_F(MailboxAccountsTest, APasswordCommandStandsInForThePassword) {
    MailboxAccounts saved;
    saved.Account(1) = {"pop.example.net",
                        "ann",
                        true,
                        "",
                        2,
                        "",
                        "secret-tool lookup user \"ann b\" ; printf '%s\\n' a=b\\c # end"};
    saved.Account(2) = {"pop.example.org", "bob", true, "kept", 2, "", "pass show mail/bob"};
    ASSERT_EQ(saved.saveServerSettings(store_), std::nullopt);

    MailboxAccounts read;
    read.readServerSettings(store_);
    EXPECT_EQ(read.Account(1), saved.Account(1));
    EXPECT_EQ(read.Account(2), saved.Account(2)) << "the password stays for when the command goes";

    saved.Account(1).passwordCommand = " \t ";
    EXPECT_EQ(saved.saveServerSettings(store_),
              (AccountProblem{1, AccountField::Password, "Mailbox 1 - there is no password set"}))
        << "a blank command is none";
}

struct IncompleteCase {
    const char* name;
    MailboxAccount third;
    AccountField field;
    const char* message;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const IncompleteCase& c, std::ostream* out) {
    *out << c.name;
}

class IncompleteMailbox : public StoreTest, public ::testing::WithParamInterface<IncompleteCase> {
  protected:
    // Every mailbox already stored with "old" values, so that untouched ones can be told apart.
    void StoreOldAccounts() {
        store_.Write([](SettingsWriter& writer) {
            writer.WriteInteger(sk::Which, 9);
            for (int n = 1; n <= kMailboxCount; ++n) {
                const MailboxAccount old = Filled(n, "old");
                writer.WriteString(sk::ServerN, old.server, n);
                writer.WriteString(sk::MailboxN, old.userName, n);
                writer.WriteBool(sk::CheckN, old.check, n);
                writer.WriteString(sk::PasswdN, EncipherPassword(old.password), n);
                writer.WriteInteger(sk::SecurityN, old.security, n);
            }
        });
    }
};

TEST_P(IncompleteMailbox, StopsAfterWritingTheMailboxInError) {
    StoreOldAccounts();
    MailboxAccounts edited;
    edited.which = 2;
    for (int n = 1; n <= kMailboxCount; ++n) edited.Account(n) = Filled(n, "new");
    edited.Account(3) = GetParam().third;

    const std::optional<AccountProblem> problem = edited.saveServerSettings(store_);

    ASSERT_TRUE(problem.has_value());
    EXPECT_EQ(problem->mailbox, 3);
    EXPECT_EQ(problem->field, GetParam().field);
    EXPECT_EQ(problem->message, GetParam().message);

    MailboxAccounts stored;
    stored.readServerSettings(store_);
    EXPECT_EQ(stored.which, 2);
    for (int n = 1; n <= kMailboxCount; ++n) {
        const MailboxAccount expected = n <= 3 ? edited.Account(n) : Filled(n, "old");
        EXPECT_EQ(stored.Account(n), expected) << "mailbox " << n;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IncompleteMailbox,
    ::testing::Values(IncompleteCase{"server without user name",
                                     {"pop.example.net", "", true, "Pw#3", 0, ""},
                                     AccountField::UserName,
                                     "Mailbox 3 has a server pop.example.net but no mailbox"},
                      IncompleteCase{"user name without server",
                                     {"", "alice", true, "Pw#3", 0, ""},
                                     AccountField::Server,
                                     "Mailbox 3 alice has a blank server"},
                      IncompleteCase{"no password",
                                     {"pop.example.net", "alice", true, "", 0, ""},
                                     AccountField::Password,
                                     "Mailbox 3 - there is no password set"},
                      IncompleteCase{"unchecked mailbox is still validated",
                                     {"pop.example.net", "", false, "Pw#3", 0, ""},
                                     AccountField::UserName,
                                     "Mailbox 3 has a server pop.example.net but no mailbox"}),
    testsupport::ParamName());

struct CheckedCase {
    const char* name;
    std::vector<std::pair<int, MailboxAccount>> accounts;
    int howMany;
    int first;
};

void PrintTo(const CheckedCase& c, std::ostream* out) {
    *out << c.name;
}

class MailboxesChecked : public ::testing::TestWithParam<CheckedCase> {};

TEST_P(MailboxesChecked, CountsAndFindsMailboxesWithServerAndCheck) {
    MailboxAccounts accounts;
    for (const auto& [n, account] : GetParam().accounts) accounts.Account(n) = account;
    EXPECT_EQ(accounts.HowManyMailboxesChecked(), GetParam().howMany);
    EXPECT_EQ(accounts.FirstMailboxChecked(), GetParam().first);
}

const MailboxAccount kCheckedFilled{"pop.example.net", "u", true, "p", 0, ""};
const MailboxAccount kUncheckedFilled{"pop.example.net", "u", false, "p", 0, ""};
const MailboxAccount kCheckedNoServer{"", "u", true, "p", 0, ""};

INSTANTIATE_TEST_SUITE_P(
    Cases, MailboxesChecked,
    ::testing::Values(
        CheckedCase{"none filled", {}, 0, 0},
        CheckedCase{"only mailbox 5", {{5, kCheckedFilled}}, 1, 5},
        CheckedCase{"checked without server is skipped",
                    {{2, kCheckedNoServer}, {7, kCheckedFilled}},
                    1,
                    7},
        CheckedCase{"unchecked is skipped",
                    {{1, kUncheckedFilled}, {3, kCheckedFilled}, {12, kCheckedFilled}},
                    2,
                    3},
        CheckedCase{"last mailbox", {{12, kCheckedFilled}}, 1, 12},
        CheckedCase{
            "all filled and unchecked", {{1, kUncheckedFilled}, {6, kUncheckedFilled}}, 0, 0}),
    testsupport::ParamName());

}  // namespace
}  // namespace kelvane
