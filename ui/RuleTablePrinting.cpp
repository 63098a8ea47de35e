#include "RuleTablePrinting.h"

#include "RuleTable.h"
#include "ShownText.h"
#include "TablePrinting.h"

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

void PrintRuleTable(QPrinter& printer, const RuleTable& table, const QString& title,
                    const QDateTime& when) {
    const std::vector<int> columns = PrintedColumns(table);
    PrintedTable printed;
    for (int column : columns) printed.widths.push_back(table.columnWidth(column));
    printed.rowCount = table.rowCount();
    printed.cell = [&](int row, int column) { return ShownText(table.cell(columns[column], row)); };
    PrintTable(printer, printed, title, when);
}

}  // namespace kelvane
