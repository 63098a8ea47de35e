#pragma once

#include <string>
#include <string_view>

#include "LocalDateTime.h"

namespace kelvane {

// True for a log file name that means "keep no log": empty, or only blanks, CR, LF and
// backspace characters.
bool IsBlankLogFileName(std::string_view name);

// How the log file is named each time the general settings are shown.
enum class LogNaming { AsIs, Monthly, Quarterly };

// From the Logfile/Month and Logfile/Quarter settings; quarterly wins when both are on.
LogNaming LogNamingFrom(bool monthly, bool quarterly);

// "Jan99.txt": English month abbreviation and two-digit year.
std::string MonthlyLogFileName(const LocalDateTime& today);
// "Q3_99.txt": quarter of the year and two-digit year.
std::string QuarterlyLogFileName(const LocalDateTime& today);

// The log file name to show and use from now on, given the field's text. An empty field becomes
// "logfile.txt" in the program's folder; a monthly or quarterly name replaces the file part of
// the field and keeps its folder part (up to and including the last "/").
std::string CurrentLogFileName(std::string_view field, LogNaming naming, const LocalDateTime& today,
                               std::string_view programFolder);

// Deletes the log file so that the next record begins a new one. A missing file or a blank name
// is no error. False only when an existing file could not be deleted.
bool ClearLogFile(const std::string& name);

// Makes the folder of the log file `name` and its missing parents, so that the first record has
// somewhere to go. False when the name has no folder part or the folder cannot be made.
bool MakeLogFolder(const std::string& name);

}  // namespace kelvane
