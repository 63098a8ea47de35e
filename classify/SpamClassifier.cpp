#include "SpamClassifier.h"

#include <algorithm>

#include "MailText.h"
#include "MailboxAccounts.h"
#include "MessageTexts.h"
#include "SpamSettings.h"

namespace kelvane {
namespace {

constexpr std::string_view kBlacklistReason =
    "\" is on the KNOWN SPAMMER BLACKLIST (you may edit if this is in error)";

}  // namespace

SpamClassifier::SpamClassifier(SpamSettings& settings, HeaderSource headers,
                               std::vector<MessageEntry>& rows, DomainChecker& checker,
                               KnownSpammers& knownSpammers, const MailboxAccounts& accounts)
    : settings_(settings),
      headers_(std::move(headers)),
      rows_(rows),
      knownSpammers_(knownSpammers),
      accounts_(accounts),
      domains_(checker) {}

void SpamClassifier::SetCurrentMailbox(std::string server, std::string userName) {
    server_ = std::move(server);
    userName_ = std::move(userName);
}

void SpamClassifier::MarkForDeletion(int index) {
    const int first = index < 0 ? 0 : index;
    const int last = index < 0 ? static_cast<int>(rows_.size()) - 1 : index;
    const RuleTests* tests = nullptr;
    int mailbox = 0;
    std::uint64_t readAfterLookups = 0;
    for (int i = first; i <= last && i < static_cast<int>(rows_.size()); ++i) {
        // A lookup keeps the windows live, so the user may have edited the rules meanwhile.
        if (tests == nullptr || domains_.lookupCount() != readAfterLookups) {
            tests = &ruleTests_.Current(settings_);
            mailbox = serverToIndex();
            readAfterLookups = domains_.lookupCount();
        }
        PassOverRow(i, *tests, mailbox);
    }
}

void SpamClassifier::PassOverRow(int index, const RuleTests& tests, int mailbox) {
    MessageTexts message(rows_[index].subject, rows_[index].sender, HeadersOf(index));
    const std::optional<int> picture = TestExceptions(tests, message);
    if (!Listed(index)) return;
    if (picture) {
        rows_[index].mark = *picture;
        return;
    }
    const SizeResult size = kelvane::tooBigSmall(settings_.options(), rows_[index].size, log_);
    if (size.matched) rows_[index].mark = size.checkMark ? kCheckMark : kQuestionMark;
    RunRuleSteps(index, message, tests, mailbox);
}

void SpamClassifier::RunRuleSteps(int index, MessageTexts& message, const RuleTests& tests,
                                  int mailbox) {
    if (!KeepsTesting(index)) return;
    const RuleScanResult subject = TestSubject(tests, message);
    if (subject.matched) ApplySuspectOrDelete(index, subject.deletes);
    if (!KeepsTesting(index)) return;
    const RuleScanResult sender = TestSender(tests, message);
    if (sender.matched) ApplySuspectOrDelete(index, sender.deletes);
    if (!KeepsTesting(index)) return;
    const RuleScanResult header = TestHeaders(tests, message, mailbox);
    if (header.matched) ApplySuspectOrDelete(index, header.deletes);
    RunSenderSteps(index, message);
}

void SpamClassifier::RunSenderSteps(int index, MessageTexts& message) {
    const SpamOptions& options = settings_.options();
    if (options.checkValidDomain && KeepsTesting(index)) {
        const DomainResult domain = CheckDomain(message);
        if (domain.unknown) ApplySuspectOrDelete(index, domain.checkMark);
    }
    if (!options.compareKnownSpammers || !KeepsTesting(index)) return;
    const std::optional<KnownListMatch> listed = isInKnownList(message.sender().text);
    if (!listed) return;
    if (rows_[index].mark != kCheckMark) rows_[index].mark = kBlacklistMark;
    log_.whyAdd(true, listed->kind, "\"" + listed->text + std::string(kBlacklistReason), "", false);
}

// A later delete rule turns any mark into a check mark; a suspect rule never weakens one.
void SpamClassifier::ApplySuspectOrDelete(int index, bool deletes) {
    if (!Listed(index)) return;
    MarkState& mark = rows_[index].mark;
    if (deletes) {
        mark = kCheckMark;
    } else if (mark != kCheckMark) {
        mark = kQuestionMark;
    }
}

bool SpamClassifier::KeepsTesting(int index) const {
    return Listed(index) && (log_.explaining() || rows_[index].mark != kCheckMark);
}

bool SpamClassifier::Listed(int index) const {
    return index >= 0 && index < static_cast<int>(rows_.size());
}

const TmsHeaders* SpamClassifier::HeadersOf(int index) const {
    return headers_ ? headers_(index) : nullptr;
}

int SpamClassifier::AutoMark() {
    for (MessageEntry& row : rows_) row.mark = kNoMark;
    MarkForDeletion(-1);
    return static_cast<int>(std::count_if(rows_.begin(), rows_.end(), [](const MessageEntry& row) {
        return IsMarkedForDeletion(row.mark);
    }));
}

std::vector<std::string> SpamClassifier::Explain(int index, MarkState* passMark) {
    if (index < 0 || index >= static_cast<int>(rows_.size())) return {};
    // Puts the row's mark and the flag back however the pass ends.
    struct Restore {
        SpamClassifier& self;
        int index;
        MarkState mark;
        ~Restore() {
            self.log_.setExplaining(false);
            if (self.Listed(index)) self.rows_[index].mark = mark;
        }
    } restore{*this, index, rows_[index].mark};
    rows_[index].mark = kNoMark;
    log_.clear();
    log_.setExplaining(true);
    MarkForDeletion(index);
    if (passMark != nullptr && Listed(index)) *passMark = rows_[index].mark;
    return log_.lines();
}

std::optional<int> SpamClassifier::qIsInException(int index, std::string_view subject,
                                                  std::string_view address) {
    MessageTexts message(subject, address, HeadersOf(index));
    return TestExceptions(ruleTests_.Current(settings_), message);
}

SizeResult SpamClassifier::tooBigSmall(std::string_view sizeText) {
    return kelvane::tooBigSmall(settings_.options(), sizeText, log_);
}

RuleScanResult SpamClassifier::qMarkThisSubject(std::string_view subject) {
    const MessageTexts message(subject, {}, nullptr);
    return TestSubject(ruleTests_.Current(settings_), message);
}

RuleScanResult SpamClassifier::qmarkThisSender(std::string_view address) {
    MessageTexts message({}, address, nullptr);
    return TestSender(ruleTests_.Current(settings_), message);
}

RuleScanResult SpamClassifier::qMarkThisHeader(int index) {
    MessageTexts message({}, {}, HeadersOf(index));
    return TestHeaders(ruleTests_.Current(settings_), message, serverToIndex());
}

std::optional<int> SpamClassifier::TestExceptions(const RuleTests& tests, MessageTexts& message) {
    RuleTable& table = settings_.exceptions();
    if (rulePass_ == RulePass::RuleByRule) return tests.exceptions.Run(message, table, log_);
    return tests.indexedExceptions.Run(message, table, log_);
}

RuleScanResult SpamClassifier::TestSubject(const RuleTests& tests, const MessageTexts& message) {
    RuleTable& table = settings_.subjects();
    if (rulePass_ == RulePass::RuleByRule) return tests.subjects.Run(message, table, log_);
    return tests.indexedSubjects.Run(message, table, log_);
}

RuleScanResult SpamClassifier::TestSender(const RuleTests& tests, MessageTexts& message) {
    RuleTable& table = settings_.senders();
    if (rulePass_ == RulePass::RuleByRule) return tests.senders.Run(message, table, log_);
    return tests.indexedSenders.Run(message, table, log_);
}

RuleScanResult SpamClassifier::TestHeaders(const RuleTests& tests, MessageTexts& message,
                                           int mailbox) {
    RuleTable& table = settings_.headers();
    if (rulePass_ == RulePass::RuleByRule) return tests.headers.Run(message, mailbox, table, log_);
    return tests.indexedHeaders.Run(message, mailbox, table, log_);
}

DomainResult SpamClassifier::CheckDomain(int index) {
    MessageTexts message({}, {}, HeadersOf(index));
    return CheckDomain(message);
}

DomainResult SpamClassifier::CheckDomain(MessageTexts& message) {
    const bool checkMark = settings_.options().invalidDomainCheckMark;
    const std::string replyTo = DomainPart(message.fieldAddress("Reply-to:").text);
    const std::string from = DomainPart(message.fieldAddress("From:").text);
    if (replyTo.empty() && from.empty()) return {false, checkMark};
    const std::string& tested = replyTo.empty() ? from : replyTo;
    if (!qUnknownDomain(tested)) return {false, checkMark};
    log_.whyAdd(checkMark, "Reply to or From (" + tested + ") ", "is an", "Unknown domain", false);
    return {true, checkMark};
}

bool SpamClassifier::qUnknownDomain(std::string_view domain) {
    return domains_.qUnknownDomain(domain, settings_.options());
}

std::optional<KnownListMatch> SpamClassifier::isInKnownList(std::string_view address) const {
    return knownSpammers_.isInKnownList(address);
}

int SpamClassifier::serverToIndex() const {
    for (int n = 1; n <= kMailboxCount; ++n) {
        const MailboxAccount& account = accounts_.Account(n);
        if (mailtext::EqualsNoCase(account.server, server_) &&
            mailtext::EqualsNoCase(account.userName, userName_)) {
            return n;
        }
    }
    return 0;
}

}  // namespace kelvane
