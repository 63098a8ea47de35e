#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kelvane {

// The column texts of a message's row that a deletion block records.
struct DeletedMessage {
    std::string server;
    std::string user;
    std::string subject;
    std::string sender;
    std::string size;  // bytes, plain decimal
    std::string date;  // the Date header as the message list shows it
};

// The records of the activity log, each line ending in CR LF. The statistics find them by their
// fixed words and column positions, so the texts are a file format. Inserted values go through
// SafeDisplayText: a server's error text or a subject cannot break a record into lines, and the
// log shows no terminal escapes or invalid UTF-8 to whoever reads it.
std::string CheckRecord(std::size_t count, std::string_view user, std::string_view server,
                        std::string_view stamp);
std::string ErrorRecord(std::string_view error, std::string_view user, std::string_view server,
                        std::string_view stamp);
std::string CancellationRecord(std::string_view user, std::string_view server,
                               std::string_view stamp);
std::string ModeRecord(bool enabled, std::string_view stamp);
// Five lines.
std::string DeletionBlock(const DeletedMessage& message, std::string_view stamp);

}  // namespace kelvane
