#include "RuleTrial.h"

#include "ExceptionTest.h"
#include "HeaderRuleTest.h"
#include "MessageTexts.h"
#include "ReasonLog.h"
#include "RuleTable.h"
#include "SenderRuleTest.h"
#include "SubjectRuleTest.h"

namespace kelvane {
namespace {

// The table the dialog's OK would write the rule into, holding that rule alone.
template <class Fields, class Write>
RuleTable OneRuleTable(RuleTableKind kind, const Fields& fields, Write write) {
    RuleTable table(kind);
    write(table, 1, fields);
    return table;
}

}  // namespace

std::string_view TrialSourceName(TrialSource source) {
    return source == TrialSource::DeletedJunk ? "Deleted junk" : "Last listing";
}

RuleTrial::RuleTrial(std::vector<TrialMessage> messages) : messages_(std::move(messages)) {
    texts_.reserve(messages_.size());
    for (const TrialMessage& message : messages_) {
        texts_.push_back(
            std::make_unique<MessageTexts>(message.subject, message.sender, &message.headers));
        // The header rules look at the joined block first; joining and folding it is the
        // costly part, done here rather than on the first keystroke.
        texts_.back()->block();
        ++(message.source == TrialSource::DeletedJunk ? deletedCount_ : listingCount_);
    }
}

RuleTrial::~RuleTrial() = default;

template <class Test>
RuleTrialResult RuleTrial::Run(const Test& matches) {
    RuleTrialResult result;
    for (std::size_t i = 0; i < messages_.size(); ++i) {
        if (!matches(messages_[i], *texts_[i])) continue;
        ++(messages_[i].source == TrialSource::DeletedJunk ? result.deletedMatches
                                                           : result.listingMatches);
        if (result.shown.size() < RuleTrialResult::kMostShown) result.shown.push_back(i);
    }
    return result;
}

std::optional<RuleTrialResult> RuleTrial::Try(const SubjectRuleFields& fields) {
    if (!SubjectFieldsError(fields).empty()) return std::nullopt;
    RuleTable table = OneRuleTable(RuleTableKind::Subject, fields, subjectAfterShowmodal);
    const SubjectRuleTest test(table);
    ReasonLog log;
    return Run([&](const TrialMessage&, MessageTexts& texts) {
        return test.Run(texts, table, log).matched;
    });
}

std::optional<RuleTrialResult> RuleTrial::Try(const HeaderRuleFields& fields) {
    if (!HeaderFieldsError(fields).empty()) return std::nullopt;
    RuleTable table = OneRuleTable(RuleTableKind::Header, fields, headerAfterShowmodal);
    const HeaderRuleTest test(table);
    ReasonLog log;
    return Run([&](const TrialMessage& message, MessageTexts& texts) {
        return test.Run(texts, message.mailbox, table, log).matched;
    });
}

std::optional<RuleTrialResult> RuleTrial::Try(const SenderRuleFields& fields) {
    if (!SenderFieldsError(fields).empty()) return std::nullopt;
    RuleTable table = OneRuleTable(RuleTableKind::Sender, fields, FromAfterShowModal);
    const SenderRuleTest test(table);
    ReasonLog log;
    return Run([&](const TrialMessage&, MessageTexts& texts) {
        return test.Run(texts, table, log).matched;
    });
}

std::optional<RuleTrialResult> RuleTrial::Try(const ExceptionRuleFields& fields) {
    if (!ExceptionFieldsError(fields).empty()) return std::nullopt;
    RuleTable table = OneRuleTable(RuleTableKind::Exceptions, fields, exceptAfterShowmodal);
    const ExceptionTest test(table);
    ReasonLog log;
    return Run([&](const TrialMessage&, MessageTexts& texts) {
        return test.Run(texts, table, log).has_value();
    });
}

}  // namespace kelvane
