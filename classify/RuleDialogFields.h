#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

class RuleTable;

// What the four rule editor dialogs hold, and how it becomes a rule row and back, without a
// window. Operators are positions in the shared operator list (0 "Contains" to 9 "Starts with a
// number"); a dialog offers the first few of them.

inline constexpr int kSubjectOperators = 7;
inline constexpr int kSenderOperators = 10;
inline constexpr int kHeaderOperators = 5;
inline constexpr int kExceptionOperators = 5;
// Operators from this position on test the field as a whole and take no text.
inline constexpr int kFirstOperatorWithoutText = 5;

// The pick lists offered beside the text fields.
const std::vector<std::string_view>& SubjectPickList();
const std::vector<std::string_view>& SenderPickList();
const std::vector<std::string_view>& HeaderPickList();
// The header lines an exception may test.
const std::vector<std::string_view>& ExceptionHeaderLines();

// The operator's position for a stored operator name among the first `offered`; 0 when the row
// names none of them, so that a damaged row still opens.
int OperatorPositionOf(std::string_view stored, int offered);

struct SubjectRuleFields {
    int op = 0;
    std::string text;
    bool caseMatters = false;
    bool deletes = true;
};
// The error for fields that OK must refuse, else empty.
std::string SubjectFieldsError(const SubjectRuleFields& fields);
void subjectAfterShowmodal(RuleTable& table, int row, const SubjectRuleFields& fields);
SubjectRuleFields SubjectFieldsFromRow(const RuleTable& table, int row);

enum class HeaderChoice { MessageHeader, ReplyToMismatch, ToDoesNotContain, SenderEqualsTo };
struct HeaderRuleFields {
    HeaderChoice choice = HeaderChoice::MessageHeader;
    int op = 0;
    std::string text;
    bool caseMatters = false;
    bool deletes = true;
    std::string address;  // "The 'To' address does not contain:"
    int mailbox = 0;      // the number of the chosen mailbox entry; 0 for none
};
// A "To" rule needs a mailbox to name before it needs an address.
std::string HeaderFieldsError(const HeaderRuleFields& fields);
void headerAfterShowmodal(RuleTable& table, int row, const HeaderRuleFields& fields);
HeaderRuleFields HeaderFieldsFromRow(const RuleTable& table, int row);
// An entry of the mailbox list, "1) ann - server pop.example.org", and its number back.
std::string MailboxEntryText(int mailbox, std::string_view userName, std::string_view server);
int MailboxEntryNumber(std::string_view entry);

struct SenderRuleFields {
    bool domain = true;  // "Domain name", else "E-mail address"
    int op = 2;          // "Equals (exact match)"
    std::string text;
    bool deletes = true;
};
std::string SenderFieldsError(const SenderRuleFields& fields);
void FromAfterShowModal(RuleTable& table, int row, const SenderRuleFields& fields);
SenderRuleFields SenderFieldsFromRow(const RuleTable& table, int row);

enum class ExceptionChoice { Address, Domain, HeaderLine };
struct ExceptionRuleFields {
    ExceptionChoice choice = ExceptionChoice::Address;
    std::string address;
    std::string domain;
    int headerLine = 0;  // position in ExceptionHeaderLines(); -1 for none
    int op = 0;
    std::string text;
    bool caseMatters = false;
    int picture = 3;  // 3 to 14
};
std::string ExceptionFieldsError(const ExceptionRuleFields& fields);
void exceptAfterShowmodal(RuleTable& table, int row, const ExceptionRuleFields& fields);
ExceptionRuleFields ExceptionFieldsFromRow(const RuleTable& table, int row);

// The lines of an import: a line equal to the one directly before it is dropped.
std::vector<std::string> DropRepeatedLines(const std::vector<std::string>& lines);

}  // namespace kelvane
