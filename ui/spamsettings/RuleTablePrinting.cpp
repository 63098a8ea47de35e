#include "RuleTablePrinting.h"

#include "RuleTable.h"
#include "ShownText.h"

#include <algorithm>
#include <vector>

namespace kelvane {

namespace {

// The printed columns: every visible column with text (the picture column holds none).
std::vector<int> PrintedColumns(const RuleTable& table) {
    const int visible = table.kind() == RuleTableKind::Exceptions ? kExceptionPictureNumberColumn
                                                                  : table.columnCount();
    std::vector<int> columns;
    for (int column = 0; column < visible; ++column) {
        if (column != table.layout().pictureColumn) columns.push_back(column);
    }
    return columns;
}

}  // namespace

PrintedTable PrintedRuleTable(const RuleTable& table) {
    const std::vector<int> columns = PrintedColumns(table);
    PrintedTable printed;
    for (int column : columns) {
        printed.widths.push_back(table.columnWidth(column));
        printed.headings << ShownText(table.cell(column, 0));
    }
    // Row 0 of the table is its heading row.
    printed.rowCount = std::max(0, table.rowCount() - 1);
    printed.cell = [&table, columns](int row, int column) {
        return ShownText(table.cell(columns[static_cast<std::size_t>(column)], row + 1));
    };
    return printed;
}

void PrintRuleTable(QPrinter& printer, const RuleTable& table, const QString& title,
                    const QDateTime& when) {
    PrintTable(printer, PrintedRuleTable(table), title, when);
}

}  // namespace kelvane
