#include "TablePrinting.h"

#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <algorithm>

namespace kelvane {

namespace {

// The date, the title and the time above the rows, the page number below them.
void DrawPageFrame(QPainter& painter, const QRect& page, int line, const QString& title,
                   const QDateTime& when, int pageNumber) {
    const QLocale locale = QLocale::system();
    const QRect header(page.left(), page.top(), page.width(), line);
    painter.drawText(header, Qt::AlignLeft, locale.toString(when.date(), QLocale::ShortFormat));
    painter.drawText(header, Qt::AlignHCenter, title);
    painter.drawText(header, Qt::AlignRight, locale.toString(when.time(), QLocale::ShortFormat));
    painter.drawText(QRect(page.left(), page.bottom() - line, page.width(), line), Qt::AlignRight,
                     QStringLiteral("Page %1").arg(pageNumber));
}

void DrawLine(QPainter& painter, const QStringList& texts, const std::vector<int>& widths,
              const QRect& area) {
    int totalWidth = 0;
    for (int width : widths) totalWidth += std::max(1, width);
    const QFontMetrics metrics(painter.font());
    int x = area.left();
    for (std::size_t column = 0; column < widths.size(); ++column) {
        const int width = area.width() * std::max(1, widths[column]) / totalWidth;
        const QString text =
            column < static_cast<std::size_t>(texts.size()) ? texts[static_cast<int>(column)] : "";
        painter.drawText(QRect(x, area.top(), width - 4, area.height()),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(text, Qt::ElideRight, width - 4));
        x += width;
    }
}

}  // namespace

std::vector<std::vector<int>> PrintedPages(const PrintedTable& table, int linesPerPage) {
    const bool headed = !table.headings.isEmpty();
    const int rowsPerPage = std::max(1, linesPerPage - (headed ? 1 : 0));
    std::vector<std::vector<int>> pages;
    int row = 0;
    do {
        std::vector<int>& page = pages.emplace_back();
        if (headed) page.push_back(kHeadingsLine);
        for (int i = 0; i < rowsPerPage && row < table.rowCount; ++i) page.push_back(row++);
    } while (row < table.rowCount);
    return pages;
}

QStringList PrintedLine(const PrintedTable& table, int line) {
    if (line == kHeadingsLine) return table.headings;
    QStringList texts;
    for (std::size_t column = 0; column < table.widths.size(); ++column)
        texts << table.cell(line, static_cast<int>(column));
    return texts;
}

void PrintTable(QPrinter& printer, const PrintedTable& table, const QString& title,
                const QDateTime& when) {
    QPainter painter(&printer);
    const QRect page = painter.viewport();
    const QFont plain = painter.font();
    QFont bold = plain;
    bold.setBold(true);
    const int line = std::max(QFontMetrics(plain).lineSpacing(), QFontMetrics(bold).lineSpacing());
    // The lines fill the page between two header lines and the footer line.
    const int top = page.top() + 2 * line;
    const int linesPerPage = (page.bottom() - 2 * line - top) / line;
    int pageNumber = 0;
    for (const std::vector<int>& lines : PrintedPages(table, linesPerPage)) {
        if (pageNumber++ > 0) printer.newPage();
        DrawPageFrame(painter, page, line, title, when, pageNumber);
        int y = top;
        for (int printed : lines) {
            painter.setFont(printed == kHeadingsLine ? bold : plain);
            DrawLine(painter, PrintedLine(table, printed), table.widths,
                     QRect(page.left(), y, page.width(), line));
            painter.setFont(plain);
            y += line;
        }
    }
}

bool AskTablePrinter(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace kelvane
