#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "LocalDateTime.h"
#include "LogRecords.h"

namespace kelvane {

// The activity log: a text file the program only appends to, one record per finished check,
// error, cancellation and change of the automatic mode, and a block per deleted spam message.
// A log that cannot be opened or written never stops a mail operation: the record is lost, the
// writer returns false and LastError() tells why.
class ActivityLog {
  public:
    // `fileName` gives the log file name as it stands at each opening; a blank name keeps no log.
    using FileNameSource = std::function<std::string()>;
    using Clock = std::function<LocalDateTime()>;

    explicit ActivityLog(FileNameSource fileName, Clock clock = SystemLocalTime);
    ~ActivityLog();
    ActivityLog(const ActivityLog&) = delete;
    ActivityLog& operator=(const ActivityLog&) = delete;

    // Opens the current file for appending, creating it when missing; a name that is a link or
    // no regular file fails with LastError() naming it. Nothing when the log is already open or
    // the name is blank.
    void OpenLogFile();
    void CloseLogFile();
    bool IsOpen() const { return file_ >= 0; }

    // Each writes one record through its own opening. When the log is already open (a deletion
    // run), it stays open afterwards so that the run's remaining blocks are not lost.
    bool WriteCheckRecord(std::size_t count, std::string_view user, std::string_view server);
    bool WriteErrorRecord(std::string_view error, std::string_view user, std::string_view server);
    bool WriteCancellationRecord(std::string_view user, std::string_view server);
    bool WriteModeRecord(bool enabled);

    // Only while the log is open: the deletion run opens it before and closes it after.
    bool WriteDeletionBlock(const DeletedMessage& message);

    // Why the last opening or write failed; empty after a success. Holds no record content.
    const std::string& LastError() const { return lastError_; }

  private:
    std::string Stamp() const;
    bool WriteSingleRecord(const std::string& record);
    bool Append(std::string_view bytes);

    FileNameSource fileName_;
    Clock clock_;
    int file_ = -1;
    std::string openName_;
    std::string lastError_;
};

}  // namespace kelvane
