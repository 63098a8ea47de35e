#include "RuleFile.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace kelvane {
namespace {

std::optional<int> ReadNumber(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

// Splits off the next line; accepts CR LF and bare LF.
std::string_view NextLine(std::string_view& text) {
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

// A cell never spans lines in the file: CR travels as TAB and LF as BS.
std::string EncodeCell(std::string_view text) {
    std::string out(text);
    std::replace(out.begin(), out.end(), '\r', '\t');
    std::replace(out.begin(), out.end(), '\n', '\b');
    return out;
}

std::string DecodeCell(std::string_view text) {
    std::string out(text);
    std::replace(out.begin(), out.end(), '\t', '\r');
    std::replace(out.begin(), out.end(), '\b', '\n');
    return out;
}

bool ApplySizeLine(std::string_view line, RuleTable& table) {
    if (line.empty()) return true;
    const auto comma = line.find(',');
    const auto columns = ReadNumber(line.substr(0, comma));
    const auto rows = comma == std::string_view::npos ? std::optional<int>(0)
                                                      : ReadNumber(line.substr(comma + 1));
    if (!columns || !rows || *columns <= 0 || *rows <= 0 || *columns > kMaxRuleFileColumns ||
        *rows > kMaxRuleFileRows) {
        return false;
    }
    table.setColumnCount(*columns);
    table.setRowCount(*rows);
    return true;
}

void ApplyWidthLine(std::string_view line, RuleTable& table) {
    const auto comma = line.find(',');
    if (comma == std::string_view::npos || comma < 3) return;
    const auto column = ReadNumber(line.substr(3, comma - 3));
    const auto width = ReadNumber(line.substr(comma + 1));
    if (column && width) table.setColumnWidth(*column, *width);
}

void ApplyCellLine(std::string_view line, RuleTable& table) {
    const auto first = line.find(',');
    if (first == std::string_view::npos) return;
    const auto second = line.find(',', first + 1);
    if (second == std::string_view::npos) return;
    const auto column = ReadNumber(line.substr(0, first));
    const auto row = ReadNumber(line.substr(first + 1, second - first - 1));
    if (column && row) table.setCell(*column, *row, DecodeCell(line.substr(second + 1)));
}

}  // namespace

bool ReadRuleFileText(std::string_view text, RuleTable& table) {
    RuleTable result = table;
    if (!ApplySizeLine(NextLine(text), result)) return false;
    result.clearCells();
    while (!text.empty()) {
        const std::string_view line = NextLine(text);
        if (line.substr(0, 2) == "cw") {
            ApplyWidthLine(line, result);
        } else {
            ApplyCellLine(line, result);
        }
    }
    table = std::move(result);
    return true;
}

std::string WriteRuleFileText(const RuleTable& table) {
    std::string out =
        std::to_string(table.columnCount()) + "," + std::to_string(table.rowCount()) + "\r\n";
    for (int c = 0; c < table.columnCount(); ++c) {
        out += "cw " + std::to_string(c) + "," + std::to_string(table.columnWidth(c)) + "\r\n";
    }
    for (int r = 0; r < table.rowCount(); ++r) {
        for (int c = 0; c < table.columnCount(); ++c) {
            const std::string& text = table.cell(c, r);
            if (text.empty()) continue;
            out += std::to_string(c) + "," + std::to_string(r) + "," + EncodeCell(text) + "\r\n";
        }
    }
    return out;
}

}  // namespace kelvane
