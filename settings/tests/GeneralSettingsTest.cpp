#include "GeneralSettings.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include "TempFolder.h"

#include <filesystem>
#include <functional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "AtomicFile.h"
#include "CaseName.h"
#include "SettingsStore.h"

namespace kelvane {

void PrintTo(const GeneralSettings& s, std::ostream* out) {
    *out << "{asis " << s.logAsIs << " quarter " << s.logQuarter << " month " << s.logMonth
         << " logfile '" << s.logfile << "' mailer '" << s.mailer << "' alarmFile '" << s.alarmFile
         << "' automatic " << s.automatic << " ask " << s.ask << " kill " << s.kill << " minutes "
         << s.minutes << " launch " << s.launch << " exit " << s.exitIfNoMail << " alarm "
         << s.alarm << " repeat " << s.repeat << " ras " << s.ras << " '" << s.rasName
         << "' count '" << s.count << "' systray " << s.sysTray << "}";
}

namespace {

// A settings file of its own in a temporary folder, removed afterwards.
class StoreTest : public ::testing::Test {
  protected:
    std::string FileText() const { return ReadWholeFile(store_.path()).value_or(""); }

    testsupport::TempFolder folder_;
    SettingsStore store_{folder_.File("10.conf")};
};

// "[Section]" lines and key names in the order the file holds them.
std::vector<std::string> NamesInFileOrder(const std::string& text) {
    std::vector<std::string> names;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with('[')) {
            names.push_back(line);
        } else if (const auto equals = line.find('='); equals != std::string::npos) {
            names.push_back(line.substr(0, equals));
        }
    }
    return names;
}

GeneralSettings NonDefaultSettings() {
    GeneralSettings s;
    s.logAsIs = false;
    s.logQuarter = true;
    s.logMonth = false;
    s.logfile = "/var/log/kelvane/activity.log";
    s.mailer = "/usr/bin/mail client";
    s.alarmFile = "/home/u/sounds/harp tune.wav";
    s.automatic = true;
    s.ask = false;
    s.kill = true;
    s.minutes = 45;
    s.launch = false;
    s.exitIfNoMail = true;
    s.alarm = false;
    s.repeat = false;
    s.ras = 3;
    s.rasName = "isp\tthree";
    s.count = "1234";
    s.sysTray = true;
    return s;
}

using GeneralSettingsTest = StoreTest;

TEST_F(GeneralSettingsTest, FreshStoreStartsWithTheDefaults) {
    GeneralSettingsModel model;
    model.accounts.which = 7;
    model.Load(store_);

    EXPECT_EQ(model.general, GeneralSettings{});
    EXPECT_EQ(model.general.minutes, 10);
    EXPECT_FALSE(model.general.automatic);
    EXPECT_EQ(model.general.ras, 0) << "no dial-up";
    EXPECT_FALSE(model.general.sysTray);
    EXPECT_EQ(model.accounts.which, 1);
    for (const MailboxAccount& account : model.accounts.accounts) {
        EXPECT_EQ(account, MailboxAccount{});
    }
}

TEST_F(GeneralSettingsTest, SavesInTheFixedOrderAndReadsBack) {
    const GeneralSettings saved = NonDefaultSettings();
    SaveGeneralSettings(store_, saved);

    const std::vector<std::string> expected = {
        "[Logfile]", "Asis",      "Quarter", "Month", "[General]", "Logfile", "Mailer",
        "AlarmFile", "Automatic", "Ask",     "Kill",  "Minutes",   "Launch",  "Exit",
        "Alarm",     "Repeat",    "RAS",     "Count", "SysTray",   "RASName"};
    EXPECT_EQ(NamesInFileOrder(FileText()), expected) << FileText();
    EXPECT_EQ(ReadGeneralSettings(store_), saved);
    EXPECT_EQ(store_.ReadString("General", "Alarmfile", ""), saved.alarmFile);
}

