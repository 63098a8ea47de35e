#include "RuleDialogFields.h"

#include <algorithm>
#include <charconv>

#include "MatchOperator.h"
#include "RuleTable.h"
#include "RuleTableOperations.h"

namespace kelvane {

namespace {

constexpr std::string_view kMailboxSuffix = " - MailBox #";
constexpr const char* kReplyToMismatch = "does not match Reply-to";
constexpr const char* kSenderEqualsTo = "equals To field";
constexpr const char* kToDoesNotContain = "To does not contain";

std::string StoredOperator(int position) {
    const auto op = OperatorAtPosition(position);
    return op ? std::string(StoredName(*op)) : std::string();
}

bool TakesText(int op) {
    return op < kFirstOperatorWithoutText;
}

const char* YesNo(bool yes) {
    return yes ? "Yes" : "No";
}

void SetHitsWhenEmpty(RuleTable& table, int row) {
    const int hits = table.layout().hitColumn;
    if (table.cell(hits, row).empty()) table.setCell(hits, row, "0");
}

// The address without a mailbox suffix of its own.
std::string_view WithoutMailbox(std::string_view address) {
    return address.substr(0, address.find(kMailboxSuffix));
}

int Number(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : 0;
}

}  // namespace

const std::vector<std::string_view>& SubjectPickList() {
    static const std::vector<std::string_view> list{
        "!!",          "$$",          "==",           "adult site", "adults only",
        "advertise",   "advertising", "bulk",         "buy",        "call 800",
        "dollar",      "exciting",    "extra income", "for only",   "free",
        "guaranteed",  "help wanted", "huge",         "income",     "incredible deal",
        "lottery",     "make money",  "market",       "million",    "MLM",
        "mlm",         "naked",       "nude",         "offer",      "opportunity",
        "please read", "profit",      "read this",    "rich",       "save $",
        "secret",      "sex",         "spam",         "specials",   "weight",
        "win $",       "women",       "work at home", "XXX"};
    return list;
}

const std::vector<std::string_view>& SenderPickList() {
    static const std::vector<std::string_view> list{
        "bigbucks",    "bulkemail", "business",   "cableguys", "canceranswer",
        "careers",     "cash",      "casino",     "clubmail",  "credaid",
        "credaide",    "credit",    "directmail", "dontreply", "energy",
        "erotic",      "floodgate", "fortune",    "freedom",   "freesoftware",
        "friend",      "friends",   "global",     "golf",      "gorgeousgirls",
        "health",      "help",      "helpcrdt",   "homebiz",   "hotbabe69",
        "important",   "info",      "internet",   "market",    "nobody",
        "opportunity", "platinum",  "politics",   "profit",    "promotion",
        "psychic",     "remove",    "sales",      "scoop",     "selective.marketing",
        "sender",      "sexy",      "stop",       "stopnow",   "success",
        "video",       "virtual",   "wealth",     "xxx"};
    return list;
}

const std::vector<std::string_view>& HeaderPickList() {
    static const std::vector<std::string_view> list{"X-1",
                                                    "X-Advertisement",
                                                    "X-Authentication-Warning",
                                                    "X-BulkEmail",
                                                    "X-Distribution: Bulk",
                                                    "X-Distribution: Mass",
                                                    "X-Distribution: Moderate",
                                                    "X-Mailer: Emailer Platinum",
                                                    "X-Mailer: Extractor",
                                                    "X-Mailer: eMarksman",
                                                    "X-Mailer: Floodgate",
                                                    "X-Mailer: Group Mail",
                                                    "X-Mailer: Millennium Mailer",
                                                    "X-Removal",
                                                    "X-Sender: News Breaker"};
    return list;
}

const std::vector<std::string_view>& ExceptionHeaderLines() {
    static const std::vector<std::string_view> list{
        "Subject:", "CC:", "Reply-To:", "To:", "Any Header"};
    return list;
}

int OperatorPositionOf(std::string_view stored, int offered) {
    const auto op = OperatorFromStoredName(stored);
    if (!op) return 0;
    const int position = OperatorPosition(*op);
    return position < offered ? position : 0;
}

std::string SubjectFieldsError(const SubjectRuleFields& fields) {
    if (TakesText(fields.op) && IsBlankText(fields.text))
        return "The subject text cannot be left blank.";
    return {};
}

void subjectAfterShowmodal(RuleTable& table, int row, const SubjectRuleFields& fields) {
    table.setCell(1, row, StoredOperator(fields.op));
    const bool text = TakesText(fields.op);
    table.setCell(2, row, text ? std::string(TrimmedField(fields.text)) : "");
    table.setCell(3, row, text ? YesNo(fields.caseMatters) : "");
    CheckGridAdv(table, row, fields.deletes);
    SetHitsWhenEmpty(table, row);
}

SubjectRuleFields SubjectFieldsFromRow(const RuleTable& table, int row) {
    return {OperatorPositionOf(table.cell(1, row), kSubjectOperators), table.cell(2, row),
            table.cell(3, row) == "Yes", table.cell(4, row) == "Yes"};
}

std::string HeaderFieldsError(const HeaderRuleFields& fields) {
    if (fields.choice == HeaderChoice::MessageHeader && IsBlankText(fields.text))
        return "The header text cannot be blank";
    if (fields.choice != HeaderChoice::ToDoesNotContain) return {};
    // Without a mailbox the rule would name "MailBox #0", which no check ever reads.
    if (fields.mailbox < 1)
        return "No mailbox has a server to choose. Give a mailbox its server in the General "
               "settings first.";
    if (IsBlankText(fields.address)) return "The TO field cannot be blank";
    return {};
}

void headerAfterShowmodal(RuleTable& table, int row, const HeaderRuleFields& fields) {
    table.setCell(1, row, StoredOperator(fields.op));
    table.setCell(2, row, fields.text);
    table.setCell(3, row, YesNo(fields.caseMatters));
    CheckGridAdv(table, row, fields.deletes);
    SetHitsWhenEmpty(table, row);
    const auto overwrite = [&](std::string what, std::string matches) {
        table.setCell(1, row, std::move(what));
        table.setCell(2, row, std::move(matches));
        table.setCell(3, row, "No");
    };
    switch (fields.choice) {
        case HeaderChoice::MessageHeader:
            break;
        case HeaderChoice::ReplyToMismatch:
            overwrite("Sender", kReplyToMismatch);
            break;
        case HeaderChoice::ToDoesNotContain:
            overwrite(kToDoesNotContain, std::string(WithoutMailbox(fields.address)) +
                                             std::string(kMailboxSuffix) +
                                             std::to_string(fields.mailbox));
            break;
        case HeaderChoice::SenderEqualsTo:
            overwrite("Sender", kSenderEqualsTo);
            break;
    }
}

HeaderRuleFields HeaderFieldsFromRow(const RuleTable& table, int row) {
    HeaderRuleFields fields;
    const std::string& what = table.cell(1, row);
    const std::string& matches = table.cell(2, row);
    fields.op = OperatorPositionOf(what, kHeaderOperators);
    fields.text = matches;
    fields.caseMatters = table.cell(3, row) == "Yes";
    fields.deletes = table.cell(4, row) == "Yes";
    if (matches == kReplyToMismatch || matches == kSenderEqualsTo) {
        fields.choice = matches == kReplyToMismatch ? HeaderChoice::ReplyToMismatch
                                                    : HeaderChoice::SenderEqualsTo;
        fields.text.clear();
    } else if (what.find(kToDoesNotContain) != std::string::npos) {
        fields.choice = HeaderChoice::ToDoesNotContain;
        const std::size_t suffix = matches.find(kMailboxSuffix);
        fields.address = matches.substr(0, suffix);
        if (suffix != std::string::npos) {
            fields.mailbox =
                Number(std::string_view(matches).substr(suffix + kMailboxSuffix.size()));
        }
    }
    return fields;
}

std::string MailboxEntryText(int mailbox, std::string_view userName, std::string_view server) {
    return std::to_string(mailbox) + ") " + std::string(userName) + " - server " +
           std::string(server);
}

int MailboxEntryNumber(std::string_view entry) {
    return Number(entry.substr(0, entry.find(')')));
}

std::string SenderFieldsError(const SenderRuleFields& fields) {
    if (TakesText(fields.op) && IsBlankText(fields.text))
        return "The Sender field cannot be left blank.";
    return {};
}

void FromAfterShowModal(RuleTable& table, int row, const SenderRuleFields& fields) {
    table.setCell(1, row, std::string(fields.domain ? kSenderKindDomain : kSenderKindAddress));
    table.setCell(2, row, StoredOperator(fields.op));
    table.setCell(3, row, TakesText(fields.op) ? std::string(TrimmedField(fields.text)) : "");
    CheckGridAdv(table, row, fields.deletes);
    SetHitsWhenEmpty(table, row);
}

SenderRuleFields SenderFieldsFromRow(const RuleTable& table, int row) {
    SenderRuleFields fields;
    fields.domain = table.cell(1, row) != kSenderKindAddress;
    fields.op = OperatorPositionOf(table.cell(2, row), kSenderOperators);
    fields.text = TakesText(fields.op) ? table.cell(3, row) : "";
    fields.deletes = table.cell(4, row) == "Yes";
    return fields;
}

std::string ExceptionFieldsError(const ExceptionRuleFields& fields) {
    switch (fields.choice) {
        case ExceptionChoice::Address:
            return IsBlankText(fields.address) ? "The email line cannot be blank" : "";
        case ExceptionChoice::Domain:
            return IsBlankText(fields.domain) ? "The domain line cannot be blank" : "";
        case ExceptionChoice::HeaderLine:
            return IsBlankText(fields.text) ? "The subject line cannot be blank" : "";
    }
    return {};
}

void exceptAfterShowmodal(RuleTable& table, int row, const ExceptionRuleFields& fields) {
    const std::vector<std::string_view>& lines = ExceptionHeaderLines();
    switch (fields.choice) {
        case ExceptionChoice::Address:
            table.setCell(0, row, std::string(kSenderKindAddress));
            table.setCell(2, row, fields.address);
            break;
        case ExceptionChoice::Domain:
            table.setCell(0, row, std::string(kSenderKindDomain));
            table.setCell(2, row, fields.domain);
            break;
        case ExceptionChoice::HeaderLine: {
            const bool listed =
                fields.headerLine >= 0 && fields.headerLine < static_cast<int>(lines.size());
            table.setCell(0, row,
                          listed ? std::string(lines[static_cast<std::size_t>(fields.headerLine)])
                                 : std::string());
            table.setCell(2, row, fields.text);
            break;
        }
    }
    table.setCell(
        1, row,
        fields.choice == ExceptionChoice::HeaderLine ? StoredOperator(fields.op) : "Equals");
    table.setCell(3, row, YesNo(fields.caseMatters));
    SetHitsWhenEmpty(table, row);
    table.setCell(kExceptionPictureNumberColumn, row, std::to_string(fields.picture));
}

ExceptionRuleFields ExceptionFieldsFromRow(const RuleTable& table, int row) {
    ExceptionRuleFields fields;
    const std::string& what = table.cell(0, row);
    const std::string& matches = table.cell(2, row);
    if (what == kSenderKindDomain) {
        fields.choice = ExceptionChoice::Domain;
        fields.domain = matches;
    } else if (what == kSenderKindAddress) {
        fields.choice = ExceptionChoice::Address;
        fields.address = matches;
    } else {
        fields.choice = ExceptionChoice::HeaderLine;
        fields.text = matches;
        const std::vector<std::string_view>& lines = ExceptionHeaderLines();
        const auto at = std::find(lines.begin(), lines.end(), what);
        fields.headerLine = what == "Subject"   ? 0
                            : at == lines.end() ? -1
                                                : static_cast<int>(at - lines.begin());
    }
    fields.op = OperatorPositionOf(table.cell(1, row), kExceptionOperators);
    fields.caseMatters = table.cell(3, row) == "Yes";
    const std::string& picture = table.cell(kExceptionPictureNumberColumn, row);
    fields.picture = picture.empty() ? kDefaultExceptionPicture : Number(picture);
    if (fields.picture < kDefaultExceptionPicture || fields.picture >= kPictureCount) {
        fields.picture = kDefaultExceptionPicture;
    }
    return fields;
}

std::vector<std::string> DropRepeatedLines(const std::vector<std::string>& lines) {
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i == 0 || lines[i] != lines[i - 1]) kept.push_back(lines[i]);
    }
    return kept;
}

}  // namespace kelvane
