#include "LogRecords.h"

#include "DisplayText.h"

namespace kelvane {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

}  // namespace

std::string CheckRecord(std::size_t count, std::string_view user, std::string_view server,
                        std::string_view stamp) {
    return "MAIL CHECK " + std::to_string(count) + " msg(s) for \"" + SafeDisplayText(user) +
           "\" on server " + SafeDisplayText(server) + " at " + SafeDisplayText(stamp) +
           std::string(kLineEnd);
}

std::string ErrorRecord(std::string_view error, std::string_view user, std::string_view server,
                        std::string_view stamp) {
    return "ERROR " + SafeDisplayText(error) + " FOR " + SafeDisplayText(user) + " ON " +
           SafeDisplayText(server) + " AT " + SafeDisplayText(stamp) + std::string(kLineEnd);
}

std::string CancellationRecord(std::string_view user, std::string_view server,
                               std::string_view stamp) {
    return "OPERATION CANCELED FOR " + SafeDisplayText(user) + " ON " + SafeDisplayText(server) +
           " AT " + SafeDisplayText(stamp) + std::string(kLineEnd);
}

std::string ModeRecord(bool enabled, std::string_view stamp) {
    return std::string("Automatic mode ") + (enabled ? "enabled" : "disabled") + " at " +
           SafeDisplayText(stamp) + std::string(kLineEnd);
}

std::string DeletionBlock(const DeletedMessage& message, std::string_view stamp) {
    std::string block = "DELETE SPAM on " + SafeDisplayText(stamp) + std::string(kLineEnd);
    block += "   Server:  " + SafeDisplayText(message.server) +
             " Mailbox: " + SafeDisplayText(message.user);
    block += kLineEnd;
    block += "   Subject: " + SafeDisplayText(message.subject) + std::string(kLineEnd);
    block += "   Sender:  " + SafeDisplayText(message.sender) + std::string(kLineEnd);
    block +=
        "   Size:    " + SafeDisplayText(message.size) + "  Date: " + SafeDisplayText(message.date);
    block += kLineEnd;
    return block;
}

}  // namespace kelvane