TEST_F(GeneralSettingsTest, LogNamesKeepTheirBlanksThroughASaveAndARead) {
    for (const std::string name : {"   ", "/home/u/activity.log ", " logs/a.txt"}) {
        GeneralSettings saved;
        saved.logfile = name;
        SaveGeneralSettings(store_, saved);
        EXPECT_EQ(ReadGeneralSettings(store_).logfile, name);
    }
}

struct StoredCase {
    const char* name;
    const char* fileText;
    std::function<void(GeneralSettings&)> expectedChange;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const StoredCase& c, std::ostream* out) {
    *out << c.name;
}

class GeneralSettingsStored : public StoreTest, public ::testing::WithParamInterface<StoredCase> {};

TEST_P(GeneralSettingsStored, ReadsWhatTheFileHolds) {
    WriteFileAtomically(store_.path(), GetParam().fileText);
    GeneralSettings expected;
    GetParam().expectedChange(expected);
    EXPECT_EQ(ReadGeneralSettings(store_), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, GeneralSettingsStored,
    ::testing::Values(
        StoredCase{"hex minutes", "[General]\nMinutes=0x1E\n",
                   [](GeneralSettings& s) { s.minutes = 30; }},
        StoredCase{"minutes in words give the default", "[General]\nMinutes=ten\n",
                   [](GeneralSettings&) {}},
        StoredCase{"two is true", "[General]\nAutomatic=2\nSysTray=2\n",
                   [](GeneralSettings& s) { s.automatic = s.sysTray = true; }},
        StoredCase{"zero turns off a default-on option", "[General]\nAsk=0\nLaunch=0\n",
                   [](GeneralSettings& s) { s.ask = s.launch = false; }},
        StoredCase{"boolean in words gives the default", "[General]\nAsk=no\nKill=yes\n",
                   [](GeneralSettings&) {}},
        StoredCase{"names in another case", "[general]\nAlarmfile=/snd/a.wav\nMINUTES=5\n",
                   [](GeneralSettings& s) {
                       s.alarmFile = "/snd/a.wav";
                       s.minutes = 5;
                   }},
        StoredCase{"older file: a dial-up position alone", "[General]\nRAS=2\n",
                   [](GeneralSettings& s) { s.ras = 2; }},
        StoredCase{"dial-up name beside its position", "[General]\nRAS=2\nRASName=isp b\n",
                   [](GeneralSettings& s) {
                       s.ras = 2;
                       s.rasName = "isp b";
                   }},
        StoredCase{"count is text", "[General]\nCount=0012\n",
                   [](GeneralSettings& s) { s.count = "0012"; }},
        // A log name of blanks means "keep no log"; trimmed, it would name the default file.
        StoredCase{"log name of blanks stays blanks", "[General]\nLogfile=   \n",
                   [](GeneralSettings& s) { s.logfile = "   "; }},
        StoredCase{"blanks around a name are part of it", "[General]\nMailer= /usr/bin/mutt \n",
                   [](GeneralSettings& s) { s.mailer = " /usr/bin/mutt "; }},
        StoredCase{"numbers and booleans read through blanks",
                   "[General]\nMinutes = 30 \nAutomatic=\t1\r\n[Logfile]\nAsis= 0\nMonth= 1\n",
                   [](GeneralSettings& s) {
                       s.minutes = 30;
                       s.automatic = true;
                       s.logAsIs = false;
                       s.logMonth = true;
                   }}),
    testsupport::ParamName());

// Hand-edited or damaged files: every number and mode read is one the window could have stored.
INSTANTIATE_TEST_SUITE_P(
    HeldToRanges, GeneralSettingsStored,
    ::testing::Values(StoredCase{"zero minutes", "[General]\nMinutes=0\n",
                                 [](GeneralSettings& s) { s.minutes = 2; }},
                      StoredCase{"one minute", "[General]\nMinutes=1\n",
                                 [](GeneralSettings& s) { s.minutes = 2; }},
                      StoredCase{"negative minutes", "[General]\nMinutes=-30\n",
                                 [](GeneralSettings& s) { s.minutes = 2; }},
                      StoredCase{"minutes at both ends stay", "[General]\nMinutes=600\n",
                                 [](GeneralSettings& s) { s.minutes = 600; }},
                      StoredCase{"minutes past the field", "[General]\nMinutes=601\n",
                                 [](GeneralSettings& s) { s.minutes = 600; }},
                      StoredCase{"minutes past int", "[General]\nMinutes=0x7FFFFFFFFFFFFFFF\n",
                                 [](GeneralSettings& s) { s.minutes = 600; }},
                      StoredCase{"negative dial-up position is none", "[General]\nRAS=-1\n",
                                 [](GeneralSettings&) {}},
                      StoredCase{"dial-up position past int is none",
                                 "[General]\nRAS=99999999999\n", [](GeneralSettings&) {}},
                      StoredCase{"no naming mode on is as-is",
                                 "[Logfile]\nAsis=0\nMonth=0\nQuarter=0\n",
                                 [](GeneralSettings&) {}},
                      StoredCase{"as-is and monthly is monthly", "[Logfile]\nAsis=1\nMonth=1\n",
                                 [](GeneralSettings& s) {
                                     s.logAsIs = false;
                                     s.logMonth = true;
                                 }},
                      StoredCase{"all three modes is quarterly",
                                 "[Logfile]\nAsis=1\nMonth=2\nQuarter=-1\n",
                                 [](GeneralSettings& s) {
                                     s.logAsIs = false;
                                     s.logQuarter = true;
                                 }},
                      StoredCase{"flags: any non-zero number is on, zero in any form off",
                                 "[General]\nRepeat=-1\nAlarm=0x0\nKill=0x10\n",
                                 [](GeneralSettings& s) {
                                     s.alarm = false;
                                     s.kill = true;
                                 }}),
    testsupport::ParamName());

TEST_F(GeneralSettingsTest, ModelSavesTheOptionsEvenWhenAnAccountIsIncomplete) {
    GeneralSettingsModel model;
    model.general = NonDefaultSettings();
    model.accounts.which = 2;
    model.accounts.Account(2) = {"pop.example.net", "alice", true, "pw", 0, ""};
    model.accounts.Account(4) = {"pop.example.org", "", true, "pw", 0, ""};

    const std::optional<AccountProblem> problem = model.Save(store_);
    ASSERT_TRUE(problem.has_value());
    EXPECT_EQ(problem->mailbox, 4);

    GeneralSettingsModel reloaded;
    reloaded.Load(store_);
    EXPECT_EQ(reloaded.general, model.general);
    EXPECT_EQ(reloaded.accounts.which, 2);
    EXPECT_EQ(reloaded.accounts.Account(2), model.accounts.Account(2));
}

// The command line may add deletions while the window is open; only a reset overwrites them.
TEST_F(GeneralSettingsTest, ModelKeepsTheStoredCountUnlessTheUserResetIt) {
    GeneralSettingsModel model;
    model.Load(store_);
    store_.Write([](SettingsWriter& w) { w.WriteString(settingkeys::Count, "7"); });

    model.general.minutes = 30;
    EXPECT_FALSE(model.Save(store_).has_value());
    EXPECT_EQ(ReadGeneralSettings(store_).count, "7");
    EXPECT_EQ(model.general.count, "7") << "the window shows the stored count after OK";
    EXPECT_EQ(ReadGeneralSettings(store_).minutes, 30);

    model.ResetSpamCount();
    EXPECT_EQ(model.general.count, "0");
    EXPECT_FALSE(model.Save(store_).has_value());
    EXPECT_EQ(ReadGeneralSettings(store_).count, "0");

    store_.Write([](SettingsWriter& w) { w.WriteString(settingkeys::Count, "3"); });
    model.ResetSpamCount();
    model.Load(store_);  // Cancel throws the reset away
    EXPECT_FALSE(model.Save(store_).has_value());
    EXPECT_EQ(ReadGeneralSettings(store_).count, "3");
}

}  // namespace
}  // namespace kelvane
