#include "GeneralSettings.h"

#include <algorithm>
#include <climits>

#include "SettingsStore.h"

namespace kelvane {
namespace {

namespace sk = settingkeys;

int ReadInt(const SettingsStore& store, const SettingKey& key) {
    return static_cast<int>(std::clamp<long long>(store.ReadInteger(key), INT_MIN, INT_MAX));
}

// The window shows the modes as radio buttons, so one is on; a file may say otherwise.
void HoldLogNaming(GeneralSettings& s) {
    s.logMonth = s.logMonth && !s.logQuarter;
    s.logAsIs = !s.logMonth && !s.logQuarter;
}

}  // namespace

GeneralSettings ReadGeneralSettings(const SettingsStore& store) {
    GeneralSettings s;
    s.logAsIs = store.ReadBool(sk::LogAsis);
    s.logQuarter = store.ReadBool(sk::LogQuarter);
    s.logMonth = store.ReadBool(sk::LogMonth);
    s.logfile = store.ReadString(sk::Logfile);
    s.mailer = store.ReadString(sk::Mailer);
    s.alarmFile = store.ReadString(sk::AlarmFile);
    s.automatic = store.ReadBool(sk::Automatic);
    s.ask = store.ReadBool(sk::Ask);
    s.kill = store.ReadBool(sk::Kill);
    s.minutes = ReadInt(store, sk::Minutes);
    s.launch = store.ReadBool(sk::Launch);
    s.exitIfNoMail = store.ReadBool(sk::Exit);
    s.alarm = store.ReadBool(sk::Alarm);
    s.repeat = store.ReadBool(sk::Repeat);
    s.ras = ReadInt(store, sk::RAS);
    s.rasName = store.ReadString(sk::RASName);
    s.count = store.ReadString(sk::Count);
    s.sysTray = store.ReadBool(sk::SysTray);
    HoldLogNaming(s);
    return s;
}

void SaveGeneralSettings(SettingsStore& store, const GeneralSettings& s, SpamCountSave count) {
    store.Write([&](SettingsWriter& w) {
        w.WriteBool(sk::LogAsis, s.logAsIs);
        w.WriteBool(sk::LogQuarter, s.logQuarter);
        w.WriteBool(sk::LogMonth, s.logMonth);
        w.WriteString(sk::Logfile, s.logfile);
        w.WriteString(sk::Mailer, s.mailer);
        w.WriteString(sk::AlarmFile, s.alarmFile);
        w.WriteBool(sk::Automatic, s.automatic);
        w.WriteBool(sk::Ask, s.ask);
        w.WriteBool(sk::Kill, s.kill);
        w.WriteInteger(sk::Minutes, s.minutes);
        w.WriteBool(sk::Launch, s.launch);
        w.WriteBool(sk::Exit, s.exitIfNoMail);
        w.WriteBool(sk::Alarm, s.alarm);
        w.WriteBool(sk::Repeat, s.repeat);
        w.WriteInteger(sk::RAS, s.ras);
        // Rewritten in place, so that the key keeps its position in the file.
        w.WriteString(sk::Count, count == SpamCountSave::Write ? s.count : w.ReadString(sk::Count));
        w.WriteBool(sk::SysTray, s.sysTray);
        w.WriteString(sk::RASName, s.rasName);
    });
}

void GeneralSettingsModel::Load(const SettingsStore& store) {
    general = ReadGeneralSettings(store);
    accounts.readServerSettings(store);
    spamCountReset_ = false;
}

std::optional<AccountProblem> GeneralSettingsModel::Save(
    SettingsStore& store, const MailboxAccounts::PasswordKeeper& keep) {
    SaveGeneralSettings(store, general,
                        spamCountReset_ ? SpamCountSave::Write : SpamCountSave::KeepStored);
    spamCountReset_ = false;
    general.count = store.ReadString(settingkeys::Count);
    return accounts.saveServerSettings(store, keep);
}

void GeneralSettingsModel::ResetSpamCount() {
    // One character rather than the literal "0": GCC 12 warns falsely (-Wrestrict) on that.
    general.count.assign(1, '0');
    spamCountReset_ = true;
}

}  // namespace kelvane
