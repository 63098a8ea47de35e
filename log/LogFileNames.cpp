#include "LogFileNames.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace kelvane {

namespace {

constexpr const char* kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string TwoDigitYear(int year) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", year % 100);
    return text;
}

std::string InFolder(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && path.back() != '/') path += '/';
    path += name;
    return path;
}

}  // namespace

bool IsBlankLogFileName(std::string_view name) {
    return name.find_first_not_of(" \r\n\b") == std::string_view::npos;
}

LogNaming LogNamingFrom(bool monthly, bool quarterly) {
    if (quarterly) return LogNaming::Quarterly;
    return monthly ? LogNaming::Monthly : LogNaming::AsIs;
}

std::string MonthlyLogFileName(const LocalDateTime& today) {
    return kMonthNames[today.month - 1] + TwoDigitYear(today.year) + ".txt";
}

std::string QuarterlyLogFileName(const LocalDateTime& today) {
    const int quarter = (today.month - 1) / 3 + 1;
    return "Q" + std::to_string(quarter) + "_" + TwoDigitYear(today.year) + ".txt";
}

std::string CurrentLogFileName(std::string_view field, LogNaming naming, const LocalDateTime& today,
                               std::string_view programFolder) {
    std::string name = field.empty() ? InFolder(programFolder, "logfile.txt") : std::string(field);
    if (naming == LogNaming::AsIs) return name;
    const auto slash = name.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : name.substr(0, slash + 1);
    return folder +
           (naming == LogNaming::Monthly ? MonthlyLogFileName(today) : QuarterlyLogFileName(today));
}

bool ClearLogFile(const std::string& name) {
    if (IsBlankLogFileName(name)) return true;
    return ::unlink(name.c_str()) == 0 || errno == ENOENT;
}

bool MakeLogFolder(const std::string& name) {
    const std::size_t slash = name.rfind('/');
    if (slash == std::string::npos) return false;
    if (slash == 0) return true;  // the root folder
    const std::filesystem::path folder = name.substr(0, slash);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return !error && std::filesystem::is_directory(folder, error);
}

}  // namespace kelvane
