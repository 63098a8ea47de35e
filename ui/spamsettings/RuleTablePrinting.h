#pragma once

#include <QDateTime>
#include <QString>

#include "TablePrinting.h"

class QPrinter;

namespace kelvane {

class RuleTable;

// The table as it is printed: its heading row as the headings, its rules as the rows, every
// visible column that holds text. It reads `table`, which must outlive it.
PrintedTable PrintedRuleTable(const RuleTable& table);

// Prints the table's headings and rules on as many pages as they take: `title` at the top
// centre, the date at the top left and the time at the top right of every page, "Page n" at the
// bottom right; the columns keep the proportions of their widths, without borders.
void PrintRuleTable(QPrinter& printer, const RuleTable& table, const QString& title,
                    const QDateTime& when = QDateTime::currentDateTime());

}  // namespace kelvane
