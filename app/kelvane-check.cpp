// kelvane-check: the check-mail run (and optionally the deletion run) from the command line,
// for scripts and cron. Reads the same settings store and program folder as the window.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "AtomicFile.h"
#include "CheckFrontEnd.h"
#include "CheckSession.h"
#include "DialUpLink.h"
#include "DisplayText.h"
#include "GeneralSettings.h"
#include "KeptMessageCommands.h"
#include "ListActions.h"
#include "LogFileNames.h"
#include "LogTables.h"
#include "MailErrors.h"
#include "MailText.h"
#include "MailboxPassword.h"
#include "MailboxSecurity.h"
#include "PasswordCipher.h"
#include "ProgramPaths.h"
#include "Quarantine.h"
#include "SecretStore.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "StatsReport.h"
#include "TerminalInput.h"
#include "TlsCertificate.h"
#include "TmsCustomPOP.h"

namespace kelvane {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitMailError = 1;
constexpr int kExitRefused = 1;  // a certificate not trusted, or not in need of trust
constexpr int kExitNotDone = 1;  // no such kept message, or its file not written
constexpr int kExitUsage = 2;
constexpr int kDnsTimeOutSeconds = 10;

constexpr const char* kUsage =
    "usage: kelvane-check [--mailbox N | --all] [--why] [--delete] [--help] [--version]\n"
    "       kelvane-check --stats [FILE]   (the activity log's figures; FILE defaults to the\n"
    "                                       log the settings name)\n"
    "       kelvane-check --set-password N   (reads the password from standard input, not\n"
    "                                         shown as it is typed at a terminal)\n"
    "       kelvane-check --trust-certificate N [--fingerprint HEX]\n"
    "                      (prints mailbox N's server certificate; trusts it from now on,\n"
    "                       whoever signed it, when you answer y at the terminal or HEX is\n"
    "                       its SHA-256 fingerprint; one that passes verification needs no\n"
    "                       trust and is not stored)\n"
    "       kelvane-check --deleted   (the deleted messages kept, newest first, one line each:\n"
    "                                  id, time of deletion in UTC, mailbox, subject, sender)\n"
    "       kelvane-check --restore ID --to FILE   (writes kept message ID to FILE byte for\n"
    "                                               byte; FILE must not exist yet)\n"
    "       kelvane-check --forget ID   (removes kept message ID)\n";

struct Arguments {
    std::optional<int> mailbox;
    bool all = false;
    bool why = false;
    bool remove = false;
    bool help = false;
    bool version = false;
    std::optional<int> passwordFor;
    std::optional<int> trustFor;
    std::optional<std::string> fingerprint;  // canonical
    bool stats = false;
    std::optional<std::string> statsFile;
    bool deleted = false;
    std::optional<std::string> restoreId;
    std::optional<std::string> restoreTo;
    std::optional<std::string> forgetId;
};

// `text` line by line, each made safe: it is often a server's reply, which must not add lines or
// reach the terminal as escape sequences; a refused certificate's error names its details on the
// lines after the reason.
void PrintLines(std::ostream& out, std::string_view prefix, std::string_view text) {
    if (text.ends_with('\n')) text.remove_suffix(1);
    while (true) {
        const std::size_t end = text.find('\n');
        out << prefix << SafeDisplayText(text.substr(0, end)) << "\n";
        if (end == std::string_view::npos) return;
        text.remove_prefix(end + 1);
    }
}

// "error: text" (or "warning: ", "information: ") on standard error, a line for each of its lines.
void PrintProblem(std::string_view kind, std::string_view text) {
    PrintLines(std::cerr, std::string(kind) + ": ", text);
}

// Boxes go to standard error; the deletion never asks, so a question is answered Yes.
class ConsoleFrontEnd : public CheckFrontEnd {
  public:
    void Error(const std::string& text) override { PrintProblem("error", text); }
    void Warning(const std::string& text) override { PrintProblem("warning", text); }
    void Information(const std::string& text) override { PrintProblem("information", text); }
    bool Confirm(const std::string&) override { return true; }
    std::optional<int> PickMailbox(int current, const std::vector<MailboxChoice>&) override {
        return current;
    }
    void ShowStatus(const std::string& text) override { lastStatus = text; }
    void ShowNotice(const std::string& text) override { Warning(text); }
    void ShowProgressWindow(const std::string&) override {}
    void HideProgressWindow() override {}
    void ShowProgressMessage(const std::string&) override {}
    void ShowProgressBar(int, int) override {}
    void RowsReset() override {}
    void RowAppended(int) override {}
    void MarksChanged() override {}
    void SetBusy(bool) override {}
    void OpenGeneralSettings() override {}
    void LaunchMailProgram() override {}
    void CloseProgram() override {}
    std::string lastStatus;
};

// A mailbox number 1 to 12, or nothing.
std::optional<int> MailboxNumber(const std::string& text) {
    if (text.empty() || text.size() > 2 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const int n = std::stoi(text);
    if (n < 1 || n > kMailboxCount) return std::nullopt;
    return n;
}

// Reads the value of a numbered option; false on a missing or bad number.
bool TakeNumber(int argc, char** argv, int& i, std::optional<int>& into) {
    if (i + 1 >= argc) return false;
    into = MailboxNumber(argv[++i]);
    return into.has_value();
}

// Reads the value of --fingerprint; false when it is missing or not a SHA-256 fingerprint.
bool TakeFingerprint(int argc, char** argv, int& i, std::optional<std::string>& into) {
    if (i + 1 >= argc) return false;
    into = CanonicalFingerprint(argv[++i]);
    return !into->empty();
}

// Reads the value of an option that names a kept message or a file; false when it is missing or
// is the next option.
bool TakeText(int argc, char** argv, int& i, std::optional<std::string>& into) {
    if (i + 1 >= argc || std::string_view(argv[i + 1]).starts_with("--")) return false;
    into = argv[++i];
    return !into->empty();
}

std::optional<Arguments> ParseArguments(int argc, char** argv) {
    Arguments args;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        bool ok = true;
        if (arg == "--mailbox")
            ok = TakeNumber(argc, argv, i, args.mailbox);
        else if (arg == "--set-password")
            ok = TakeNumber(argc, argv, i, args.passwordFor);
        else if (arg == "--trust-certificate")
            ok = TakeNumber(argc, argv, i, args.trustFor);
        else if (arg == "--fingerprint")
            ok = TakeFingerprint(argc, argv, i, args.fingerprint);
        else if (arg == "--restore")
            ok = TakeText(argc, argv, i, args.restoreId);
        else if (arg == "--to")
            ok = TakeText(argc, argv, i, args.restoreTo);
        else if (arg == "--forget")
            ok = TakeText(argc, argv, i, args.forgetId);
        else if (arg == "--deleted")
            args.deleted = true;
        else if (arg == "--all")
            args.all = true;
        else if (arg == "--why")
            args.why = true;
        else if (arg == "--delete")
            args.remove = true;
        else if (arg == "--help")
            args.help = true;
        else if (arg == "--version")
            args.version = true;
        else if (arg == "--stats") {
            args.stats = true;
            if (i + 1 < argc && !std::string_view(argv[i + 1]).starts_with("--"))
                args.statsFile = argv[++i];
        } else
            ok = false;
        if (!ok) return std::nullopt;
    }
    const bool checks = args.mailbox || args.all || args.why || args.remove;
    const int alone = args.passwordFor.has_value() + args.trustFor.has_value() + args.stats +
                      args.deleted + args.restoreId.has_value() + args.forgetId.has_value();
    if ((args.mailbox && args.all) || (alone > 0 && checks) || alone > 1 ||
        (args.fingerprint && !args.trustFor) ||
        args.restoreId.has_value() != args.restoreTo.has_value()) {
        return std::nullopt;
    }
    return args;
}

// At a terminal the password is asked for and not shown as it is typed.
std::string ReadPassword(int mailbox) {
    const HiddenTyping hidden;
    if (hidden.active()) std::cerr << "Password for mailbox " << mailbox << ": " << std::flush;
    std::string password = ReadInputLine(std::cin);
    // The line end typed was not shown either.
    if (hidden.active()) std::cerr << "\n";
    return password;
}

// In the desktop keyring when one runs (the settings file's PasswdN is emptied then, so that no
// older copy stays behind), else enciphered in PasswdN as before.
int SetPassword(int mailbox) {
    const std::string password = ReadPassword(mailbox);
    SettingsStore store(paths::SettingsFile());
    try {
        const SecretKey key{store.ReadString(settingkeys::ServerN, mailbox),
                            store.ReadString(settingkeys::MailboxN, mailbox), SecretKind::Password};
        const bool inKeyring = KeepInKeyring(MakeDesktopSecretStore().get(), key, password);
        store.Write([&](SettingsWriter& writer) {
            writer.WriteString(settingkeys::PasswdN, inKeyring ? "" : EncipherPassword(password),
                               mailbox);
            writer.WriteString(settingkeys::Version161, "161");
        });
        // Said to a person at a terminal; a script gets no chatter.
        if (::isatty(STDERR_FILENO)) {
            std::cerr << "The password is kept in "
                      << PasswordSourceText(inKeyring ? PasswordSource::Keyring
                                                      : PasswordSource::Settings)
                      << ".\n";
        }
    } catch (const SecretStoreError& error) {
        PrintProblem("error", error.what());
        return kExitMailError;
    } catch (const FileError& error) {
        PrintProblem("error", error.what());
        return kExitMailError;
    }
    return kExitOk;
}

struct ShownCertificate {
    TlsCertificate certificate;
    bool verified = false;
};

// The certificate the mailbox's server shows, and whether it passes verification by itself, a
// pin stored earlier set aside. The query hands a refused certificate back after reporting the
// refusal through OnError, which is how the two are told apart.
ShownCertificate FetchCertificate(TmsRemotePOP& client) {
    client.PinnedFingerprint.clear();
    const auto report = client.OnError;
    bool refused = false;
    client.OnError = [&](TagSocket& socket, std::string& text) {
        refused = true;
        if (report) report(socket, text);
    };
    try {
        ShownCertificate shown{client.ServerCertificate(), false};
        client.OnError = report;
        shown.verified = !refused;
        return shown;
    } catch (...) {
        client.OnError = report;
        throw;
    }
}

bool IsYes(std::string_view answer) {
    const std::string_view word = mailtext::Trim(answer);
    return mailtext::EqualsNoCase(word, "y") || mailtext::EqualsNoCase(word, "yes");
}

// Whether the user trusts the certificate: the fingerprint they compared matches it, or they
// answer yes at the terminal. Without a terminal nobody could have compared what is printed.
bool UserTrusts(CheckFrontEnd& frontEnd, int mailbox, const TlsCertificate& certificate,
                const std::optional<std::string>& fingerprint) {
    if (fingerprint) {
        if (*fingerprint == CanonicalFingerprint(certificate.fingerprint)) return true;
        frontEnd.Error("The certificate's fingerprint is not the one given: nothing stored");
        return false;
    }
    if (!StandardInputIsTerminal()) {
        frontEnd.Error(
            "Nothing stored: standard input is not a terminal to ask at; give the fingerprint "
            "you compared with --fingerprint HEX");
        return false;
    }
    std::cerr << "Trust this certificate for mailbox " << mailbox << "? [y/N] " << std::flush;
    if (IsYes(ReadInputLine(std::cin))) return true;
    frontEnd.Information("Nothing stored for mailbox " + std::to_string(mailbox));
    return false;
}

// A pin would refuse the certificate's next routine renewal, so one that verifies gets none.
void SayTrustNotNeeded(CheckFrontEnd& frontEnd, const SettingsStore& store, int mailbox) {
    frontEnd.Information(
        "This certificate passes verification and needs no trust of its own: nothing stored");
    if (StoredFingerprint(store, mailbox).empty()) return;
    frontEnd.Information(
        "Mailbox " + std::to_string(mailbox) +
        " still trusts only the certificate pinned earlier; forget that pin in the General "
        "settings to rely on verification");
}

// Connects to mailbox `mailbox` as its check would and shows the certificate its server
// presents; pins it only when the user trusts it on purpose and it needs a pin at all.
int TrustCertificate(int mailbox, const std::optional<std::string>& fingerprint) {
    ConsoleFrontEnd frontEnd;
    CheckSession session(paths::ProgramDirectory(), paths::SettingsFile(), frontEnd);
    for (const std::string& problem : session.Load()) frontEnd.Warning(problem);
    session.run.setCurrentMailbox(mailbox);
    session.run.LoadCurrentMailbox();
    if (session.client.Security == PopSecurity::Plain) {
        frontEnd.Error("Mailbox " + std::to_string(mailbox) + " does not use TLS");
        return kExitMailError;
    }
    try {
        const ShownCertificate shown = FetchCertificate(session.client);
        PrintLines(std::cout, "", shown.certificate.Details());
        std::cout.flush();
        if (shown.verified) {
            SayTrustNotNeeded(frontEnd, session.store, mailbox);
            return kExitRefused;
        }
        if (!UserTrusts(frontEnd, mailbox, shown.certificate, fingerprint)) return kExitRefused;
        StoreTrustedFingerprint(session.store, session.model.accounts, mailbox,
                                shown.certificate.fingerprint);
    } catch (const std::exception& error) {
        std::cout.flush();
        frontEnd.Error(error.what());
        return kExitMailError;
    }
    std::cout << "Fingerprint stored for mailbox " << mailbox << "\n";
    return kExitOk;
}

// Every field is outside text: a TAB or line break in it must not make more fields or lines.
void PrintListing(CheckSession& session, int mailbox, bool why) {
    std::vector<MessageEntry>& rows = session.run.rows();
    std::cout << "# " << mailbox << "\t" << SafeDisplayText(session.client.UserName) << "\t"
              << SafeDisplayText(session.client.Server) << "\t" << rows.size() << "\n";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const MessageEntry& row = rows[i];
        std::cout << i + 1 << "\t" << row.mark << "\t" << SafeDisplayText(row.size) << "\t"
                  << SafeDisplayText(row.sender) << "\t" << SafeDisplayText(row.subject) << "\t"
                  << SafeDisplayText(row.date) << "\n";
        if (!why) continue;
        const std::vector<std::string> lines =
            WhyLines(session.run.classifier(), rows, static_cast<int>(i));
        for (std::size_t line = kWhyHeadingLines; line < lines.size(); ++line)
            std::cout << "\t" << SafeDisplayText(lines[line]) << "\n";
    }
}

