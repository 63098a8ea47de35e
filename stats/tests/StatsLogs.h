#pragma once

#include <fstream>
#include <string>

#include "LogRecords.h"
#include "LogStamp.h"
#include "LogTables.h"
#include "TempFolder.h"

namespace kelvane::statstest {

// A log written by the log's own record writers, read back through the file reader.
class LogText {
  public:
    LogText& Check(std::size_t count, const std::string& user, const LocalDateTime& when,
                   const std::string& server = "pop.example.com") {
        text_ += CheckRecord(count, user, server, FormatLogStamp(when));
        return *this;
    }
    LogText& Deletion(const std::string& sender, const LocalDateTime& when,
                      const std::string& user = "ann", const std::string& size = "2048") {
        text_ += DeletionBlock({"pop.example.com", user, "Cheap pills", sender, size,
                                "Tue, 14 Mar 2000 14:05:00 +0000"},
                               FormatLogStamp(when));
        return *this;
    }
    LogText& Line(const std::string& line) {
        text_ += line + "\r\n";
        return *this;
    }
    LogText& Raw(const std::string& bytes) {
        text_ += bytes;
        return *this;
    }
    const std::string& text() const { return text_; }

  private:
    std::string text_;
};

// "Now" in the tests: Thursday 10 December 2026, 3:10:20 PM.
inline constexpr LocalDateTime kNow{2026, 12, 10, 15, 10, 20};

inline LogTables ReadLog(const std::string& bytes, const LocalDateTime& now = kNow) {
    testsupport::TempFolder folder;
    const std::string path = folder.File("logfile.txt");
    std::ofstream(path, std::ios::binary) << bytes;
    LogTables tables;
    if (readInLogFile(path, now, tables) != LogReadResult::Read) std::abort();
    return tables;
}

}  // namespace kelvane::statstest
