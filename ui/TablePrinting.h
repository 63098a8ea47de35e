#pragma once

#include <QDateTime>
#include <QString>
#include <functional>
#include <vector>

class QPrinter;
class QWidget;

namespace kelvane {

// What a printed table holds: the relative width of each printed column and each cell's text.
struct PrintedTable {
    std::vector<int> widths;
    int rowCount = 0;
    std::function<QString(int row, int column)> cell;  // column counts printed columns
};

// Prints the rows on as many pages as they take: `title` at the top centre, the date at the top
// left and the time at the top right of every page, "Page n" at the bottom right; the columns
// keep the proportions of their widths, without borders.
void PrintTable(QPrinter& printer, const PrintedTable& table, const QString& title,
                const QDateTime& when = QDateTime::currentDateTime());

// The system's print dialog, printing to a file offered too; true on its OK.
bool AskTablePrinter(QWidget* parent, QPrinter& printer);

}  // namespace kelvane