// The deletion run without a question; false when it failed. The messages it had to leave on
// the server follow the count, one line each.
bool DeleteMarked(CheckSession& session) {
    const bool succeeded = session.run.Delete({.interactive = false}) != RunOutcome::Failed;
    std::cout << "There were " << session.run.deletedCount() << " messages deleted\n";
    std::cout.flush();
    for (const NotDeletedMessage& message : session.run.notDeleted()) {
        PrintProblem("error", message.text);
    }
    return succeeded;
}

// The check of one mailbox, then its deletion run when asked; false on a mail error or a marked
// message left on the server. A check that failed part-way still prints what it listed; one
// that listed nothing (a refused login, missing settings) prints no header.
bool CheckMailbox(CheckSession& session, int mailbox, const Arguments& args) {
    session.run.setCurrentMailbox(mailbox);
    const RunOutcome listed = session.run.Check({.chooseMailbox = false, .absorbErrors = false});
    const bool failed = listed == RunOutcome::Failed;
    // A run that stopped before the server still holds the rows of the mailbox before.
    const bool listedSome = failed && !session.run.rows().empty();
    if (listed == RunOutcome::Done || listedSome) PrintListing(session, mailbox, args.why);
    std::cout.flush();
    if (listed != RunOutcome::Done) return false;
    if (args.remove && !DeleteMarked(session)) return false;
    const bool ended = session.run.EndSession();
    return ended && session.run.notDeleted().empty();
}

