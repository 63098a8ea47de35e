#include "RowBuilder.h"

#include "MailAddress.h"
#include "MailErrors.h"
#include "MailHeaders.h"
#include "MatchOperator.h"
#include "TmsRemoteInfo.h"

namespace kelvane {

namespace {

// The undecoded text of the first field called `name`, for a header the decoder rejects.
std::string RawFieldValue(const TmsHeaders& headers, std::string_view name) {
    for (const std::string& line : headers) {
        if (line.size() > name.size() && line[name.size()] == ':' &&
            UpperAscii(std::string_view(line).substr(0, name.size())) == UpperAscii(name)) {
            const std::size_t start = line.find_first_not_of(" \t", name.size() + 1);
            return start == std::string::npos ? std::string() : line.substr(start);
        }
    }
    return {};
}

std::string FieldText(const TmsHeaders& headers, std::string_view name) {
    try {
        return GetFieldValue(headers, name);
    } catch (const EMessageParserError&) {
        return RawFieldValue(headers, name);
    }
}

}  // namespace

MessageEntry BuildRow(const TmsRemoteInfoItem& item, const DateFormatter& format) {
    MessageEntry row;
    row.subject = FieldText(item.Headers, "Subject");
    row.sender = SplitAddress(FieldText(item.Headers, "From")).first;
    row.size = std::to_string(item.Size);
    row.date = ListDateText(FieldText(item.Headers, "Date"), format);
    return row;
}

}  // namespace kelvane
