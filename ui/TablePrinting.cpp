#include "TablePrinting.h"

#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <algorithm>

namespace kelvane {

void PrintTable(QPrinter& printer, const PrintedTable& table, const QString& title,
                const QDateTime& when) {
    QPainter painter(&printer);
    const QRect page = painter.viewport();
    const QFontMetrics metrics(painter.font());
    const int line = metrics.lineSpacing();
    int totalWidth = 0;
    for (int width : table.widths) totalWidth += std::max(1, width);
    const QLocale locale = QLocale::system();

    // The rows fill the page between two header lines and the footer line.
    const int top = page.top() + 2 * line;
    const int bottom = page.bottom() - 2 * line;
    int pageNumber = 1;
    int y = top;
    const auto decorate = [&] {
        const QRect header(page.left(), page.top(), page.width(), line);
        painter.drawText(header, Qt::AlignLeft, locale.toString(when.date(), QLocale::ShortFormat));
        painter.drawText(header, Qt::AlignHCenter, title);
        painter.drawText(header, Qt::AlignRight,
                         locale.toString(when.time(), QLocale::ShortFormat));
        painter.drawText(QRect(page.left(), page.bottom() - line, page.width(), line),
                         Qt::AlignRight, QStringLiteral("Page %1").arg(pageNumber));
    };
    decorate();
    for (int row = 0; row < table.rowCount; ++row) {
        if (y + line > bottom) {
            printer.newPage();
            ++pageNumber;
            y = top;
            decorate();
        }
        int x = page.left();
        for (std::size_t column = 0; column < table.widths.size(); ++column) {
            const int width = page.width() * std::max(1, table.widths[column]) / totalWidth;
            const QString text = metrics.elidedText(table.cell(row, static_cast<int>(column)),
                                                    Qt::ElideRight, width - 4);
            painter.drawText(QRect(x, y, width - 4, line), Qt::AlignLeft | Qt::AlignVCenter, text);
            x += width;
        }
        y += line;
    }
}

bool AskTablePrinter(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace kelvane