// The runs catch the mail errors; anything else that escapes them still gets its error record
// and its line, like a mail error.
bool CheckMailboxGuarded(CheckSession& session, CheckFrontEnd& frontEnd, int mailbox,
                         const Arguments& args) {
    try {
        return CheckMailbox(session, mailbox, args);
    } catch (const std::exception& error) {
        std::cout.flush();
        session.log.WriteErrorRecord(error.what(), session.client.UserName, session.client.Server);
        frontEnd.Error(error.what());
        return false;
    }
}

std::vector<int> MailboxesToCheck(const Arguments& args, const MailboxAccounts& accounts) {
    if (args.mailbox) return {*args.mailbox};
    if (!args.all) return {ValidMailboxNumber(accounts.which)};
    std::vector<int> boxes;
    for (int n = 1; n <= kMailboxCount; ++n) {
        if (accounts.Account(n).TakesPartInChecks()) boxes.push_back(n);
    }
    return boxes;
}

// Messages kept longer than the spam options allow go before the check; a file that cannot be
// removed now is tried again next time and does not stop the check.
void ExpireKeptMessages(CheckSession& session, CheckFrontEnd& frontEnd) {
    Quarantine* quarantine = session.run.quarantine();
    if (quarantine == nullptr) return;
    try {
        quarantine->Expire(session.spam.options().quarantine, std::time(nullptr));
    } catch (const FileError& error) {
        frontEnd.Warning(error.what());
    }
}

