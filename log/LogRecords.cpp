#include "LogRecords.h"

namespace kelvane {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

std::string OneLine(std::string_view value) {
    std::string text(value);
    for (char& c : text) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return text;
}

}  // namespace

std::string CheckRecord(std::size_t count, std::string_view user, std::string_view server,
                        std::string_view stamp) {
    return "MAIL CHECK " + std::to_string(count) + " msg(s) for \"" + OneLine(user) +
           "\" on server " + OneLine(server) + " at " + OneLine(stamp) + std::string(kLineEnd);
}

std::string ErrorRecord(std::string_view error, std::string_view user, std::string_view server,
                        std::string_view stamp) {
    return "ERROR " + OneLine(error) + " FOR " + OneLine(user) + " ON " + OneLine(server) + " AT " +
           OneLine(stamp) + std::string(kLineEnd);
}

std::string CancellationRecord(std::string_view user, std::string_view server,
                               std::string_view stamp) {
    return "OPERATION CANCELED FOR " + OneLine(user) + " ON " + OneLine(server) + " AT " +
           OneLine(stamp) + std::string(kLineEnd);
}

std::string ModeRecord(bool enabled, std::string_view stamp) {
    return std::string("Automatic mode ") + (enabled ? "enabled" : "disabled") + " at " +
           OneLine(stamp) + std::string(kLineEnd);
}

std::string DeletionBlock(const DeletedMessage& message, std::string_view stamp) {
    std::string block = "DELETE SPAM on " + OneLine(stamp) + std::string(kLineEnd);
    block += "   Server:  " + OneLine(message.server) + " Mailbox: " + OneLine(message.user);
    block += kLineEnd;
    block += "   Subject: " + OneLine(message.subject) + std::string(kLineEnd);
    block += "   Sender:  " + OneLine(message.sender) + std::string(kLineEnd);
    block += "   Size:    " + OneLine(message.size) + "  Date: " + OneLine(message.date);
    block += kLineEnd;
    return block;
}

}  // namespace kelvane
