#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QPrinter;
class QWidget;

namespace kelvane {

// What a printed table holds: the relative width of each printed column, the column headings and
// each cell's text.
struct PrintedTable {
    std::vector<int> widths;
    QStringList headings;  // one a printed column; none when empty
    int rowCount = 0;
    std::function<QString(int row, int column)> cell;  // column counts printed columns
};

// The printed line that holds the headings rather than a row.
inline constexpr int kHeadingsLine = -1;

// The lines of each page, at most `linesPerPage` of them: the headings open every page, the rows
// follow in order. A page takes at least one row however small it is.
std::vector<std::vector<int>> PrintedPages(const PrintedTable& table, int linesPerPage);
// The texts of one printed line: the headings, or the cells of a row.
QStringList PrintedLine(const PrintedTable& table, int line);

// Prints the rows on as many pages as they take, under the headings in bold: `title` at the top
// centre, the date at the top left and the time at the top right of every page, "Page n" at the
// bottom right; the columns keep the proportions of their widths, without borders.
void PrintTable(QPrinter& printer, const PrintedTable& table, const QString& title,
                const QDateTime& when = QDateTime::currentDateTime());

// The system's print dialog, printing to a file offered too; true on its OK.
bool AskTablePrinter(QWidget* parent, QPrinter& printer);

}  // namespace kelvane