int CheckMailboxes(CheckSession& session, ConsoleFrontEnd& frontEnd, const Arguments& args) {
    session.domains.resolver().TimeOut = kDnsTimeOutSeconds;
    for (const std::string& problem : session.Load()) frontEnd.Warning(problem);
    ExpireKeptMessages(session, frontEnd);
    const std::vector<int> boxes = MailboxesToCheck(args, session.model.accounts);
    if (boxes.empty()) {
        frontEnd.Error("At least ONE mailbox needs to be checked.");
        return kExitMailError;
    }
    for (int mailbox : boxes) {
        if (!CheckMailboxGuarded(session, frontEnd, mailbox, args)) return kExitMailError;
    }
    return kExitOk;
}

// The figures of the whole activity log, read by the statistics window's own analysis.
int PrintStatistics(const std::optional<std::string>& file) {
    std::string path;
    if (file) {
        path = *file;
    } else {
        const GeneralSettings general = ReadGeneralSettings(SettingsStore(paths::SettingsFile()));
        path =
            CurrentLogFileName(general.logfile, LogNamingFrom(general.logMonth, general.logQuarter),
                               SystemLocalTime(), paths::ProgramDirectory());
    }
    LogTables tables;
    switch (readInLogFile(path, SystemLocalTime(), tables)) {
        case LogReadResult::Missing:
            PrintProblem("error", kLogMissingText);
            return kExitMailError;
        case LogReadResult::Unreadable:
            PrintProblem("error", kLogUnreadableText);
            return kExitMailError;
        case LogReadResult::Read:
            break;
    }
    WriteStatsReport(std::cout, tables);
    return kExitOk;
}

int CheckMail(const Arguments& args) {
    // Never destroyed: main ends the process with std::_Exit, and the system takes back the
    // thousands of header lines of a large listing at once, far faster than freeing each one.
    static ConsoleFrontEnd& frontEnd = *new ConsoleFrontEnd;
    static CheckSession& session =
        *new CheckSession(paths::ProgramDirectory(), paths::SettingsFile(), frontEnd);
    // Where the deletion run keeps each message before it deletes it.
    static Quarantine& quarantine = *new Quarantine(QuarantineFolder(paths::ProgramDirectory()));
    session.run.SetQuarantine(&quarantine);
    // Where a password entered with --set-password is kept, when a desktop keyring runs, and
    // where the refresh token of a mailbox that signs in with OAuth2 is read from.
    static SecretStore& keyring = *MakeDesktopSecretStore().release();
    session.run.SetSecretStore(&keyring);
    const int status = CheckMailboxes(session, frontEnd, args);
    // What the destructors would have done that the system does not: a dial-up link this
    // program brought up (say, one that came up only after its dial timed out) is hung up.
    if (session.client.RAS != nullptr) session.client.RAS->Release();
    return status;
}

// --deleted, --restore and --forget: the messages kept by earlier deletion runs, read and removed
// without the settings or a server.
int KeptMessageCommand(const Arguments& args) {
    Quarantine quarantine(QuarantineFolder(paths::ProgramDirectory()));
    bool done = false;
    if (args.deleted)
        done = PrintKeptMessages(quarantine, std::cout, std::cerr);
    else if (args.restoreId)
        done = RestoreKeptMessage(quarantine, *args.restoreId, *args.restoreTo, std::cerr);
    else
        done = ForgetKeptMessage(quarantine, *args.forgetId, std::cerr);
    return done ? kExitOk : kExitNotDone;
}

int Run(int argc, char** argv) {
    const std::optional<Arguments> args = ParseArguments(argc, argv);
    if (!args) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    if (args->help) {
        std::cout << kUsage;
        return kExitOk;
    }
    if (args->version) {
        std::cout << "kelvane-check " << KELVANE_VERSION << "\n";
        return kExitOk;
    }
    if (args->passwordFor) return SetPassword(*args->passwordFor);
    if (args->trustFor) return TrustCertificate(*args->trustFor, args->fingerprint);
    if (args->stats) return PrintStatistics(args->statsFile);
    if (args->deleted || args->restoreId || args->forgetId) return KeptMessageCommand(*args);
    return CheckMail(*args);
}

}  // namespace
}  // namespace kelvane

// The runs catch the mail errors where they arise; anything else still ends in a line on
// standard error and an exit status a script can test, not in an abort.
int main(int argc, char** argv) {
    int status = kelvane::kExitMailError;
    try {
        status = kelvane::Run(argc, argv);
    } catch (const std::exception& error) {
        std::cout.flush();
        kelvane::PrintProblem("error", error.what());
    } catch (...) {
        std::cout.flush();
        kelvane::PrintProblem("error", "unknown error");
    }
    // Every file is written and closed by now; only the output streams hold anything.
    std::cout.flush();
    std::cerr.flush();
    std::_Exit(status);
}
